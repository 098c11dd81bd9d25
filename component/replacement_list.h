// The replacement list that hands files over to the updater: written when a download ends, and
// read to clear an earlier run's leftovers and to notice files still waiting from one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace updara {

inline constexpr std::string_view kReplacementListSignature = "#UDA Signature";

struct ListedItem {
  bool process = false;  // a "?" line: a process to end, no file
  std::string source;    // the downloaded file, without a leading "#", up to ">"
};

struct ReplacementFile {
  bool registerServer = false;
  std::string newPath;  // the downloaded file
  std::string path;     // where it goes
  // NewDate and NewModificationDate as UTC file times; 0 when not set.
  std::uint64_t created = 0, modified = 0;
};

struct ReplacementList {
  std::string cmdLine;  // the host's command line, to restart it
  bool visible = false;
  std::string cmdBefore, cmdAfter;
  std::vector<long> processIds;  // processes to end first
  std::vector<ReplacementFile> files;
};

// The list as the updater reads it: "#UDA Signature" and the command line, "1" or "0", the two
// commands, a "?" line per process, then per file an optional "#", the downloaded file, ">" and the
// destination, and the two times as "|high|low" halves printed as signed numbers. Lines end in
// CR LF.
std::string FormatReplacementList(const ReplacementList& list);

// The items after the four header lines; nullopt when the text lacks the signature. Lines end in
// CR LF (a lone LF is taken too); empty lines are skipped.
std::optional<std::vector<ListedItem>> ReplacementListItems(std::string_view text);

}  // namespace updara
