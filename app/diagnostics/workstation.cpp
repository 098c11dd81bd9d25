#include "app/diagnostics/workstation.h"

#include <cinttypes>

#include "app/tools/text.h"

namespace lw {

namespace {

// Whole units, rounded to the nearest with halves up, as the figures have always been shown:
// 2095848 Kb of memory is 2047 Mb, not 2046.
uint64_t RoundedUnits(uint64_t bytes, uint64_t unit) {
  uint64_t whole = bytes / unit;
  return bytes % unit * 2 >= unit ? whole + 1 : whole;
}

struct KnownWindows {
  std::string_view start;
  std::string_view name;
};
constexpr KnownWindows kKnownWindows[] = {
    {"4.0.1.", "Windows 95 "},   {"4.10.1", "Windows 98 "},    {"4.90.1", "Windows ME "},
    {"4.0.2.", "Windows NT "},   {"5.0.2.", "Windows 2000 "},  {"5.1.2.", "Windows XP "},
    {"5.2.2.", "Windows 2003 "}, {"6.0.2.", "Windows Vista "}, {"6.1.2.", "Windows 7 "},
};

}  // namespace

std::string CpuWidthText(std::string_view addressWidth) {
  std::string width = Trim(addressWidth);
  return width.empty() ? std::string() : width + "bit";
}

std::string OsDetailsText(std::string_view version, std::string_view cpuWidth) {
  return Trim(std::string(version) + " " + std::string(cpuWidth));
}

std::string WindowsVersionText(std::string_view version, std::string_view cpuWidth, bool userIsAdmin) {
  std::string suffix = Trim(GetField(version, 5, ".") + (userIsAdmin ? " (Administrator)" : " (Normal User)"));
  if (cpuWidth.starts_with("64")) suffix = "64bit " + suffix;
  const std::string_view start = version.substr(0, 6);
  for (const KnownWindows& w : kKnownWindows)
    if (start == w.start) return std::string(w.name) + suffix;
  return std::string(version) + " " + suffix;
}

bool Smb2MenuVisible(std::string_view osDetails) {
  const std::string major = GetField(osDetails, 1, ".");
  if (major.empty() || major.find_first_not_of("0123456789") != std::string::npos) return false;
  return Val(major) >= 6;
}

AntiVirusReport DescribeAntiVirus(const std::vector<AntiVirusProduct>& products) {
  AntiVirusReport report;
  for (const AntiVirusProduct& p : products) {
    const std::string name = Trim(p.displayName);
    if (name.empty()) continue;
    report.companies = Trim(report.companies + " " + Trim(p.companyName));
    report.text = Trim(report.text + " " + Trim(name + " " + Trim(p.versionNumber)) + " is " +
                       (p.onAccessScanningEnabled ? "enabled" : "disabled") + " and " +
                       (p.productUptoDate ? "up to date" : "out of date"));
    report.colour = p.onAccessScanningEnabled && p.productUptoDate ? kNormalColour : kWarningColour;
  }
  return report;
}

std::string ListAntiVirusNames(const std::vector<std::string>& displayNames) {
  std::string text;
  for (const std::string& n : displayNames) {
    const std::string name = Trim(n);
    if (!name.empty()) text = Trim(text + " " + name);
  }
  return text;
}

MemoryReport DescribeMemory(uint32_t loadPercent, uint64_t totalBytes, uint64_t availableBytes) {
  // Available above total would be a torn reading; it must not turn into an enormous figure.
  const uint64_t used = totalBytes > availableBytes ? totalBytes - availableBytes : 0;
  MemoryReport report;
  report.caption = Format("%" PRIu64 "Mb of %" PRIu64 "Mb (%" PRIu32 "%%)", RoundedUnits(used, 1048576),
                          RoundedUnits(totalBytes, 1048576), loadPercent);
  if (loadPercent >= 80) {
    report.colour = kWarningColour;
    report.tip = "A Memory Upgrade is Recommended";
  } else {
    report.tip = Format("Available: %" PRIu64 "Kb  Total Physical: %" PRIu64 "Kb", RoundedUnits(availableBytes, 1024),
                        RoundedUnits(totalBytes, 1024));
  }
  return report;
}

std::string DataLocationDrive(std::string_view path) {
  if (path.starts_with("\\\\") || path.size() < 2 || path[1] != ':') return {};
  return std::string(path.substr(0, 2));
}

std::string DataLocationText(std::string_view path, bool driveIsRemote) {
  if (path.starts_with("\\\\")) return "UNC Path - You should be using a mapped drive letter";
  if (DataLocationDrive(path).empty()) return {};
  return driveIsRemote ? "Network Data" : "Local Data";
}

}  // namespace lw
