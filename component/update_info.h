// The update-information file: the text document the publisher puts on the server, telling the
// component which files are new. Reading it is pure text work; the values that come from the
// machine (folders, the user's shell folders, the environment) reach it through MacroSource.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace updara {

// Lines longer than this are rejected (ignored like any malformed line), never cut; so is a
// command line whose expansion would grow beyond it.
inline constexpr size_t kMaxLineLength = 16 * 1024;
// A path whose expansion would be longer than this is rejected whole (the key is ignored).
inline constexpr size_t kMaxPathLength = 259;

// Where the path macros get their values.
class MacroSource {
 public:
  virtual ~MacroSource() = default;
  virtual std::string HostExecutable() const = 0;  // APP
  virtual std::string CurrentDirectory() const = 0;  // APPDIR
  virtual std::string WindowsFolder() const = 0;  // WINDOWS
  virtual std::string SystemFolder() const = 0;  // SYSTEM
  // The value of that name under the user's "User Shell Folders" key (names compared without
  // letter case); nullopt when the key has none.
  virtual std::optional<std::string> UserShellFolder(std::string_view name) const = 0;
  virtual std::optional<std::string> Environment(std::string_view name) const = 0;
};

// Replaces each %NAME% (APP, APPDIR, WINDOWS, SYSTEM, a shell folder or an environment variable;
// unknown names by nothing) from the start of the text again until no "%" pair is left; after each
// replacement other than APP a "\" is appended to a text longer than one character that does not
// end in one. A "%" without a closing one ends the expansion and stays. nullopt when the text would
// grow beyond maxLength or the replacements do not end (a value that names itself).
std::optional<std::string> ExpandPathMacros(std::string_view text, const MacroSource& macros, size_t maxLength);

// An empty value, or one starting with "0", "F" or "f", is false; anything else is true.
bool ReadBool(std::string_view value);

// An optional sign and the leading digits (no blanks first); anything else reads as 0. Beyond
// the 32-bit range the number sticks at its end.
long ReadDecimal(std::string_view value);

// A date and time as automation dates count it: days since 30 December 1899, the time of day as
// the fraction (for days before that, the fraction still counts forwards). nullopt for a date or
// time that does not exist, or a year before 100 or after 9999.
std::optional<double> AutomationDate(int year, int month, int day, int hour, int minute, int second);

// "YYYYMMDDhhmmss" read field by field: each field only while the text from its start is longer
// than its width, so the last field present is never read (the seconds of the full form, the day
// of an 8-digit date). 0 ("not set") when the fields read do not make a date.
double ReadTimestamp(std::string_view value);

// A UTC time written "YYYYMMDDhhmmss" (exactly 14 digits of a date and time that exist), as the
// number those digits make, so that later times are larger; nullopt for anything else.
std::optional<std::uint64_t> ReadUtcStamp(std::string_view value);

// A sequence number: 1 to 18 decimal digits and nothing else; nullopt otherwise.
std::optional<std::uint64_t> ReadSequence(std::string_view value);

// A file entry's URL value: stored as it is, except that a bare file name (longer than 3
// characters, with neither "/" nor "\") is taken relative to the document's own URL (cut at its
// first "?" and after its last "/" or "\"). `compressed` is set when the value ends in ".gz".
std::string EntryUrl(std::string_view value, std::string_view documentUrl, bool& compressed);


struct GlobalSettings {
  std::optional<bool> requireAdmin;
  std::optional<std::string> cmdBefore, cmdAfter, cmdLine;
  // What a signed document says of itself: until when it may be used (a UTC stamp as
  // ReadUtcStamp reads it) and its place among the publisher's documents. A value that does not
  // read is no value.
  std::optional<std::uint64_t> expires, sequence;
};

struct MessageEntry {
  long id = 0;
  std::string caption, text;
};

struct FileEntry {
  std::string name, path, newVersion, url, newMd5, newSha256;
  long size = 0;
  double newDate = 0, newModificationDate = 0;  // 0: not set
  bool registerServer = false, compressed = false;
  bool pathGiven = false;  // the document named a path
};

struct UpdateInfo {
  GlobalSettings global;
  std::vector<MessageEntry> messages;
  std::vector<FileEntry> files;
};

// Reads the document; nullopt when it does not begin with the signature (an empty signature
// accepts any document). `documentUrl` is the URL it came from, for relative file URLs.
std::optional<UpdateInfo> ParseUpdateInfo(std::string_view document, std::string_view signature,
                                          std::string_view documentUrl, const MacroSource& macros);

}  // namespace updara
