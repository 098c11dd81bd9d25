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
  return {base + ".uda", base + "Upd.exe",         base + "Str.exe",
          base + ".udj", std::string(updaterName), "Global\\" + std::string(updaterName) + "__ev"};
}

std::string SizeText(long long bytes) {
  char text[48];
  if (bytes <= 1024) {
    std::snprintf(text, sizeof text, "%lld", bytes);
  } else if (bytes <= 1048576) {
    std::snprintf(text, sizeof text, "%0.2f KB", static_cast<double>(bytes / 10) * 0.01);
  } else {
    std::snprintf(text, sizeof text, "%0.2f MB", static_cast<double>(bytes / 10240) * 0.01);
  }
  return text;
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

long LeadingNumber(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  unsigned long long value = 0;
  for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
    if (value <= 0x80000000ULL) value = value * 10 + static_cast<unsigned>(s[i] - '0');
  }
  if (negative) return value >= 0x80000000ULL ? -2147483647L - 1 : -static_cast<long>(value);
  return value > 0x7fffffffULL ? 2147483647L : static_cast<long>(value);
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
