#include "app/updates/frm_about_win.h"

#include <oleauto.h>

#include "app/discovery/setup_dta_win.h"
#include "app/sdo/sdo_checks_win.h"
#include "app/state/app_state.h"
#include "app/state/program_win.h"
#include "app/state/settings_win.h"
#include "app/tools/colours.h"
#include "app/tools/files_win.h"
#include "app/tools/shell_win.h"
#include "app/tools/text.h"
#include "common/com_text_win.h"
#include "common/product.h"

namespace lw {

namespace {

constexpr uint32_t kLinkBlue = 0xC00000;
constexpr char kSwitchTitle[] = "RSS Version Checking";
constexpr char kTurnOnQuestion[] =
    "RSS Internet Version Checking is turned OFF on this computer. Do you want to turn it ON ?";
constexpr char kTurnOffQuestion[] =
    "RSS Internet Version Checking is turned ON on this computer. Do you want to turn it OFF ?";

std::string OwnExecutable() {
  char path[MAX_PATH] = {};
  return std::string(path, GetModuleFileNameA(nullptr, path, sizeof path));
}

// The description the component gave its failure, else the system's text for the code.
std::string FailureText(HRESULT hr) {
  IErrorInfo* info = nullptr;
  std::string text;
  if (GetErrorInfo(0, &info) == S_OK && info) {
    BSTR description = nullptr;
    if (SUCCEEDED(info->GetDescription(&description))) text = AnsiText(description);
    SysFreeString(description);
    info->Release();
  }
  return Trim(text).empty() ? HresultText(hr) : text;
}

}  // namespace

std::string GetDocVersion(const std::string& path) { return DocVersionOf(ReadFileTail(path, kDocVersionTail)); }

std::string FileStampText(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!FileExists(path) || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return {};
  SYSTEMTIME utc{}, local{};
  if (!FileTimeToSystemTime(&data.ftLastWriteTime, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
    return {};
  return StampText({local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond});
}

std::string FileSizeText(const std::string& path) {
  uint64_t size = 0;
  return FileSize(path, size) ? std::to_string(size) : std::string();
}

std::string CheckTimeNow() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return CheckTimeText({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond});
}

CheckRequestCompany CurrentCompanyDetails() {
  CheckRequestCompany company;
  company.name = GetCompanyName(App.DataPath);
  company.address = ReadCompanyDetails(App.DataPath);
  company.telephone = Setup.CompanyTelephone;
  company.email = Setup.CompanyEmail;
  company.vatNumber = Setup.CompanyVatNumber;
  return company;
}

frmAbout::frmAbout() : forms::Form("frmAbout") {}

// The component goes with the window; a window destroyed without unloading still lets go of it.
frmAbout::~frmAbout() { oKiv.Release(); }

void frmAbout::Layout() {
  using forms::Rect;
  Create("About", 6720, 4140, forms::FormStyle::FixedDialog);

  lblTitle = &AddLabel("lblTitle", {240, 180, 6240, 390}, "Application Title");
  lblTitle->SetFont("Tahoma", 14, true);
  lblVersion = &AddLabel("lblVersion", {240, 660, 6240, 255}, "Version");
  lblRegion = &AddLabel("lblRegion", {240, 930, 6240, 255}, "Region");
  lblCopyright = &AddLabel("lblCopyright", {240, 1200, 6240, 255}, "");
  lblTrade = &AddLabel("lblTrade", {240, 1470, 6240, 480}, "Sage");

  lblWb = &AddLabel("lblWb", {240, 2070, 720, 255}, "Web:");
  lblWeb = &AddLabel("lblWeb", {1020, 2070, 5460, 255}, "Web:");
  lblEm = &AddLabel("lblEm", {240, 2340, 720, 255}, "Email:");
  lblEmail = &AddLabel("lblEmail", {1020, 2340, 5460, 255}, "Email:");
  for (forms::Label* link : {lblWeb, lblEmail}) link->SetForeColor(kLinkBlue);

  lblUpdate =
      &AddLabel("lblUpdate", {240, 2880, 4200, 480}, "Click this button to check that your program is up to date ==>");
  cmdWebUpdate = &AddButton("cmdWebUpdate", {4560, 2880, 1920, 375}, "Check for Update");
  cmdWebUpdate->SetToolTipText("Right click to turn the RSS version checking on or off.");
  cmdOK = &AddButton("cmdOK", {4560, 3540, 1920, 375}, "Exit");

  // Enter and Esc both leave the window as its Continue or Exit button does.
  SetDefaultButton(cmdOK);
  SetCancelButton(cmdOK);
  cmdOK->onClick = [this] { cmdOK_Click(); };
  cmdWebUpdate->onClick = [this] { cmdWebUpdate_Click(); };
  cmdWebUpdate->onMouseUp = [this](int button, int, int) { cmdWebUpdate_MouseUp(button); };
  lblUpdate->onDblClick = [this] { lblUpdate_DblClick(); };
  lblWeb->onClick = [this] { lblWeb_Click(); };
  lblEmail->onClick = [this] { lblEmail_Click(); };
  onLoad = [this] { Form_Load(); };
  onUnload = [this](bool& cancel) { Form_Unload(cancel); };
}

void frmAbout::Load() {
  if (!Loaded()) Layout();
  forms::Form::Load();
}

void frmAbout::ShowModal(forms::Form* owner) {
  if (!Loaded()) Layout();
  forms::Form::ShowModal(owner);
}

void frmAbout::CreateComponent() {
  UpdateComponent::Events events;
  events.CheckDone = [this](long n, long code, const std::string& text) { oKiv_CheckDone(n, code, text); };
  events.DownloadDone = [this](long code, const std::string& text) { oKiv_DownloadDone(code, text); };
  events.UpdateDone = [this](long code, const std::string& text) { oKiv_UpdateDone(code, text); };
  events.CloseApp = [this] { oKiv_CloseApp(); };
  events.PrevDetected = [this] { oKiv_PrevDetected(); };
  if (!oKiv.Create(std::move(events))) return;
  oKiv.SetRequireAdmin(true);
  oKiv.SetVisible(true);
  oKiv.SetBlocking(false);
}

void frmAbout::Form_Load() {
  CreateComponent();
  App.EndRequested = false;

  SetCaption(std::string("About ") + kAppTitle);
  lblTitle->SetCaption(kAppTitle);
  // Before the main window exists the program goes on to it from here.
  cmdOK->SetCaption(App.MainWindowReady ? "Exit" : "Continue");

  const std::string sdo = App.DataVersion.empty() ? std::string() : GetSdoDllVersion(App.DataVersion);
  lblVersion->SetCaption(AboutVersionLine(RunningVersion(), sdo));
  lblRegion->SetCaption("Region: " + App.CountryName);

  lblWeb->SetCaption(App.RegionWebSite);
  lblEmail->SetCaption(App.RegionEmail);
  const std::string exe = OwnExecutable();
  lblCopyright->SetCaption(GetFileVersionString(exe, "LegalCopyright"));
  lblTrade->SetCaption(GetFileVersionString(exe, "LegalTrademarks"));

  UpdateChk = GetAppSetting("UpdateChk", "");
  UpdateLog = GetAppSetting("UpdateLog", "");
  lblUpdate->SetCaption(UpdateStatusAtLoad(App.NewRssVer, UpdateChk));
}

void frmAbout::Form_Unload(bool&) { oKiv.Release(); }

void frmAbout::cmdOK_Click() { Unload(); }

void frmAbout::AskInternetSwitch(bool offerOffToo) {
  if (App.NoInternet) {
    if (forms::MsgBox(kTurnOnQuestion, MB_YESNO | MB_ICONEXCLAMATION, kSwitchTitle) == IDYES) {
      SaveGlobalSetting("NoInternet", "N");
      App.NoInternet = false;
    }
  } else if (offerOffToo) {
    if (forms::MsgBox(kTurnOffQuestion, MB_YESNO | MB_ICONEXCLAMATION, kSwitchTitle) == IDYES) {
      SaveGlobalSetting("NoInternet", "Y");
      App.NoInternet = true;
    }
  }
}

void frmAbout::cmdWebUpdate_Click() {
  // The check goes ahead whatever the answer: the switch is about the daily RSS check.
  AskInternetSwitch(false);
  App.NewRssVer.clear();
  SaveAppSetting("NewRssVer", "");
  lblUpdate->SetCaption("Checking for Updates");
  cmdOK->SetEnabled(false);
  const std::string url = UpdateCheckUrl(App.UpdateHost, App.CountryCode, RunningVersion(), CurrentCompanyDetails());
  if (!oKiv) {
    ShowFailure(oKiv.Failure());
    return;
  }
  if (HRESULT hr = oKiv.Check(url); FAILED(hr)) ShowFailure(FailureText(hr));
}

void frmAbout::cmdWebUpdate_MouseUp(int button) {
  if (button == 2) AskInternetSwitch(true);
}

void frmAbout::ShowFailure(const std::string& errorText) {
  lblUpdate->SetCaption("Update Check Failed");
  forms::MsgBox(errorText, MB_ICONHAND, "Check for Updates");
  cmdOK->SetEnabled(true);
}

void frmAbout::oKiv_CheckDone(long newFiles, long errorCode, const std::string& errorText) {
  if (errorCode != 0) {
    ShowFailure(errorText);
    return;
  }
  std::string report;
  long count = newFiles;
  const std::string programFolder = ProgramFolder();
  for (const ComRef<IUpdFile>& file : oKiv.Files()) {
    const UpdateEntry entry = ReadEntry(*file.get());
    LocalCopy local;
    const std::string localPath = LocalCopyPath(programFolder, entry.name);
    if (!localPath.empty()) {
      switch (KindOf(entry.name)) {
        case EntryKind::Document:
          local.docVersion = GetDocVersion(localPath);
          break;
        case EntryKind::Data:
          local.sizeText = FileSizeText(localPath);
          local.stamp = FileStampText(localPath);
          break;
        default:
          break;
      }
    }
    const EntryReview review = ReviewEntry(entry, local, programFolder);
    WriteEntry(*file.get(), entry, review);
    count += review.countChange;
    if (!report.empty()) report += "\r\n";
    report += review.reportLine;
  }
  if (!report.empty()) {
    UpdateLog = report;
    SaveAppSetting("UpdateLog", report);
  }
  if (count < 1) {
    UpdateChk = CheckTimeNow();
    SaveAppSetting("UpdateChk", UpdateChk);
    lblUpdate->SetCaption("No New Updates Found");
    cmdOK->SetEnabled(true);
    return;
  }
  lblUpdate->SetCaption("Update Found - Downloading");
  if (HRESULT hr = oKiv.Download(); FAILED(hr)) ShowFailure(FailureText(hr));
}

void frmAbout::oKiv_DownloadDone(long errorCode, const std::string& errorText) {
  if (errorCode != 0) {
    ShowFailure(errorText);
    return;
  }
  lblUpdate->SetCaption("Update Downloaded - Installing");
  if (HRESULT hr = oKiv.Update(); FAILED(hr)) ShowFailure(FailureText(hr));
}

void frmAbout::oKiv_UpdateDone(long errorCode, const std::string& errorText) {
  if (errorCode != 0) {
    ShowFailure(errorText);
    return;
  }
  UpdateChk = CheckTimeNow();
  SaveAppSetting("UpdateChk", UpdateChk);
  lblUpdate->SetCaption("Update Completed");
  cmdOK->SetEnabled(true);
}

void frmAbout::oKiv_CloseApp() {
  // The component is about to replace this program's own files: the restarted program shows
  // this window once, and whoever opened it ends the program now.
  UpdateChk = CheckTimeNow();
  SaveAppSetting("UpdateChk", UpdateChk);
  SaveAppSetting("NewUpdate", "Y");
  App.EndRequested = true;
  Unload();
}

void frmAbout::oKiv_PrevDetected() { oKiv.Clear(); }

void frmAbout::lblUpdate_DblClick() {
  const bool rssNews = !App.RssDetails.empty() && !App.NewRssVer.empty();
  forms::MsgBox(rssNews ? App.RssDetails : UpdateLog, MB_OK, kAppTitle);
}

void frmAbout::lblWeb_Click() {
  lblWeb->SetForeColor(kWarningColour);
  ShellOpen(AboutPageUrl(App.RegionWebSite, App.CountryCode, RunningVersion(), CurrentCompanyDetails()), Hwnd());
}

void frmAbout::lblEmail_Click() {
  lblEmail->SetForeColor(kWarningColour);
  ShellMailTo(lblEmail->Caption(), Hwnd());
}

}  // namespace lw
