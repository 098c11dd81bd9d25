#include "app/shell/diagnostic_report_win.h"

#include <windows.h>

#include "app/datafiles/data_files_win.h"
#include "app/datafiles/login_queue.h"
#include "app/diagnostics/file_sharing_win.h"
#include "app/diagnostics/report_temp_win.h"
#include "app/diagnostics/workstation.h"
#include "app/diagnostics/workstation_win.h"
#include "app/discovery/install_locations_win.h"
#include "app/discovery/setup_dta_win.h"
#include "app/discovery/version_rules.h"
#include "app/state/app_state.h"
#include "app/state/program_win.h"
#include "app/state/settings_win.h"
#include "app/tools/files_win.h"
#include "app/tools/text.h"
#include "updara_idl.h"

namespace lw {

namespace {

// The file the update component is registered from.
std::string ComponentFile() {
  const GUID& id = __uuidof(UpdaraCom);
  const std::string key = Format("CLSID\\{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}\\InprocServer32",
                                 static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1],
                                 id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
  char path[MAX_PATH] = {};
  DWORD size = sizeof path;
  if (RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, path, &size) != ERROR_SUCCESS)
    return {};
  return path;
}

LabelView LabelOf(const SharingLabel& shown) { return {shown.view.caption, shown.view.colour, shown.tip}; }

std::string Now() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return Format("%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

}  // namespace

DataFolderFacts AnalyseDataFolder(const std::string& path) {
  DataFolderFacts facts;
  App.DataVersion = facts.dataVersion = GetDataVersion(path);
  facts.programType = Setup.ProgramType;
  DiscoverInstallation(path, facts.dataVersion, Setup.ProgramType);
  ReadUserList(path, facts.dataVersion);
  DataFiles.UserList[0] = "manager";
  ReadRecordCounts(path);
  facts.install = Install;
  facts.reportsFound = !Install.ReportsFolder.empty() && (FileExists(Install.ReportsFolder + "docerr.srt") ||
                                                          FileExists(Install.ReportsFolder + "docerr.report"));
  facts.dataLocation = GetDataLocation(path);
  facts.counts = DataFiles.Counts;
  return facts;
}

void StampReport(DiagnosticFacts& facts) {
  facts.created = Now();
  const ProgramVersion v = RunningVersion();
  facts.programVersion = Format("%d.%d.%d", v.major, v.minor, v.revision);
  const std::string component = ComponentFile();
  facts.componentVersion = component.empty() ? std::string() : GetFileVersion(component);
}

DiagnosticFacts GatherDiagnostics(const std::string& dataPath) {
  DiagnosticFacts facts;
  StampReport(facts);
  facts.dataPath = dataPath;
  facts.company = GetCompanyName(dataPath);
  std::string version = "0";
  if (Trim(facts.company).empty()) {
    facts.panels = EmptySagePanels();
  } else {
    const DataFolderFacts folder = AnalyseDataFolder(dataPath);
    version = folder.dataVersion;
    facts.panels = SagePanelsOf(folder);
    facts.users = DataFiles.UserList;
    ReadLoginQueue(dataPath);
    for (const QueueEntry& e : DataFiles.LoginQueue)
      facts.loggedIn.push_back(e.user + AccessModeSuffix(e.status) + "  " + e.station);
  }
  facts.sageIniFolder = Install.SageSettingsFolder;
  facts.login = {"Not checked: the command-line report does not log in", kNormalColour, ""};

  std::string cpuWidth, osDetails, avCompanies;
  uint32_t avColour = kNormalColour;
  facts.processor = {GetProcessor(cpuWidth), kNormalColour, ""};
  facts.windowsVersion = {GetWindowsVersion(cpuWidth, osDetails), kNormalColour, osDetails};
  facts.smb2MenuVisible = Smb2MenuVisible(osDetails);
  facts.antiVirus.text = GetAntiVirus(avCompanies, avColour);
  facts.antiVirus.colour = avColour;
  facts.antiVirus.tip = avCompanies;
  facts.memory.text = GetMemoryStatus();
  facts.memory.colour = Workstation.MemColour;
  facts.memory.tip = Workstation.MemTip;

  const std::array<SharingLabel, 2> oplocks = ReadOplockLabels();
  for (size_t i = 0; i < oplocks.size(); ++i) facts.oplocks[i] = LabelOf(oplocks[i]);
  const std::array<SharingLabel, 4> signing = ReadSigningLabels();
  for (size_t i = 0; i < signing.size(); ++i) facts.signing[i] = LabelOf(signing[i]);
  facts.reportTemp = ReadReportTemp(version, Install.ProgramFolder);
  return facts;
}

bool WriteReportFile(const std::string& path, const std::string& text, std::string& error) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  bool ok = file != INVALID_HANDLE_VALUE && WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr) &&
            written == text.size();
  DWORD code = ok ? 0 : GetLastError();
  if (file != INVALID_HANDLE_VALUE && !CloseHandle(file) && ok) {
    ok = false;
    code = GetLastError();
  }
  if (!ok) error = Format("The report could not be written to %s (error %lu).", path.c_str(), code);
  return ok;
}

ReportExit RunReportCommand(const ReportCommand& command) {
  if (!command.usageError.empty()) return ReportExit::Usage;
  // The data path the window would open, read without being stored.
  std::string dataPath = command.dataPath;
  if (dataPath.empty()) dataPath = GetAppSetting("DataPath", "");
  if (dataPath.empty()) dataPath = GetLastDataPath();
  DiagnosticFacts facts = GatherDiagnostics(dataPath);
  ReportExit exit = ReportExit::Written;
  if (Trim(facts.company).empty()) {
    facts.outcome = Trim(dataPath).empty() ? "No data path was given and none is known on this computer."
                                           : dataPath + " is not a Sage 50 data folder (no company name was read).";
    exit = ReportExit::NoDataFolder;
  }
  std::string error;
  return WriteReportFile(command.file, DiagnosticReportText(facts), error) ? exit : ReportExit::NotWritten;
}

}  // namespace lw
