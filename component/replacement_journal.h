// The journal of one run of replacements, kept beside the replacement list (T + N + ".udj"). Each
// destination is written to it before the new file is switched in, while the old file waits beside
// the destination under its backup name until the run is committed. A run cut short (a process
// killed between two files) is therefore undone from the journal by whoever comes next: the
// updater when it starts, or the component when it takes its name or clears its leftovers.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace updara {

inline constexpr std::string_view kJournalSignature = "#UDJ Journal";

struct JournalEntry {
  bool server = false;   // a registered COM server: undoing it unregisters the new one, registers the old
  std::string path;      // the destination
  bool created = false;  // there was no file there before: undoing it deletes the new one
};

struct Journal {
  std::vector<JournalEntry> entries;
  bool handedOver = false;      // the component passed the rest of the run to the updater
  bool updaterStarted = false;  // an updater took the run over
  bool committed = false;       // every file is in place: only the backups are left to delete
};

// The journal's lines, each ending in CR LF: the signature first, then per destination "S" (a
// server) or "R", "+" when it is created, "|" and its path, and the markers "HANDOVER", "UPDATER"
// and "COMMIT".
std::string JournalStart();
std::string JournalLine(const JournalEntry& entry);
inline constexpr std::string_view kJournalHandOver = "HANDOVER\r\n";
inline constexpr std::string_view kJournalUpdater = "UPDATER\r\n";
inline constexpr std::string_view kJournalCommit = "COMMIT\r\n";

// nullopt when the text is no journal. A last line without its line end was cut off while being
// written and does not count.
std::optional<Journal> ParseJournal(std::string_view text);

// Where a destination's old file waits while the run lasts, and where the new one is put together
// before it is switched in: beside the destination, so that the switch is a rename on one volume.
std::string BackupPathOf(std::string_view destination);
std::string StagedPathOf(std::string_view destination);

// What is to be done with a journal that is found: an updater continues the run the component
// handed over to it; anyone else finishes a committed run (deletes its backups) or undoes an
// unfinished one.
enum class JournalAction { Continue, FinishCommit, RollBack };
JournalAction ActionFor(const Journal& journal, bool asUpdater);

}  // namespace updara
