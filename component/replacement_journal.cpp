#include "component/replacement_journal.h"

namespace updara {

std::string JournalStart() { return std::string(kJournalSignature) + "\r\n"; }

std::string JournalLine(const JournalEntry& entry) {
  return std::string(entry.server ? "S" : "R") + (entry.created ? "+|" : "|") + entry.path + "\r\n";
}

std::optional<Journal> ParseJournal(std::string_view text) {
  if (!text.starts_with(std::string(kJournalSignature) + "\r\n")) return std::nullopt;
  text.remove_prefix(kJournalSignature.size() + 2);
  Journal journal;
  while (true) {
    const size_t end = text.find("\r\n");
    if (end == std::string_view::npos) break;  // nothing, or a line cut off while being written
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 2);
    const bool created = line.size() > 1 && line[1] == '+';
    const size_t bar = created ? 2 : 1;
    if (line.size() > bar + 1 && (line[0] == 'R' || line[0] == 'S') && line[bar] == '|') {
      journal.entries.push_back({line[0] == 'S', std::string(line.substr(bar + 1)), created});
    } else if (std::string(line) + "\r\n" == kJournalHandOver) {
      journal.handedOver = true;
    } else if (std::string(line) + "\r\n" == kJournalUpdater) {
      journal.updaterStarted = true;
    } else if (std::string(line) + "\r\n" == kJournalCommit) {
      journal.committed = true;
    } else {
      return std::nullopt;
    }
  }
  return journal;
}

std::string BackupPathOf(std::string_view destination) { return std::string(destination) + ".updara-old"; }
std::string StagedPathOf(std::string_view destination) { return std::string(destination) + ".updara-new"; }

JournalAction ActionFor(const Journal& journal, bool asUpdater) {
  if (journal.committed) return JournalAction::FinishCommit;
  if (asUpdater && journal.handedOver && !journal.updaterStarted) return JournalAction::Continue;
  return JournalAction::RollBack;
}

}  // namespace updara
