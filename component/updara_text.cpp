#include "component/updara_text.h"

#include <cctype>
#include <cstdio>

namespace updara {
namespace {

constexpr const char* kDialogTexts[kDialogTextCount] = {"Progress", "Cancel", "Connecting", "Requesting",
                                                         "Downloading"};

bool SameTextNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// As atol: leading blanks, an optional sign, then digits; anything else ends the number.
long LeadingNumber(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  unsigned long long value = 0;
  for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
    if (value <= 0x80000000ULL) value = value * 10 + static_cast<unsigned>(s[i] - '0');
  }
  // Out of the 32-bit range the number sticks at its end rather than overflowing.
  if (negative) return value >= 0x80000000ULL ? -2147483647L - 1 : -static_cast<long>(value);
  return value > 0x7fffffffULL ? 2147483647L : static_cast<long>(value);
}

}  // namespace

const char* StateText(long state) {
  switch (state) {
    case 0: return "Not connected - idle.";
    case 1: return "Checking for new updates on the server.";
    case 2: return "Downloading updated files.";
    case 3: return "Replacing files.";
    default: return "Unknown state";
  }
}

const char* DefaultDialogText(int index) {
  return index >= 0 && index < kDialogTextCount ? kDialogTexts[index] : "";
}

std::optional<int> DialogTextIndex(std::string_view name) {
  for (int i = 0; i < kDialogTextCount; ++i) {
    if (SameTextNoCase(name, kDialogTexts[i])) return i;
  }
  return std::nullopt;
}

std::string FormatWinVersion(unsigned long major, unsigned long minor, unsigned long platformId,
                             unsigned long build, std::string_view servicePack) {
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, "%lu.%lu.%lu.%lu.", major, minor, platformId, build);
  return numbers + std::string(servicePack);
}

UpdaterNames NamesFor(std::string_view tempFolder, std::string_view updaterName) {
  const std::string base = std::string(tempFolder) + std::string(updaterName);
  return {base + ".uda", base + "Upd.exe", base + "Str.exe", std::string(updaterName),
          "Global\\" + std::string(updaterName) + "__ev"};
}

bool IsValidUpdaterName(std::string_view name) {
  if (name.empty() || name.find("..") != std::string_view::npos) return false;
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 32 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
      return false;
  }
  for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
    if (SameTextNoCase(name, device)) return false;
  }
  for (const char* numbered : {"COM", "LPT"}) {
    if (name.size() == 4 && SameTextNoCase(name.substr(0, 3), numbered) && name[3] >= '1' && name[3] <= '9')
      return false;
  }
  return true;
}

std::optional<ComponentUrl> ParseComponentUrl(std::string_view text) {
  if (text.empty()) return ComponentUrl{};
  ComponentUrl out;
  size_t sep = text.find("://");
  if (sep == std::string_view::npos) {
    // A drive path or a UNC path ("\\server\share\...") is a file; anything else names a host.
    const bool path = text.find(":\\") != std::string_view::npos || text.starts_with("\\\\");
    out.url = (path ? "file://" : "http://") + std::string(text);
    sep = out.url.find("://");
  } else {
    out.url = std::string(text);
  }
  out.scheme = Lower(std::string_view(out.url).substr(0, sep));
  if (out.scheme == "file") return out;  // the rest is a path, nothing more to read from it
  if (out.scheme != "http" && out.scheme != "https" && out.scheme != "ftp") return std::nullopt;
  const std::string_view rest = std::string_view(out.url).substr(sep + 3);
  const std::string_view authority = rest.substr(0, rest.find_first_of("/?&"));
  if (const size_t at = authority.find('@'); at != std::string_view::npos) {
    const std::string_view user = authority.substr(0, at);
    const size_t colon = user.find(':');
    out.login = std::string(user.substr(0, colon));
    if (colon != std::string_view::npos) out.password = std::string(user.substr(colon + 1));
  }
  return out;
}

std::vector<long> VersionNumbers(std::string_view version) {
  std::vector<long> numbers;
  while (!version.empty() && numbers.size() < 20) {
    size_t cut = version.find(',');
    if (cut == std::string_view::npos) cut = version.find('.');
    numbers.push_back(LeadingNumber(version.substr(0, cut)));
    version = cut == std::string_view::npos ? std::string_view() : version.substr(cut + 1);
  }
  return numbers;
}

}  // namespace updara
