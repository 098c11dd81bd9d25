// Pure rules of the component object: state texts, progress-window text names, the Windows version
// text, the names derived from UpdaterName, version numbers, size texts and the small text helpers
// the component's portable files share.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace updara {

// StateText: 0 to 3, "Unknown state" for anything else.
const char* StateText(long state);

// The five progress-window texts and their defaults.
inline constexpr int kDialogTextCount = 5;
const char* DefaultDialogText(int index);
// Index of a text by its name ("progress" ... "downloading", any case); nullopt for another name.
std::optional<int> DialogTextIndex(std::string_view name);

// "%d.%d.%d.%d.%s": major, minor, platform, build and service-pack text.
std::string FormatWinVersion(unsigned long major, unsigned long minor, unsigned long platformId,
                             unsigned long build, std::string_view servicePack);

// Everything named after UpdaterName, from the temporary folder (ending in "\").
struct UpdaterNames {
  std::string replacementList;  // T + N + ".uda"
  std::string updaterExe;       // T + N + "Upd.exe"
  std::string restarterExe;     // T + N + "Str.exe"
  std::string journal;          // T + N + ".udj", the record of a run of replacements
  std::string mutex;            // N itself
  std::string handOverEvent;    // "Global\" + N + "__ev"
};
UpdaterNames NamesFor(std::string_view tempFolder, std::string_view updaterName);

// The numbers of a version text: split at the first "," of the rest, else its first "."; each piece
// read as atol does; an empty rest ends the list; at most 20 numbers.
std::vector<long> VersionNumbers(std::string_view version);

// A byte count for display: up to 1,024 as it is, then "%0.2f KB" and above 1,048,576 "%0.2f MB",
// in whole hundredths cut, not rounded (2,048 bytes are "2.04 KB").
std::string SizeText(long long bytes);

// Lower case of the ASCII letters; other bytes stay.
std::string LowerAscii(std::string_view text);
// As atol: leading blanks, an optional sign, then digits; anything else ends the number. Beyond
// the 32-bit range the number sticks at its end.
long LeadingNumber(std::string_view text);

// A burst of queued progress reports becomes one: the last values win. `next` hands out (and
// removes) the next queued report until it returns nullopt.
struct ProgressReport {
  long position = 0;
  long total = 0;
};
template <typename Next>
ProgressReport CollapseProgress(ProgressReport first, Next&& next) {
  ProgressReport latest = first;
  while (std::optional<ProgressReport> queued = next()) latest = *queued;
  return latest;
}

}  // namespace updara
