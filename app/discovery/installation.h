// The Sage installation that belongs to a data folder, and the rules that derive its folders and
// versions from the data version and the installation's own files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lw {

struct InstalledUpdate {
  std::string name;
  std::string date;
};

// Values found by DiscoverInstallation; all cleared at its start.
struct Installation {
  std::string SageSettingsFolder;  // folder of SAGE.INI
  std::string SetupFolder;         // data version 14 on: the year's shared-settings folder
  std::string CompanyFolder;       // the folder above ACCDATA
  std::string ProgramFolder;
  std::string ReportsFolder;
  std::string SageVersion;  // the data version, or Application.config's full version
  std::string SdoVersion;
  std::string SbdVersion;
  std::string ReportDesignerVersion;
  std::string EditionCode;
  std::string EditionName;
  unsigned SageUserCount = 0;
  unsigned SageCompanyCount = 0;
  bool UseDataPathForReports = false;
  bool CompressUsingFileSize = false;
  bool EnableDataFixing = false;
  std::vector<InstalledUpdate> InstalledUpdates;  // shown numbered from 1, names unique
};
extern Installation Install;

// The year's folder below the settings folder: 14 gives 2008, 18 gives 2012; Instant data before
// version 16 has its own ("2009Instant\"). Empty before version 14.
std::string SetupFolderFor(const std::string& settingsFolder, int dataVersion, bool instant);
// The data path without its last 8 characters ("\ACCDATA"); empty for a blank path.
std::string CompanyFolderOf(const std::string& dataPath);
// The ODBC data source's DataPathName as a folder, with a final ACCDATA folder taken off.
std::string OdbcDataSourceFolder(const std::string& dataPathName);
// Empty when the folder it would lie in is unknown.
std::string ReportsFolderFor(const Installation& install, int dataVersion);
// True when a file version's first field is the data version.
bool VersionMatchesData(const std::string& fileVersion, const std::string& dataVersion);

// Sets the three flags from SAGE.INI text (a flag's text anywhere in the file, in any case).
void ApplySageIniSwitches(std::string_view iniText, Installation& install);

// The largest Application.config that is read: tens of thousands of updates.
inline constexpr uint64_t kMaxApplicationConfigBytes = 8u << 20;

// "18.00.0010.0208" gives "18.0.10.208": numbers without leading zeros, empty fields left out.
std::string FullVersionText(const std::string& fullVersion);
// Application.config (any case): the full version replaces SageVersion; each update block with a
// name not listed yet is appended. Names and dates come out upper case.
void ApplyApplicationConfig(std::string_view configText, Installation& install);

}  // namespace lw
