// The texts of the main window's "Windows Info" frame and of the data location label, made from
// the facts the Windows layer gathers: the version text of our update component, the processor,
// the anti-virus products the Security Center lists, the memory figures and the drive type.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/tools/colours.h"

namespace lw {


// "64bit" from an address width of "64"; empty when the width is unknown.
std::string CpuWidthText(std::string_view addressWidth);

// The version text (major.minor.platform.build.service pack) and the processor width, as the
// window keeps them and shows them in the version label's tooltip.
std::string OsDetailsText(std::string_view version, std::string_view cpuWidth);
// The version label: the Windows name (or the version text itself when it is not one of the
// known ones), "64bit " on a 64-bit processor, the service pack and the user's rights.
std::string WindowsVersionText(std::string_view version, std::string_view cpuWidth, bool userIsAdmin);
// Whether the SMB2 tool is offered: only from Windows 6.0 on. The major version must be a whole
// number, so details that hold only the processor width (version unknown) never count as 64.
bool Smb2MenuVisible(std::string_view osDetails);

// One product as the first Security Center lists it.
struct AntiVirusProduct {
  std::string displayName, companyName, versionNumber;
  bool onAccessScanningEnabled = false;
  bool productUptoDate = false;
};
struct AntiVirusReport {
  std::string text;       // the label's caption
  std::string companies;  // the makers, blank-separated; non-empty means "refresh on every tick"
  uint32_t colour = kNormalColour;
};
// The first source: each named product with its version and state; the last product decides the
// colour, which is magenta unless it scans on access and is up to date.
AntiVirusReport DescribeAntiVirus(const std::vector<AntiVirusProduct>& products);
// The second source gives names only: they are listed, blank-separated.
std::string ListAntiVirusNames(const std::vector<std::string>& displayNames);

struct MemoryReport {
  std::string caption;  // "1534Mb of 2047Mb (75%)"
  std::string tip;
  uint32_t colour = kNormalColour;
};
// From the load percentage and the physical totals in bytes. A load of 80 or more is a warning.
MemoryReport DescribeMemory(uint32_t loadPercent, uint64_t totalBytes, uint64_t availableBytes);

// The drive ("D:") whose type decides where the data lies, or empty when the path does not
// start with a drive letter (a UNC or relative path).
std::string DataLocationDrive(std::string_view path);
// "Local Data", "Network Data", the UNC warning, or empty for a path without a drive.
std::string DataLocationText(std::string_view path, bool driveIsRemote);

}  // namespace lw
