#include "app/shell/frm_main_window_win.h"

#include <algorithm>

#include "app/datafiles/data_files_win.h"
#include "app/diagnostics/frm_smb2_win.h"
#include "app/diagnostics/workstation.h"
#include "app/diagnostics/workstation_win.h"
#include "app/discovery/data_path_texts.h"
#include "app/discovery/install_locations_win.h"
#include "app/discovery/setup_dta_win.h"
#include "app/discovery/version_rules.h"
#include "app/sdo/sdo_session_win.h"
#include "app/sdo/speed_tests.h"
#include "app/shell/diagnostic_report_win.h"
#include "app/shell/startup_rules.h"
#include "app/state/app_state.h"
#include "app/state/settings_win.h"
#include "app/tools/colours.h"
#include "app/tools/files_win.h"
#include "app/tools/shell_win.h"
#include "app/tools/text.h"
#include "app/updates/frm_about_win.h"
#include "common/product.h"

namespace lw {

using forms::Rect;

namespace {

constexpr int kRow = 285;  // one line of labels, twips

std::string EnvironmentValue(const char* name) {
  char buf[256] = {};
  DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
  return n < sizeof buf ? std::string(buf, n) : std::string();
}

// Status marks and bulbs are drawn, so the program carries no bitmaps of its own.
// Strokes are polylines in twelfths of the picture's size; a negative x starts a new line.
void DrawStrokes(HDC dc, const RECT& r, COLORREF colour, std::initializer_list<POINT> twelfths) {
  int w = r.right - r.left, h = r.bottom - r.top;
  HPEN pen = CreatePen(PS_SOLID, std::max<int>(2, w / 6), colour);
  HGDIOBJ old = SelectObject(dc, pen);
  bool start = true;
  for (POINT p : twelfths) {
    if (p.x < 0) {
      start = true;
      continue;
    }
    int x = r.left + w * p.x / 12, y = r.top + h * p.y / 12;
    if (start) MoveToEx(dc, x, y, nullptr);
    else LineTo(dc, x, y);
    start = false;
  }
  SelectObject(dc, old);
  DeleteObject(pen);
}

void DrawTick(HDC dc, const RECT& r) { DrawStrokes(dc, r, RGB(0, 150, 0), {{2, 6}, {5, 9}, {10, 2}}); }

void DrawCross(HDC dc, const RECT& r) {
  DrawStrokes(dc, r, RGB(200, 0, 0), {{2, 2}, {10, 10}, {-1, 0}, {10, 2}, {2, 10}});
}

auto DrawBulb(COLORREF glass) {
  return [glass](HDC dc, const RECT& r) {
    int w = r.right - r.left, h = r.bottom - r.top;
    HBRUSH brush = CreateSolidBrush(glass);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    Ellipse(dc, r.left + w / 6, r.top + 1, r.right - w / 6, r.top + h * 3 / 4);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
    RECT base{r.left + w / 3, r.top + h * 3 / 4, r.right - w / 3, r.bottom - 1};
    FillRect(dc, &base, GetSysColorBrush(COLOR_BTNSHADOW));
  };
}

void DrawLogo(HDC dc, const RECT& r) {
  HBRUSH navy = CreateSolidBrush(RGB(20, 48, 96));
  FillRect(dc, &r, navy);
  DeleteObject(navy);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  LOGFONTA lf{};
  lf.lfHeight = -(r.bottom - r.top) / 4;
  lf.lfWeight = FW_BOLD;
  strcpy(lf.lfFaceName, "Tahoma");
  HFONT font = CreateFontIndirectA(&lf);
  HGDIOBJ old = SelectObject(dc, font);
  RECT text = r;
  DrawTextA(dc, kAppTitle, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, old);
  DeleteObject(font);
}

}  // namespace

frmMain::frmMain() : forms::Form("frmMain") {}

void frmMain::Layout() {
  Create(kAppTitle, 12480, 8970, forms::FormStyle::FixedSingle);

  // Top row: the data path, the log-in and the status marks.
  lblPath = &AddLabel("lblPath", {120, 165, 1050, 255}, "Data Path");
  lblPath->SetToolTipText(
      "Double click to set the Data Path to the last Company that was accessed by Sage on this computer.");
  txtPath = &AddTextBox("txtPath", {1200, 120, 4830, 315});
  txtPath->SetToolTipText("Enter the path to your Sage 50 data. Double click to open folder.");
  cmdBrowse = &AddButton("cmdBrowse", {6090, 120, 705, 315}, "Browse");
  cmdBrowse->SetToolTipText("Press this button to browse for your Sage Line 50 data.");
  Label4 = &AddLabel("Label4", {120, 525, 1050, 255}, "Company");
  lblName = &AddLabel("lblName", {1200, 525, 5595, 255}, "");
  Label5 = &AddLabel("Label5", {120, 915, 1050, 255}, "Username");
  txtUser = &AddTextBox("txtUser", {1200, 870, 1800, 315});
  Label6 = &AddLabel("Label6", {3450, 915, 900, 255}, "Password");
  txtPw = &AddTextBox("txtPw", {4380, 870, 1800, 315}, "", nullptr, forms::TextBox::Password);
  for (int i = 0; i < 2; ++i) {
    int left = i == 0 ? 3060 : 6240;
    imgCross[i] = &AddPicture(Format("imgCross(%d)", i), {left, 885, 285, 285});
    imgCross[i]->onPaint = DrawCross;
    imgTick[i] = &AddPicture(Format("imgTick(%d)", i), {left + 300, 885, 285, 285});
    imgTick[i]->onPaint = DrawTick;
    imgTick[i]->SetVisible(false);
  }
  imgTick[1]->SetToolTipText("Password is Correct");
  Label9 = &AddLabel("Label9", {7020, 165, 1140, 255}, "Data Version");
  lblVer = &AddLabel("lblVer", {8220, 165, 900, 255}, "");
  picAutoRefresh = &AddPicture("picAutoRefresh", {7020, 510, 1800, 315});
  chkRfrsh = &AddCheckBox("chkRfrsh", {0, 30, 255, 255}, "", picAutoRefresh);
  Label23 = &AddLabel("Label23", {300, 45, 1400, 255}, "Auto Refresh", picAutoRefresh);
  picBulbY = &AddPicture("picBulbY", {9300, 150, 420, 600});
  picBulbY->SetToolTipText("Checking for Updates");
  picBulbY->onPaint = DrawBulb(RGB(255, 220, 0));
  picBulbY->SetVisible(false);
  picBulbR = &AddPicture("picBulbR", {9780, 150, 420, 600});
  picBulbR->SetToolTipText("Checking RSS feed for update");
  picBulbR->onPaint = DrawBulb(RGB(220, 30, 30));
  picBulbR->SetVisible(false);
  picLogo = &AddPicture("picLogo", {10320, 120, 2040, 1050});
  picLogo->SetToolTipText("Click here to visit the Brenk Group's web pages.");
  picLogo->onPaint = DrawLogo;

  // Left column: the Sage installation, its users and updates.
  fraInfo = &AddFrame("fraInfo", {120, 1320, 6060, 2880}, "Sage Program Info");
  auto pair = [this](forms::Label*& caption, const char* captionName, const char* text, forms::Label*& value,
                     const char* valueName, int row, const char* design) {
    caption = &AddLabel(captionName, {150, 300 + row * kRow, 1350, 255}, text, fraInfo);
    value = &AddLabel(valueName, {1530, 300 + row * kRow, 4410, 255}, design, fraInfo);
  };
  pair(Label2, "Label2", "Program Path", lblProgPath, "lblProgPath", 0, "");
  pair(Label8, "Label8", "Settings Path", lblSetPath, "lblSetPath", 1, "");
  pair(Label16, "Label16", "Reports Path", lblRepPath, "lblRepPath", 2, "");
  pair(Label10, "Label10", "Serial Number", lblSerial, "lblSerial", 3, "");
  pair(Label14, "Label14", "Program Type", lblProgType, "lblProgType", 4, "");
  pair(Label7, "Label7", "Sage Version", lblSagVer, "lblSagVer", 5, "0.0.0");
  pair(Label11, "Label11", "SDO Version", lblSdo, "lblSdo", 6, "0.0.0");
  pair(Label25, "Label25", "SBD Version", lblSbd, "lblSbd", 7, "0.0.0");
  pair(Label26, "Label26", "REP Version", lblRep, "lblRep", 8, "0.0.0");
  // A long value stays on its one line instead of wrapping over the next; cut, it shows whole in its
  // tooltip.
  for (forms::Label* l : {lblProgPath, lblSetPath, lblRepPath}) {
    l->SetToolTipText("Double click to open folder.");
    l->SetOverflow(forms::Label::Overflow::PathEllipsis);
  }
  for (forms::Label* l : {lblName, lblVer, lblSerial, lblProgType, lblSagVer, lblSdo, lblSbd, lblRep})
    l->SetOverflow(forms::Label::Overflow::EndEllipsis);
  Label11->SetToolTipText("Sage Data Objects");
  Label25->SetToolTipText("SBD Desktop");
  Label26->SetToolTipText("Report Designer");

  fraQueue = &AddFrame("fraQueue", {120, 4260, 6060, 2340}, "Logged In Users");
  lviQueue = &AddListView("lviQueue", {120, 270, 5820, 1950}, fraQueue,
                          forms::ListView::FullRowSelect | forms::ListView::NoHeader);
  lviQueue->AddColumn("User", 5460);
  fraUpdates = &AddFrame("fraUpdates", {120, 6660, 6060, 2190}, "Installed Sage Updates");
  lviUpdates = &AddListView("lviUpdates", {120, 270, 5820, 1800}, fraUpdates,
                            forms::ListView::FullRowSelect | forms::ListView::NoHeader);
  lviUpdates->AddColumn("Update", 5460);

  // Right column: the workstation, sharing settings, data files and the speed test.
  Frame2 = &AddFrame("Frame2", {6300, 1320, 6060, 1350}, "Windows Info");
  Label17 = &AddLabel("Label17", {150, 255, 1200, 255}, "Version", Frame2);
  lblWvr = &AddLabel("lblWvr", {1380, 255, 4560, 255}, "", Frame2);
  Label24 = &AddLabel("Label24", {150, 255 + 270, 1200, 255}, "Processor", Frame2);
  lblProc = &AddLabel("lblProc", {1380, 255 + 270, 4560, 255}, "", Frame2);
  Label12 = &AddLabel("Label12", {150, 255 + 2 * 270, 1200, 255}, "Antivirus", Frame2);
  lblAvp = &AddLabel("lblAvp", {1380, 255 + 2 * 270, 4560, 255}, "", Frame2);
  Label22 = &AddLabel("Label22", {150, 255 + 3 * 270, 1200, 255}, "Memory Used", Frame2);
  lblMem = &AddLabel("lblMem", {1380, 255 + 3 * 270, 4560, 255}, "", Frame2);
  for (forms::Label* l : {lblWvr, lblProc, lblAvp, lblMem}) l->SetOverflow(forms::Label::Overflow::EndEllipsis);

  // The report temporary folder spans the column: its caption names the version and the state.
  fraTemp = &AddFrame("fraTemp", {6300, 2730, 6060, 720}, "Report Temp Folder");
  txtTemp = &AddTextBox("txtTemp", {150, 285, 5070, 315}, "", fraTemp);
  cmdTempFix = &AddButton("cmdTempFix", {5310, 285, 600, 315}, "Fix", fraTemp);
  cmdTempFix->SetToolTipText("Press this button to set the Reporting Temporary Files Folder.");
  cmdTempFix->SetEnabled(false);
  // Each sharing value beside the label that names it (its tooltip the full registry path), the
  // fix below them.
  auto setting = [this](forms::Frame* frame, int row, forms::Label*& caption, const char* captionName, const char* text,
                        const char* path, forms::Label*& value, const char* valueName) {
    caption = &AddLabel(captionName, {150, 270 + row * 255, 1470, 255}, text, frame);
    caption->SetToolTipText(std::string("HKLM\\System\\CurrentControlSet\\Services\\") + path);
    value = &AddLabel(valueName, {1650, 270 + row * 255, 1200, 255}, "", frame);
  };
  Frame1 = &AddFrame("Frame1", {6300, 3510, 2970, 1260}, "Oplocks");
  setting(Frame1, 0, Label3, "Label3", "Client Disabled", "MRXSmb\\Parameters\\OplocksDisabled", lblOpDis, "lblOpDis");
  setting(Frame1, 1, Label13, "Label13", "Server Enabled", "LanmanServer\\Parameters\\EnableOplocks", lblEnOp,
          "lblEnOp");
  cmdOpFix = &AddButton("cmdOpFix", {2250, 840, 600, 315}, "Fix", Frame1);
  cmdOpFix->SetToolTipText(
      "Press this button to turn oplocks on. You will need to reboot your computer for the change to take effect.");
  cmdOpFix->SetEnabled(false);
  fraSmb = &AddFrame("fraSmb", {9390, 3510, 2970, 1770}, "SMB Signing");
  setting(fraSmb, 0, Label15, "Label15", "Client Enabled", "LanmanWorkstation\\Parameters\\EnableSecuritySignature",
          lblSMBwe, "lblSMBwe");
  setting(fraSmb, 1, Label18, "Label18", "Client Required", "LanmanWorkstation\\Parameters\\RequireSecuritySignature",
          lblSMBwr, "lblSMBwr");
  setting(fraSmb, 2, Label19, "Label19", "Server Enabled", "LanmanServer\\Parameters\\EnableSecuritySignature",
          lblSMBse, "lblSMBse");
  setting(fraSmb, 3, Label20, "Label20", "Server Required", "LanmanServer\\Parameters\\RequireSecuritySignature",
          lblSMBsr, "lblSMBsr");
  cmdSMBfix = &AddButton("cmdSMBfix", {2250, 1350, 600, 315}, "Fix", fraSmb);
  cmdSMBfix->SetToolTipText(
      "Press this button to turn SMB Signing off. You will need to reboot your computer for the change to take "
      "effect.");
  cmdSMBfix->SetEnabled(false);
  // Sixteen lines at most: the counts, the last transaction number and the two address counts.
  fraCounts = &AddFrame("fraCounts", {6300, 4830, 2970, 3480}, "Record Counts");
  lblCounts = &AddLabel("lblCounts", {150, 255, 2700, 3165}, "", fraCounts);
  fraSpeed = &AddFrame("fraSpeed", {9390, 5340, 2970, 3510}, "Speed Test");
  // By index: the five single tests, each with its last rate beside it, then all of them; shown
  // with "All Tests" on top.
  for (int i = 0; i <= kAllTests; ++i) {
    const int top = 270 + (kAllTests - i) * 255;
    optTest[i] = &AddOption(Format("optTest(%d)", i), {150, top, 1800, 255},
                            i < kAllTests ? SpeedTestOf(i).caption : kAllTestsCaption, fraSpeed);
    if (i < kAllTests)
      lblRps[i] = &AddLabel(Format("lblRps(%d)", i), {1980, top + 30, 870, 225}, "", fraSpeed, forms::Align::Right);
  }
  optTest[kAllTests]->SetValue(true);
  cmdSpeed = &AddButton("cmdSpeed", {150, 1860, 1200, 345}, "Start", fraSpeed);
  cmdSpeed->SetToolTipText("Press this button to run the Speed Test");
  cmdSpeed->SetEnabled(false);
  lblNet = &AddLabel("lblNet", {1440, 1905, 1410, 255}, "Local Data", fraSpeed);
  PBar = &AddProgressBar("PBar", {150, 2310, 2670, 210}, fraSpeed);
  Label1 = &AddLabel("Label1", {150, 2610, 1800, 255}, "Records per Second:", fraSpeed);
  lblSpeed = &AddLabel("lblSpeed", {1980, 2610, 870, 255}, "", fraSpeed, forms::Align::Right);
  // Two lines for the engine's and the version check's texts, which can be long (a path, an
  // engine message); a longer one shows whole in the tooltip.
  lblRecs = &AddLabel("lblRecs", {150, 2880, 2700, 510}, "Not Connected", fraSpeed);
  lblRecs->SetOverflow(forms::Label::Overflow::Lines);
  for (forms::Label* l : {lblNet, lblSpeed}) l->SetOverflow(forms::Label::Overflow::EndEllipsis);

  picButtons = &AddPicture("picButtons", {6300, 8370, 3000, 480});
  cmdMenu = &AddButton("cmdMenu", {0, 60, 930, 375}, "Menu", picButtons);
  cmdMenu->SetToolTipText("Press this button to show a menu of useful tools.");
  cmdAbout = &AddButton("cmdAbout", {1005, 60, 930, 375}, "About", picButtons);
  cmdAbout->SetToolTipText("Press this button to view information about this program.");
  cmdExit = &AddButton("cmdExit", {2010, 60, 930, 375}, "Exit", picButtons);
  cmdExit->SetToolTipText("Press this button to close the program.");

  Timer1 = &AddTimer("Timer1", 5000, true);

  mnuMenu = &AddMenu("mnuMenu");
  mnuMenu->AddItem("mnuCompany", "Edit the Sage Company file");
  mnuMenu->AddItem("mnuSetupIni", "Edit the Sage.ini file");
  mnuMenu->AddItem("mnuErrors", "Errors from last Data Check");
  mnuMenu->AddItem("mnuWarnings", "Warnings from last Data Check");
  mnuMenu->AddItem("mnuComments", "Comments from last Data Check");
  mnuMenu->AddItem("mnuWatermark", "Delete Watermark");
  mnuMenu->AddItem("mnuSMB2", "Disable or Enable SMB2");
  mnuMenu->AddItem("mnuReportLine", "-");
  mnuMenu->AddItem("mnuSaveReport", "Save Diagnostic Report...");
  mnuMenu->AddItem("mnuCopyReport", "Copy Diagnostic Report");

  Timer1->onTimer = [this] { Timer1_Timer(); };
  chkRfrsh->onClick = [this] { chkRfrsh_Click(); };
  cmdExit->onClick = [this] { cmdExit_Click(); };
  cmdAbout->onClick = [this] { cmdAbout_Click(); };
  cmdMenu->onClick = [this] { cmdMenu_Click(); };
  txtPath->onChange = [this] { txtPath_Change(); };
  txtUser->onChange = [this] { txtUser_Change(); };
  txtPw->onChange = [this] { txtPw_Change(); };
  txtPath->onLostFocus = [this] { txtPath_LostFocus(); };
  txtPath->onDblClick = [this] { OpenFolderInExplorer(txtPath->Text()); };
  lblPath->onDblClick = [this] { lblPath_DblClick(); };
  cmdBrowse->onClick = [this] { cmdBrowse_Click(); };
  for (forms::Label* l : {lblProgPath, lblSetPath, lblRepPath})
    l->onDblClick = [l] { OpenFolderInExplorer(l->Caption()); };
  picLogo->onClick = [this] { picLogo_Click(); };
  lviQueue->onMouseDown = [this](int button, int, int) { rightButtonHeld_ |= button == 2; };
  lviQueue->onMouseUp = [this](int, int, int) { rightButtonHeld_ = false; };
  lviQueue->onItemClick = [this](int item) { lviQueue_ItemClick(item); };
  lblAvp->onClick = [this] { lblAvp_Click(); };
  lblMem->onClick = [this] { lblMem_Click(); };
  cmdOpFix->onClick = [this] { cmdOpFix_Click(); };
  cmdSMBfix->onClick = [this] { cmdSMBfix_Click(); };
  txtTemp->onChange = [this] { txtTemp_Change(); };
  cmdTempFix->onClick = [this] { cmdTempFix_Click(); };
  mnuMenu->Find("mnuWatermark")->onClick = [this] { mnuWatermark_Click(); };
  mnuMenu->Find("mnuSMB2")->onClick = [this] { mnuSMB2_Click(); };
  mnuMenu->Find("mnuSaveReport")->onClick = [this] { mnuSaveReport_Click(); };
  mnuMenu->Find("mnuCopyReport")->onClick = [this] { mnuCopyReport_Click(); };
  mnuMenu->Find("mnuCompany")->onClick = [this] { mnuCompany_Click(); };
  mnuMenu->Find("mnuSetupIni")->onClick = [this] { mnuSetupIni_Click(); };
  mnuMenu->Find("mnuErrors")->onClick = [this] { mnuErrors_Click(); };
  mnuMenu->Find("mnuWarnings")->onClick = [this] { mnuWarnings_Click(); };
  mnuMenu->Find("mnuComments")->onClick = [this] { mnuComments_Click(); };
  picBulbY->onClick = [this] { picBulbY_Click(); };
  for (int i = 0; i <= kAllTests; ++i) optTest[i]->onClick = [this, i] { optTest_Click(i); };
  cmdSpeed->onClick = [this] { cmdSpeed_Click(); };
  onUnload = [this](bool& cancel) { Form_Unload(cancel); };
  // A log-off during a long operation is asked to wait, as closing the window would be refused.
  onQueryEndSession = [](bool& cancel) { cancel = App.Busy; };
  onLoad = [this] { Form_Load(); };
}

void frmMain::Load() {
  Layout();
  forms::Form::Load();
}

void frmMain::Form_Load() {
  txtUser->SetText(GetAppSetting("UserCode", "Manager"));
  txtPw->SetText(RTrim(GetPasswordSetting()));

  for (forms::Label* l : {lblVer, lblSdo, lblSbd, lblRep, lblProgPath, lblSetPath, lblRepPath, lblSerial, lblProgType,
                          lblSagVer, lblSpeed, lblNet})
    l->SetCaption("");
  fraTemp->SetCaption("Report Temp Folder");
  fraSpeed->SetCaption("15 Second Speed Test");
  txtTemp->SetText("");
  txtTemp->SetEnabled(false);
  txtTemp->SetForeColor(kNormalColour);
  txtTemp->SetBackColor(forms::kColorButtonFace);

  SetCaption(MainWindowCaption(EnvironmentValue("USERNAME"), EnvironmentValue("COMPUTERNAME")));

  // Ticks replace crosses, and the red bulb the yellow one, in place.
  for (int i = 0; i < 2; ++i) imgTick[i]->SetLeft(imgCross[i]->Left());
  picBulbR->SetLeft(picBulbY->Left());

  if (!App.NewRssVer.empty()) {
    picBulbY->SetToolTipText("A program update to " + App.NewRssVer + " is available - Click the Bulb for details");
    picBulbY->SetVisible(true);
  }
  chkRfrsh->SetValue(GetAppSetting("UserRefresh", "N") == "Y" ? 1 : 0);
  ShowOplocks();
  ShowSigning();

  Show();
  App.MainWindowReady = true;
  SetWaitProgressWindow(Hwnd());

  // The workstation, once the window is up: the processor first, its width is part of the version.
  lblProc->SetCaption(GetProcessor(CpuWidth));
  lblWvr->SetCaption(GetWindowsVersion(CpuWidth, OsDetails));
  lblWvr->SetToolTipText(OsDetails);
  if (forms::MenuItem* smb2 = mnuMenu->Find("mnuSMB2")) smb2->visible = Smb2MenuVisible(OsDetails);
  lblAvp_Click();
  lblMem_Click();

  if (GetAppSetting("LoginStatus", "").starts_with('0')) {
    // The last run began a log-in and never finished it: no automatic log-in this time.
    txtUser->SetText("");
    txtPw->SetText("");
  } else {
    txtPath->SetText(App.DataPath);
  }
}

void frmMain::Timer1_Timer() {
  lblMem_Click();
  // Products known only by name (the newer Security Center) have no state worth polling.
  if (!AvCompanies.empty()) lblAvp_Click();
  if (!Trim(lblName->Caption()).empty() && chkRfrsh->Value() == 1) {
    ReadLoginQueue(txtPath->Text());
    RefreshQueueList(false);
  }
  // Once a run, on the first tick: the check runs in the background behind the red bulb.
  if (App.RssCheckDue) {
    App.RssCheckDue = false;
    App.NewRssVer.clear();
    App.RssDetails.clear();
    picBulbY->SetVisible(false);
    picBulbR->SetVisible(true);
    if (frmGetRss* rss = NewRssWindow()) rss->LoadHidden();
  }
}

void frmMain::chkRfrsh_Click() {
  bool ticked = chkRfrsh->Value() == 1;
  SaveUserSetting("UserRefresh", ticked ? "Y" : "N");
  // The tick set by the load handler comes before the window is ready and starts nothing.
  if (ticked && !App.Busy && !App.RssCheckDue && App.MainWindowReady) Timer1_Timer();
}

void frmMain::SetBusy(bool busy) {
  App.Busy = busy;
  const BusyView view = BusyViewOf({busy, !Trim(lblName->Caption()).empty(), txtTemp->ForeColor() == kWarningColour,
                                    !txtTemp->Tag().empty()});
  Timer1->SetEnabled(view.timerEnabled);
  for (forms::Control* c : std::initializer_list<forms::Control*>{txtPath, txtUser, txtPw, cmdBrowse, cmdAbout, cmdSpeed})
    c->SetEnabled(view.inputsEnabled);
  for (forms::OptionButton* o : optTest) o->SetEnabled(view.inputsEnabled);
  cmdMenu->SetEnabled(view.menuEnabled);
  cmdExit->SetCaption(view.exitCaption);
  if (view.sharingFixesOff) {
    cmdOpFix->SetEnabled(false);
    cmdSMBfix->SetEnabled(false);
  } else {
    ShowOplocks();
    ShowSigning();
  }
  cmdTempFix->SetEnabled(view.tempFixEnabled);
  txtTemp->SetEnabled(view.tempBoxEnabled);
  for (forms::TextBox* t : {txtPath, txtUser, txtPw, txtTemp})
    t->SetBackColor(t->Enabled() ? forms::kColorWindow : forms::kColorButtonFace);
}

void frmMain::cmdExit_Click() {
  if (cmdExit->Caption() == "Stop") StopRequested = true;
  else Unload();
}

// After an update that has to replace the program's own files, the program ends here.
void frmMain::cmdAbout_Click() {
  {
    frmAbout about;
    about.ShowModal(this);
  }
  if (!App.EndRequested) return;
  bool cancel = false;
  Form_Unload(cancel);
  forms::EndProgram();
}

void frmMain::cmdMenu_Click() {
  if (App.Busy) return;
  RefreshCheckDataMenus();
  forms::PopupMenu(*this, *mnuMenu);
}

void frmMain::mnuSMB2_Click() {
  frmSMB2 smb2;
  smb2.ShowModal(this);
}

void frmMain::optTest_Click(int index) {
  SelectedTest = index;
  CheckSdoLogin(false);
}

void frmMain::txtUser_Change() { CheckSdoLogin(false); }

void frmMain::txtPw_Change() { CheckSdoLogin(false); }

bool frmMain::CheckSdoLogin(bool keepOpen) {
  LoginFacts facts;
  facts.dataFolder = !Trim(lblName->Caption()).empty();
  facts.versionSupported = facts.dataFolder && IsDataVersionSupported();
  facts.refusal = Sdo.SdoErrorText;
  facts.userName = txtUser->Text();
  facts.users = DataFiles.UserList;
  facts.busy = App.Busy;
  if (std::optional<LoginView> refused = LoginViewBeforeEngine(facts)) {
    ShowLogin(*refused);
    return false;
  }
  // The user is known: the name mark is shown at once, the password mark once the engine has
  // answered, so nothing repaints in between.
  imgCross[0]->SetVisible(false);
  imgTick[0]->SetVisible(true);
  SaveUserSetting("UserCode", Trim(txtUser->Text()));
  SavePasswordSetting(Trim(txtPw->Text()));

  EngineAnswer answer;
  answer.loggedIn = OpenSdoSession();
  answer.errorCode = Sdo.ErrorCode;
  answer.errorText = Sdo.SdoErrorText;
  if (answer.loggedIn) {
    const SpeedTest& test = SpeedTestOf(SelectedTest);
    answer.testName = test.name;
    SdoRecord records;
    if (Sdo.Workspace.CreateObject(test.className, records)) answer.recordCount = records.Count().value_or(0);
  }
  const LoginView view = LoginViewAfterEngine(facts, answer);
  if (!answer.loggedIn) Sdo.SdoErrorText = view.recs.text;
  ShowLogin(view);
  if (answer.loggedIn && !keepOpen) CloseSdoSession();
  return answer.loggedIn;
}

void frmMain::ShowLogin(const LoginView& view) {
  for (int i = 0; i < 2; ++i) {
    imgTick[i]->SetVisible(view.tick[i]);
    imgCross[i]->SetVisible(view.cross[i]);
    if (view.cross[i]) imgCross[i]->SetToolTipText(view.crossTip[i]);
  }
  ShowLabel(*lblRecs, view.recs);
  cmdSpeed->SetEnabled(view.speedEnabled);
}

void frmMain::ShowLabel(forms::Label& label, const LabelView& view) {
  label.SetCaption(view.text);
  label.SetForeColor(view.colour);
  label.SetToolTipText(view.tip);
}

void frmMain::txtPath_Change() {
  std::string path = txtPath->Text();
  lblName->SetCaption(GetCompanyName(path));
  lblMem_Click();
  if (Trim(lblName->Caption()).empty())
    ShowNoDataFolder();
  else
    ShowDataFolder(path);
  // Repaint the panels before the next keystroke is handled.
  forms::DoEvents();
}

void frmMain::ShowNoDataFolder() {
  DataFiles.UserList = {"manager"};
  CheckSdoLogin(false);
  cmdSpeed->SetEnabled(false);
  ShowSagePanels(EmptySagePanels());
  lblSpeed->SetCaption("");
  if (PBar->Value() > 0) PBar->SetValue(0);
  RefreshQueueList(true);
  fraTemp->SetCaption("Report Temp Folder");
  txtTemp->SetText("");
  txtTemp->SetForeColor(kNormalColour);
  txtTemp->SetEnabled(false);
  txtTemp->SetBackColor(forms::kColorButtonFace);
  ShowReportTemp("0");
}

void frmMain::ShowDataFolder(const std::string& path) {
  const DataFolderFacts facts = AnalyseDataFolder(path);
  ShowSagePanels(SagePanelsOf(facts));
  RefreshCheckDataMenus();
  ReadLoginQueue(path);
  RefreshQueueList(false);
  ShowReportTemp(App.DataVersion);
  App.DataPath = DataPathForStorage(txtPath->Text());
  // Only a folder the engine let us into is remembered for the next start.
  if (CheckSdoLogin(false)) SaveAppSetting("DataPath", App.DataPath);
}

void frmMain::ShowSagePanels(const SagePanelsView& view) {
  for (auto [label, shown] : {std::pair{lblVer, &view.ver}, std::pair{lblSdo, &view.sdo}, std::pair{lblSbd, &view.sbd},
                              std::pair{lblRep, &view.rep}, std::pair{lblProgPath, &view.progPath},
                              std::pair{lblSetPath, &view.setPath}, std::pair{lblRepPath, &view.repPath},
                              std::pair{lblSerial, &view.serial}, std::pair{lblProgType, &view.progType},
                              std::pair{lblSagVer, &view.sagVer}, std::pair{lblNet, &view.net},
                              std::pair{lblCounts, &view.counts}}) {
    ShowLabel(*label, *shown);
  }
  // The version follows its caption, whose width changes with the text.
  Label11->SetCaption(view.sdoCaption.text);
  Label11->SetWidth(Label11->TextWidth(Label11->Caption()));
  lblSdo->SetLeft(Label11->Left() + Label11->Width() + 60);
  cmdMenu->SetEnabled(view.menuEnabled);
  std::vector<forms::ListItem> updates;
  for (const InstalledUpdate& u : view.updates) updates.push_back({u.name, {}, u.date, {}, {}});
  // An unchanged list is left as it is, so the list view does not flicker on each keystroke.
  lviUpdates->SetItems(updates);
}

void frmMain::txtPath_LostFocus() {
  if (Trim(txtPath->Text()).empty()) txtPath->SetText(GetLastDataPath());
}

void frmMain::lblPath_DblClick() { txtPath->SetText(GetLastDataPath()); }

void frmMain::cmdBrowse_Click() {
  std::string chosen = LCase(Trim(forms::ShowOpenFileDialog(Hwnd(), "Browse for setup.dta",
                                                             "Sage Data Files (Setup.dta)|setup.dta", txtPath->Text(),
                                                             4100)));
  constexpr std::string_view kSetup = "\\setup.dta";
  if (chosen.size() > kSetup.size() && chosen.ends_with(kSetup))
    txtPath->SetText(chosen.substr(0, chosen.size() - kSetup.size()));
}

void frmMain::picLogo_Click() { ShellOpen(App.RegionWebSite, Hwnd()); }

void frmMain::RefreshQueueList(bool clearOnly) {
  if (clearOnly) {
    lviQueue->Clear();
    return;
  }
  std::vector<forms::ListItem> items;
  for (const QueueEntry& e : DataFiles.LoginQueue)
    items.push_back({e.user + AccessModeSuffix(e.status), {}, e.station, e.user, {}});
  // An unchanged queue leaves the list as it is: the refresh timer must not make it flicker.
  lviQueue->SetItems(items);
}

void frmMain::lviQueue_ItemClick(int item) {
  if (!rightButtonHeld_ || App.Busy) return;
  const forms::ListItem entry = lviQueue->Item(item);
  std::string question = "Do you want to Clear User " + entry.tag + " who was logged on at Station: " +
                         entry.toolTip + " ?\r\n\r\nDo NOT click Yes unless you are ABSOLUTELY SURE that this user is not "
                         "in Sage.\r\n\r\nIf you clear a user who is still active you will CORRUPT YOUR SAGE DATA FILES.";
  if (forms::MsgBox(question, MB_YESNO | MB_ICONQUESTION, "Clear Locked User") != IDYES) return;
  // The records are those of the listing the user chose from, whatever the data version is now.
  const QueueClearOutcome outcome = ClearQueueUser(App.DataPath, entry.tag, DataFiles.QueueRecordLength);
  ReadLoginQueue(txtPath->Text());
  RefreshQueueList(false);
  if (const std::string report = QueueClearReport(entry.tag, outcome); !report.empty())
    forms::MsgBox(report, MB_ICONEXCLAMATION, "Clear Locked User");
}

void frmMain::lblAvp_Click() {
  lblAvp->SetCaption(GetAntiVirus(AvCompanies, AvColour));
  lblAvp->SetToolTipText(AvCompanies);
  lblAvp->SetForeColor(AvColour);
}

void frmMain::lblMem_Click() {
  lblMem->SetCaption(GetMemoryStatus());
  lblMem->SetToolTipText(Workstation.MemTip);
  lblMem->SetForeColor(Workstation.MemColour);
}

void frmMain::picBulbY_Click() {
  if (App.Busy) return;
  // A background check that is closing keeps the bulb until it has gone.
  frmGetRss* rss = NewRssWindow();
  if (!rss) return;
  SetBusy(true);
  picBulbY->SetVisible(false);
  picBulbR->SetVisible(true);
  rss->ShowModal(this);
  SetBusy(false);
}

frmGetRss* frmMain::NewRssWindow() {
  // A window still open may be inside one of its handlers further up the stack: never replaced.
  if (rssWindow_ && rssWindow_->Loaded()) return nullptr;
  rssWindow_ = std::make_unique<frmGetRss>();
  rssWindow_->onRssResult = [this](bool found) { RssResult(found); };
  return rssWindow_.get();
}

void frmMain::RssResult(bool found) {
  picBulbR->SetVisible(false);
  if (!found) return;
  picBulbY->SetToolTipText("A program update to " + App.NewRssVer + " is available - Click the Bulb for details");
  picBulbY->SetVisible(true);
  // As if About had been clicked; the About window is the place to install the update.
  if (!App.Busy && cmdAbout->onClick) {
    auto about = cmdAbout->onClick;
    about();
  }
}

void frmMain::Form_Unload(bool& cancel) {
  if (App.Busy) {
    cancel = true;
    return;
  }
  SetWaitProgressWindow(nullptr);
  // The program ends with its main window: a background check still open goes with it.
  if (rssWindow_) rssWindow_->Unload();
}

}  // namespace lw
