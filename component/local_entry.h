// Completing a file entry of the update-information file against the local machine: where its
// local copy is, which version that copy has, and whether the entry needs replacing under the
// component's ReplaceRule. The machine answers through LocalMachine.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "component/update_info.h"

namespace updara {

inline constexpr long kReplaceNever = 0, kReplaceIfVersion = 1, kReplaceIfDate = 2, kReplaceIfModificationDate = 4,
                      kReplaceSmart = 63, kReplaceAlways = 255;

// The local file at a path, as the replace decision sees it.
struct LocalFileFacts {
  bool opens = false;            // it can be opened for reading
  std::optional<double> created;  // creation and last-write time as local automation dates,
  std::optional<double> written;  // nullopt when they cannot be read
};

class LocalMachine {
 public:
  virtual ~LocalMachine() = default;
  // The full file name of the module of that name that the host has loaded or that the system's
  // library search finds; empty when there is none.
  virtual std::string ModulePath(std::string_view name) = 0;
  // The "FileVersion" text of the file's version resource (its first translation); the system
  // searches for a bare name. Empty without one.
  virtual std::string FileVersionText(std::string_view file) = 0;
  virtual std::string CurrentDirectory() = 0;
  virtual LocalFileFacts Inspect(std::string_view path) = 0;
};

// A "FileVersion" text as the component shows it: split at "." (or at "," when there is no "."),
// each part as an unsigned number, joined with "."; "1, 2, 4, 60" gives "1.2.4.60". Empty when
// the text has neither.
std::string NormaliseFileVersion(std::string_view text);

// How a new version stands to the local one. The walk stops at the first number that differs;
// when the new version has no more numbers the two are equal (a server may name "1.2.4" for any
// 1.2.4.x), and a number the local version lacks counts as 0 there.
enum class VersionOrder { Newer, Equal, Older };
VersionOrder CompareVersions(std::string_view local, std::string_view newVersion);

// The replace decision for an entry whose local copy is described by `local`.
bool NeedsReplacing(const FileEntry& entry, std::string_view myVersion, const LocalFileFacts& local, long replaceRule);

struct CompletedEntry {
  std::string path;       // the local file the entry replaces
  std::string myVersion;  // the local copy's version
  bool needReplace = false;
};
// Finds the local copy of an entry, reads its version and decides. An entry whose name is not a
// plain file name (lw::IsPlainFileName), or whose full path would be too long, is never marked and is
// not looked up.
CompletedEntry CompleteEntry(const FileEntry& entry, LocalMachine& machine, long replaceRule);

}  // namespace updara
