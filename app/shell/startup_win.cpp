#include "app/shell/startup_win.h"

#include <windows.h>

#include "app/discovery/install_locations_win.h"
#include "app/discovery/setup_dta_win.h"
#include "app/forms/forms_win.h"
#include "app/shell/app_state.h"
#include "app/shell/frm_main_window_win.h"
#include "app/shell/product.h"
#include "app/shell/settings_win.h"
#include "app/shell/startup_rules.h"
#include "app/tools/files_win.h"
#include "app/tools/text.h"
#include "app/updates/rss_reader_win.h"
#include "app/updates/frm_about_win.h"

namespace lw {

int ShowMessage(const std::string& text, unsigned style, const std::string& title) {
  return forms::MsgBox(text, style, title.empty() ? kFileDescription : title);
}

ProgramVersion RunningVersion() {
  char path[MAX_PATH] = {};
  std::string version = GetFileVersion(std::string(path, GetModuleFileNameA(nullptr, path, sizeof path)));
  if (version.empty()) return {kVersionMajor, kVersionMinor, kVersionRevision};
  return {int(Val(GetField(version, 1, "."))), int(Val(GetField(version, 2, "."))),
          int(Val(GetField(version, 3, ".")))};
}

int RunningRevision() { return RunningVersion().revision; }

CalendarDate Today() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay};
}

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

int Main(const std::string& commandLine) {
  if (AnotherInstanceIsRunning()) {
    ShowMessage(std::string("The ") + kAppTitle + " program is already running.", MB_ICONHAND, kAppTitle);
    return 0;
  }
  DecideRssCheck();
  PickRegion();

  // First run: the help document is shown by the help viewer once it is part of the program.
  if (GetAppSetting("FirstRun", "Y") == "Y") SaveAppSetting("FirstRun", "N");

  ChooseDataPath(commandLine);
  App.DataVersion = GetDataVersion(App.DataPath);

  // The session may also have ended while the About window was up.
  if (ShowAboutAfterUpdate() || forms::ProgramEnded()) return 0;

  frmMain main;
  main.Load();
  forms::RunMessageLoop(main);
  return 0;
}

}  // namespace lw
