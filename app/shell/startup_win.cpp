#include "app/shell/startup_win.h"

#include <windows.h>

#include "app/datafiles/data_files_win.h"
#include "app/diagnostics/workstation_win.h"
#include "app/discovery/install_locations_win.h"
#include "app/discovery/installation.h"
#include "app/discovery/setup_dta_win.h"
#include "app/forms/forms_win.h"
#include "app/sdo/sdo_session_win.h"
#include "app/shell/diagnostic_report_win.h"
#include "app/shell/frm_main_window_win.h"
#include "app/shell/frm_please_wait_win.h"
#include "app/shell/speed_put_back_win.h"
#include "app/shell/startup_rules.h"
#include "app/state/app_state.h"
#include "app/state/program_win.h"
#include "app/state/settings_win.h"
#include "app/tools/files_win.h"
#include "app/tools/shell_win.h"
#include "app/tools/text.h"
#include "app/updates/frm_about_win.h"
#include "app/updates/rss_reader_win.h"
#include "app/viewers/frm_help_win.h"
#include "app/viewers/text_viewer.h"
#include "common/product.h"

namespace lw {

namespace {

// The previous-instance test: a named mutex held for the whole run.
bool AnotherInstanceIsRunning() {
  static HANDLE running = nullptr;
  running = CreateMutexA(nullptr, FALSE, "Brenk.Ledgerwell.Running");
  return running && GetLastError() == ERROR_ALREADY_EXISTS;
}

void DecideRssCheck() {
  App.NoInternet = GetGlobalSetting("NoInternet", "N") == "Y";
  // The feed reader is part of this program: it is available when its feed server is an address it
  // can fetch from.
  App.RssServer = kRssServer;
  App.RssCheckDue = IsRssCheckDue(App.NoInternet, GetAppSetting("LastVerCheck", "0000-00-00"), Today(),
                                  RssReaderAvailable());
  App.NewRssVer = GetAppSetting("NewRssVer", "");
  if (IsAnnouncedVersionStale(App.NewRssVer, RunningRevision())) {
    App.NewRssVer.clear();
    SaveAppSetting("NewRssVer", "");
  }
}

void PickRegion() {
  App.ProgramCode = ProgramCodeOf(kAppTitle);
  App.CountryName = GetLocaleString(LOCALE_SENGCOUNTRY);
  App.CountryCode = GetLocaleString(LOCALE_ICOUNTRY);
  const RegionContacts& region = RegionForCountryCode(App.CountryCode);
  App.RegionCode = region.regionCode;
  App.TaxName = region.taxName;
  App.RegionWebSite = region.webSite;
  App.RegionEmail = region.email;
  App.UpdateHost = region.updateHost;
#ifdef LW_LOCAL_UPDATE_HOST
  // Builds that carry the test keys may send the check to a server of this machine's choosing
  // (HKLM, so only an administrator sets it): the answer must still come over HTTPS from a
  // certificate the machine trusts and be signed by a key of the component's ring.
  App.UpdateHost = ReadMachineString(kAppTitle, kLocalUpdateHostSection, kLocalUpdateHostValue, App.UpdateHost);
#endif
  App.SecondWebSite = kSecondWebSite;
}

void ChooseDataPath(const std::string& commandLine) {
  if (WantsLastSageDataPath(commandLine)) {
    App.DataPath = GetLastDataPath();
  } else {
    App.DataPath = GetAppSetting("DataPath", "");
    if (App.DataPath.empty()) {
      App.DataPath = GetLastDataPath();
      if (!GetCompanyName(App.DataPath).empty()) SaveAppSetting("DataPath", App.DataPath);
    }
  }
  SaveAppSetting("DataPath", App.DataPath);
}

}  // namespace

bool ShowAboutAfterUpdate() {
  if (GetAppSetting("NewUpdate", "Y") == "Y") {
    SaveAppSetting("NewUpdate", "N");
    frmAbout about;
    about.ShowModal();
  }
  return App.EndRequested;
}

void ResetApplicationState() {
  App = AppState{};
  Install = Installation{};
  Setup = SetupState{};
  CloseSdoSession();
  Sdo = SdoSessionState{};
  Workstation = WorkstationState{};
  DataFiles = DataFilesState{};
  ForgetFileCaches();
  Viewer = ViewerState{};
  SetWaitProgressWindow(nullptr);
  forms::ClearProgramEnded();
}

void InstallProgramHooks() {
  SetEventPump(forms::DoEvents);
  SetShellOpenNotice([] {
    frmPleaseWait wait;
    wait.ShowModal(forms::ActiveForm());
  });
}

int Main(const std::string& commandLine) {
  InstallProgramHooks();
  // The report shows no window and changes nothing, so it may run beside a running program.
  if (std::optional<ReportCommand> report = ParseReportCommand(commandLine))
    return static_cast<int>(RunReportCommand(*report));
  if (AnotherInstanceIsRunning()) {
    ShowMessage(std::string("The ") + kAppTitle + " program is already running.", MB_ICONHAND, kAppTitle);
    return 0;
  }
  DecideRssCheck();
  PickRegion();

  // The first run shows the documentation, when it is there.
  if (GetAppSetting("FirstRun", "Y") == "Y") {
    if (HelpFileExists()) {
      frmHelp help;
      help.ShowModal();
    }
    SaveAppSetting("FirstRun", "N");
    if (forms::ProgramEnded()) return 0;  // the session ended while the help was up
  }

  ChooseDataPath(commandLine);
  App.DataVersion = GetDataVersion(App.DataPath);

  // The session may also have ended while the About window was up.
  if (ShowAboutAfterUpdate() || forms::ProgramEnded()) return 0;
  // A write test that never finished left the original values it changed: offered before anything
  // else logs in to the data.
  OfferSpeedTestPutBack();

  frmMain main;
  main.Load();
  forms::RunMessageLoop(main);
  return 0;
}

}  // namespace lw
