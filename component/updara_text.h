// Pure rules of the component object: state texts, progress-window text names, the Windows version
// text, the names derived from UpdaterName, the component URL and version numbers.
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
  std::string mutex;            // N itself
  std::string handOverEvent;    // "Global\" + N + "__ev"
};
UpdaterNames NamesFor(std::string_view tempFolder, std::string_view updaterName);
// Whether a name may become UpdaterName: the files above must stay in the temporary folder, so it
// is a plain file name: not empty, no path separator or "..", none of the characters Windows
// refuses in a file name (control characters and <>:"/\|?*), and not a device name (CON, NUL,
// COM1, ...), which would turn the list into a device.
bool IsValidUpdaterName(std::string_view name);

// The URL property after it is set: a text without "://" gets "file://" in front when it is a
// local path (it holds ":\") or a UNC path (it starts with "\\"), any other such text "http://";
// user name and password come from the authority.
struct ComponentUrl {
  std::string url;
  std::string scheme;  // lower case: http, https, ftp or file
  std::string login;
  std::string password;
};
// nullopt when the scheme is not one of the four (error 30001). An empty text is no URL at all.
std::optional<ComponentUrl> ParseComponentUrl(std::string_view text);

// The numbers of a version text: split at the first "," of the rest, else its first "."; each piece
// read as atol does; an empty rest ends the list; at most 20 numbers.
std::vector<long> VersionNumbers(std::string_view version);

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
