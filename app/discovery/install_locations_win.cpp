#include "app/discovery/install_locations_win.h"

#include <windows.h>

#include <vector>

#include "app/discovery/sage_ini.h"
#include "app/discovery/sage_usr.h"
#include "app/discovery/version_rules.h"
#include "app/sdo/sdo_checks_win.h"
#include "app/state/settings_win.h"
#include "app/tools/files_win.h"
#include "app/tools/paths.h"
#include "app/tools/text.h"
#include "common/runtime_error.h"

namespace lw {

namespace {
ULONGLONG ModificationTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return 0;
  return (ULONGLONG(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

std::string MachineString(const std::string& appName, const std::string& section, const std::string& key) {
  try {
    return ReadMachineString(appName, section, key, "");
  } catch (const RuntimeError&) {
    return {};
  }
}

std::string CommonProgramFiles() { return NormaliseFolder(GetSpecialFolder("PROGRAM_FILES_COMMON")); }

std::string VersionIfThere(const std::string& path) { return FileExists(path) ? GetFileVersion(path) : std::string(); }

// A folder holding the program of this data version: sage.exe of that major version, or, where
// there is no sage.exe, sfw.exe of it.
bool HoldsProgramOfVersion(const std::string& folder, const std::string& dataVersion) {
  // An empty candidate would test the current folder.
  if (folder.empty()) return false;
  std::string sage = folder + "sage.exe";
  if (FileExists(sage)) return VersionMatchesData(GetFileVersion(sage), dataVersion);
  return VersionMatchesData(VersionIfThere(folder + "sfw.exe"), dataVersion);
}
}  // namespace

std::string GetSageIniPath() {
  std::string inWindows = NormaliseFolder(GetWindowsFolder()) + "SAGE.INI";
  std::string inAppData = NormaliseFolder(GetSpecialFolder("COMMON_APPDATA")) + "Sage\\Accounts\\SAGE.INI";
  ULONGLONG a = ModificationTime(inWindows), b = ModificationTime(inAppData);
  if (b > a) return inAppData;
  return a != 0 ? inWindows : std::string();
}

std::string GetLastDataPath() {
  std::string ini = GetSageIniPath();
  SharedFile file;
  // A file larger than any SAGE.INI is not one to take a folder from (nor to take into memory).
  if (ini.empty() || !FileExists(ini) || !OpenFileInput(ini, file) || file.Length() > kMaxSageIniBytes) return {};
  std::vector<uint8_t> bytes(static_cast<size_t>(file.Length()));
  SharedFileSource source(file);
  bytes.resize(source.ReadAt(0, bytes.data(), bytes.size()));
  return LastDataPathFromSageIni(std::string(bytes.begin(), bytes.end()));
}

std::string GetOnDiskCase(const std::string& path) {
  const std::string normalised = NormaliseFolder(path);
  // Wildcards would match some other entry and give a folder that was never asked for.
  if (normalised.size() < 3 || normalised.find_first_of("*?") != std::string::npos) return normalised;
  std::string result = normalised.substr(0, 3);
  size_t at = 3;
  while (at < normalised.size()) {
    size_t end = normalised.find('\\', at);
    std::string component = normalised.substr(at, end - at);
    at = end + 1;
    if (component.empty()) return normalised;
    WIN32_FIND_DATAA found{};
    HANDLE h = FindFirstFileA((result + component).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return normalised;
    FindClose(h);
    result += std::string(found.cFileName) + "\\";
  }
  return result;
}

std::string GetOdbcDataSourceFolder(const std::string& dataVersion) {
  return OdbcDataSourceFolder(MachineString("ODBC", "ODBC.INI\\SageLine50v" + dataVersion, "DataPathName"));
}

void ReadSageUsr(const std::string& path) {
  std::string p = LCase(Trim(path));
  if (!p.ends_with(".usr")) {
    if (!p.empty() && p.back() != '\\') p += '\\';
    p += "sage.usr";
  }
  SharedFile file;
  if (!FileExists(p) || !OpenFileBinaryRead(p, file)) return;
  SharedFileSource source(file);
  SageUsr usr = ReadSageUsrBytes(source, FileNameOf(p));
  if (!usr.read) return;
  Install.SageUserCount = usr.userCount;
  Install.SageCompanyCount = usr.companyCount;
  Install.EditionCode = usr.editionCode;
  Install.EditionName = usr.editionName;
}

void ReadApplicationConfig() {
  if (Install.SetupFolder.empty()) return;
  ApplyApplicationConfig(
      AnsiFromFileText(ReadUnchangedFile(Install.SetupFolder + "Application.config", kMaxApplicationConfigBytes)),
      Install);
}

bool ReadSageIniSwitches() {
  Install.UseDataPathForReports = Install.CompressUsingFileSize = Install.EnableDataFixing = false;
  if (Install.SageSettingsFolder.empty()) return false;
  std::string ini = Install.SageSettingsFolder + "SAGE.INI";
  ApplySageIniSwitches(ReadUnchangedFile(ini, kMaxSageIniBytes), Install);
  return Install.UseDataPathForReports;
}

void DiscoverInstallation(const std::string& dataPath, const std::string& dataVersion,
                          const std::string& programType) {
  const int v = int(Val(dataVersion));
  Install = Installation{};
  Install.SageSettingsFolder = NormaliseFolder(GetWindowsFolder());
  Install.CompanyFolder = CompanyFolderOf(dataPath);
  Install.SdoVersion = GetSdoDllVersion(dataVersion);
  if (v >= 12) Install.SbdVersion = VersionIfThere(CommonProgramFiles() + "Sage SBD\\SBDDesktop.exe");
  if (v >= 13)
    Install.ReportDesignerVersion =
        VersionIfThere(CommonProgramFiles() + "Sage Report Designer 2007\\SageReportDesigner.exe");
  Install.SageVersion = dataVersion;

  Install.ProgramFolder = NormaliseFolder(GetProgramFolderFromClsid(dataVersion, programType));
  if (Install.ProgramFolder.empty()) {
    const std::string candidates[] = {
        MachineString("Sage", "Line 50\\LastInstallPath", "(default)"),
        MachineString("Sage", "Line 50\\PreviousInstallPath", "(default)"),
        GetOdbcDataSourceFolder(dataVersion),
    };
    for (const std::string& candidate : candidates) {
      if (NormaliseFolder(candidate).empty()) continue;
      std::string folder = GetOnDiskCase(candidate);
      if (HoldsProgramOfVersion(folder, dataVersion)) {
        Install.ProgramFolder = folder;
        break;
      }
    }
  }

  if (v >= 14) {
    Install.SageSettingsFolder = NormaliseFolder(GetSpecialFolder("COMMON_APPDATA")) + "Sage\\Accounts\\";
    Install.SetupFolder = SetupFolderFor(Install.SageSettingsFolder, v, IsInstant(programType));
    ReadSageUsr(Install.SetupFolder);
    Install.EditionName = RenameEditionForYear(Install.EditionName, v);
    ReadApplicationConfig();
  } else if (!Install.ProgramFolder.empty()) {
    ReadSageUsr(Install.ProgramFolder);
  }

  ReadSageIniSwitches();
  Install.ReportsFolder = ReportsFolderFor(Install, v);
}

}  // namespace lw
