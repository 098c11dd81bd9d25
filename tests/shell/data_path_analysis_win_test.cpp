// The main window's data path analysis and busy state, driven through the real window.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <regex>

#include "app/datafiles/data_files_win.h"
#include "app/diagnostics/workstation.h"
#include "app/diagnostics/workstation_win.h"
#include "app/discovery/installation.h"
#include "app/discovery/setup_dta_win.h"
#include "app/forms/forms_win.h"
#include "app/shell/frm_main_window_win.h"
#include "app/state/app_state.h"
#include "app/state/settings_win.h"
#include "app/tools/files_win.h"
#include "app/tools/paths.h"
#include "app/tools/text.h"
#include "tests/component/com_client_win.h"
#include "tests/fixtures/data_files.h"
#include "tests/fixtures/main_window_win.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/sdo_standin_win.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

class MainWindow : public fixtures::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    recipe.sdoVersion = "18.0.10.208";
    recipe.sbdVersion = "2.1.0.7";
    recipe.reportDesignerVersion = "3.2.1.0";
    recipe.applicationConfig.updates = {{"Update 1", "2012-01-10"}, {"Update 2", "2012-03-02"}};
  }
  void Type(const std::string& text) const {
    HWND box = forms::FindControl(form->Hwnd(), "txtPath");
    for (char c : text) {
      PostMessageA(box, WM_CHAR, WPARAM(static_cast<unsigned char>(c)), 1);
      forms::DoEvents();
      typed.push_back(Text("lblName"));
    }
  }
  void WriteQueue(const std::vector<fixtures::QueueRecord>& records) const {
    fixtures::WriteFile(dir.Path("Wickham/ACCDATA/queue.dta"), fixtures::BuildQueueDta(18, records));
  }
  std::vector<std::string> QueueTexts() const {
    std::vector<std::string> texts;
    for (int i = 0; i < form->lviQueue->ItemCount(); ++i) texts.push_back(form->lviQueue->Item(i).text);
    return texts;
  }
  // A right click on an item of lviQueue, through the list view's own mouse handling.
  void RightClickQueueItem(int item) const {
    HWND lvi = form->lviQueue->Hwnd();
    RECT rc{LVIR_BOUNDS, 0, 0, 0};
    ASSERT_TRUE(SendMessageA(lvi, LVM_GETITEMRECT, WPARAM(item), reinterpret_cast<LPARAM>(&rc)));
    LPARAM at = MAKELPARAM(rc.left + 10, (rc.top + rc.bottom) / 2);
    PostMessageA(lvi, WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageA(lvi, WM_RBUTTONUP, 0, at);
    fixtures::PumpFor(150);
  }

  mutable std::vector<std::string> typed;  // the company label after each keystroke
};

TEST_F(MainWindow, TypingAPathResetsEveryPrefixAndAnalysesTheDataFolder) {
  Open();
  ASSERT_EQ(Text("txtPath"), "");
  std::string path = DataPath();
  Type(path.substr(0, path.size() - 1));
  for (const std::string& name : typed) EXPECT_EQ(name, "");
  EXPECT_EQ(Text("lblVer"), "");
  EXPECT_EQ(Text("lblProgPath"), "");
  EXPECT_FALSE(Enabled("cmdMenu"));

  Type(path.substr(path.size() - 1));
  EXPECT_EQ(Text("lblName"), "Wickham Joinery Ltd");
  EXPECT_EQ(Text("lblVer"), "A+18");
  EXPECT_EQ(Text("lblSagVer"), "18.0.10.208");
  EXPECT_EQ(Text("lblSdo") + "|" + Text("lblSbd") + "|" + Text("lblRep"), "18.0.10.208|2.1.0.7|3.2.1.0");
  EXPECT_EQ(Text("lblProgPath"), NormaliseFolder(recipe.programFolder));
  EXPECT_TRUE(EqualsNoCase(Text("lblSetPath"), fixtures::SetupFolderOf(18, false))) << Text("lblSetPath");
  EXPECT_EQ(Text("lblProgType"), "Sage 50 Accounts Plus 5 User 3 Company");
  EXPECT_TRUE(Enabled("cmdMenu"));
  ASSERT_EQ(form->lviUpdates->ItemCount(), 2);
  EXPECT_EQ(form->lviUpdates->Item(1).text, "UPDATE 2");
  EXPECT_EQ(form->lviUpdates->Item(1).toolTip, "2012-03-02");
  EXPECT_EQ(App.DataPath, path);

  // A trailing backslash analyses the same folder and is not stored.
  Type("\\");
  EXPECT_EQ(Text("lblName"), "Wickham Joinery Ltd");
  EXPECT_EQ(App.DataPath, path);
  // Only a successful log-in remembers the path.
  EXPECT_EQ(GetAppSetting("DataPath", "none"), "none");

  // One more character: not a data folder any more, every panel is reset.
  Type("x");
  EXPECT_EQ(Text("lblName"), "");
  for (const char* label : {"lblVer", "lblSdo", "lblSbd", "lblRep", "lblProgPath", "lblSetPath", "lblRepPath",
                            "lblProgType", "lblSagVer", "lblCounts"})
    EXPECT_EQ(Text(label), "") << label;
  EXPECT_EQ(form->lviUpdates->ItemCount(), 0);
  EXPECT_EQ(form->lblRepPath->ToolTipText(), "");
  EXPECT_FALSE(Enabled("cmdMenu"));
  EXPECT_EQ(App.DataPath, path) << "the reset leaves the data path as it was";
  EXPECT_EQ(DataFiles.UserList, std::vector<std::string>{"manager"});
}

TEST_F(MainWindow, DataFolderShowsItsRecordCountsAndLoggedInUsersAndAutoRefreshRereadsThem) {
  Open();
  fixtures::AccountDta account;
  account.counts = {5, 3, 120, 4, 66, 901, 17, 9};
  account.transactions = 4321;
  fixtures::WriteFile(dir.Path("Wickham/ACCDATA/account.dta"), fixtures::BuildAccountDta(18, account));
  fixtures::WriteFile(dir.Path("Wickham/ACCDATA/access.dta"), fixtures::BuildAccessDta(18, {"ANNE", "BOB"}));
  WriteQueue({{"ANNE", "PC1", 2}, {"", "", 7, 0, true}, {"BOB", "PC2", 7}});
  form->txtPath->SetText(DataPath());
  // The counts and their lines are the data files' tests; here, that the label shows them.
  EXPECT_TRUE(Text("lblCounts").starts_with("Transactions: 4321\r\nLast Transaction No: 0\r\nCustomer Accounts: 5\r\n"))
      << Text("lblCounts");
  EXPECT_EQ(QueueTexts(), (std::vector<std::string>{"ANNE (Backup)", "BOB"}));
  EXPECT_EQ(form->lviQueue->Item(0).tag, "ANNE");
  EXPECT_EQ(form->lviQueue->Item(0).toolTip, "PC1");
  EXPECT_EQ(DataFiles.UserList, (std::vector<std::string>{"manager", "ANNE", "BOB"}));
  const LPARAM anne = form->lviQueue->ItemHandle(0);

  // Unticked, the timer leaves the queue alone.
  WriteQueue({{"ANNE", "PC1", 7}, {"BOB", "PC2", 1}});
  form->Timer1->onTimer();
  EXPECT_EQ(QueueTexts(), (std::vector<std::string>{"ANNE (Backup)", "BOB"}));

  // Ticking saves the choice and refreshes at once.
  SendMessageA(form->chkRfrsh->Hwnd(), BM_CLICK, 0, 0);
  EXPECT_EQ(GetAppSetting("UserRefresh", ""), "Y");
  EXPECT_EQ(QueueTexts(), (std::vector<std::string>{"ANNE", "BOB (Maint)"}));
  const LPARAM bob = form->lviQueue->ItemHandle(1);
  EXPECT_NE(form->lviQueue->ItemHandle(0), anne) << "a changed queue rebuilds the list";

  // An unchanged queue keeps the very same items: no flicker on every tick.
  form->Timer1->onTimer();
  EXPECT_EQ(form->lviQueue->ItemHandle(1), bob);

  // Without a data folder there are no counts, and the queue is not read.
  form->txtPath->SetText(dir.Win());
  form->Timer1->onTimer();
  EXPECT_EQ(form->lviQueue->ItemCount(), 0);
  EXPECT_EQ(Text("lblCounts"), "");

  SendMessageA(form->chkRfrsh->Hwnd(), BM_CLICK, 0, 0);
  EXPECT_EQ(GetAppSetting("UserRefresh", ""), "N");
}

TEST_F(MainWindow, RightClickOnAUserAsksBeforeClearingItsRecords) {
  Open();
  WriteQueue({{"ANNE", "PC1", 1}, {"BOB", "PC2", 7}, {"anne", "PC3", 7}});
  const std::vector<uint8_t> before = fixtures::ReadFileBytes(dir.Path("Wickham/ACCDATA/queue.dta"));
  form->txtPath->SetText(DataPath());
  ASSERT_EQ(QueueTexts(), (std::vector<std::string>{"ANNE (Maint)", "BOB", "anne"}));
  answer = IDNO;

  form->lviQueue->SetSelectedIndex(0);
  SendMessageA(form->lviQueue->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  fixtures::PumpFor(100);
  EXPECT_TRUE(messages.empty()) << "a left click asks nothing";
  RightClickQueueItem(0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0],
            "Clear Locked User|36|Do you want to Clear User ANNE who was logged on at Station: PC1 ?\r\n\r\n"
            "Do NOT click Yes unless you are ABSOLUTELY SURE that this user is not in Sage.\r\n\r\n"
            "If you clear a user who is still active you will CORRUPT YOUR SAGE DATA FILES.");
  EXPECT_EQ(fixtures::ReadFileBytes(dir.Path("Wickham/ACCDATA/queue.dta")), before) << "No clears nothing";

  form->SetBusy(true);
  RightClickQueueItem(0);
  form->SetBusy(false);
  EXPECT_EQ(messages.size(), 1u) << "nothing is asked while busy";

  // Yes: the records of ANNE in any case are cleared, with the record length of the listing even
  // when the data version is no longer known. The first is held by another program for a moment;
  // meanwhile CAROL logs in to the slot of the other, which is then left alone, and the window
  // says so.
  const std::string queue = dir.Win("Wickham\\ACCDATA\\queue.dta");
  auto held = std::make_unique<fixtures::HeldRange>(queue, 0, 100);
  App.DataVersion = "";
  fixtures::ModalSteps meanwhile([&] {
    if (messages.size() < 2) return false;
    held.reset();
    WriteQueue({{"ANNE", "PC1", 1}, {"BOB", "PC2", 7}, {"CAROL", "PC4", 7}});
    return true;
  });
  answer = IDYES;
  RightClickQueueItem(0);
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[2],
            "Clear Locked User|48|Not every record of user ANNE in queue.dta was cleared:\r\n\r\n"
            "Record 3 no longer belongs to ANNE; it was left as it is.");
  std::vector<uint8_t> expected =
      fixtures::BuildQueueDta(18, {{"", "", 7, 0, true}, {"BOB", "PC2", 7}, {"CAROL", "PC4", 7}});
  EXPECT_EQ(fixtures::ReadFileBytes(dir.Path("Wickham/ACCDATA/queue.dta")), expected);
  EXPECT_TRUE(QueueTexts().empty()) << "without a data version the queue is not listed";
}

TEST_F(MainWindow, TheSdoCaptionAndTheReportsFolderFollowWhatIsInstalled) {
  recipe.sdoVersion.clear();
  Open();
  Analyse();
  EXPECT_EQ(Text("Label11"), "SDO");
  EXPECT_EQ(ColourName(form->lblRepPath->ForeColor()), "magenta");

  // The reports folder is judged by the report files really there.
  const std::string report = Text("lblRepPath") + "docerr.report";
  fixtures::WriteFile(report, std::string("report"));
  form->txtPath->SetText(DataPath() + "\\");
  DeleteFileA(report.c_str());
  EXPECT_EQ(ColourName(form->lblRepPath->ForeColor()), "black");
  EXPECT_EQ(form->lblRepPath->ToolTipText(), "\"Use Data Path For Reports\" setting is Off");
}

BOOL CALLBACK CollectChild(HWND h, LPARAM all) {
  reinterpret_cast<std::vector<HWND>*>(all)->push_back(h);
  return TRUE;
}

// Every label shows its whole caption, on its lines or, cut with an ellipsis, in its tooltip; no
// two visible controls of one container overlap.
void ExpectEverythingReadable(const forms::Form& form) {
  std::vector<HWND> all;
  EnumChildWindows(form.Hwnd(), CollectChild, reinterpret_cast<LPARAM>(&all));
  for (HWND h : all) {
    auto* label = dynamic_cast<forms::Label*>(forms::ControlFromHwnd(h));
    if (!label || !IsWindowVisible(h) || label->Caption().empty()) continue;
    const std::string caption = label->Caption();
    if (label->Cut()) {
      const std::string tip = fixtures::ToolTipOf(form, h);
      EXPECT_TRUE(tip.starts_with(caption)) << label->Name() << " is cut and its tip says " << tip;
      continue;
    }
    RECT client{}, needed{};
    GetClientRect(h, &client);
    needed.right = client.right;
    HDC dc = GetDC(h);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0)));
    DrawTextA(dc, caption.c_str(), int(caption.size()), &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    EXPECT_LE(needed.bottom, client.bottom) << label->Name() << " cuts the lines of: " << caption;
    EXPECT_LE(needed.right, client.right) << label->Name() << " cuts: " << caption;
  }
  for (size_t i = 0; i < all.size(); ++i)
    for (size_t j = i + 1; j < all.size(); ++j) {
      HWND a = all[i], b = all[j];
      RECT ra, rb, both;
      if (GetParent(a) != GetParent(b) || !IsWindowVisible(a) || !IsWindowVisible(b)) continue;
      GetWindowRect(a, &ra);
      GetWindowRect(b, &rb);
      EXPECT_FALSE(IntersectRect(&both, &ra, &rb))
          << forms::ControlNameOf(a) << " overlaps " << forms::ControlNameOf(b);
    }
}

TEST_F(MainWindow, EveryTextIsReadableWholeWithTheLongestTextsTheAnalysisShows) {
  // The longest texts: a 40-character company name without a blank to wrap at, the program in a
  // folder whose path is near the limit, and an engine message that names a long data path.
  std::string deep = "Sage";
  while (dir.Win(deep).size() < 200) deep += "\\Accounts Folder";
  recipe.programFolder = dir.Win(deep);
  Open();
  fixtures::InstallSdoStandIn(18, "18.0.10.208");
  fixtures::SetupDta damaged;
  damaged.companyName = std::string(40, 'W');
  fixtures::WriteDataFolder(dir.Path("Damaged"), damaged);
  fixtures::SdoData refusing;
  refusing.connectFails = true;
  refusing.connectErrorCode = 23;
  refusing.connectErrorText = "Cannot open the data in " + LCase(dir.Win(deep)) + "\\accdata\\";
  fixtures::WriteSdoData(dir.Win("Damaged\\ACCDATA"), refusing);
  fixtures::SetupDta future;
  future.dataVersion = 19;
  fixtures::WriteDataFolder(dir.Path("Future"), future);

  struct Case {
    const char* folder;
    const char* label;
    std::string shows;
  };
  for (const Case& c : {Case{"Damaged\\ACCDATA", "lblName", std::string(40, 'W')},
                        Case{"Damaged\\ACCDATA", "lblRecs", refusing.connectErrorText},
                        Case{"Damaged\\ACCDATA", "lblProgPath", NormaliseFolder(recipe.programFolder)},
                        Case{"Future\\ACCDATA", "lblRecs", "Sage 50 v19 is not supported yet"}}) {
    SCOPED_TRACE(std::string(c.folder) + " " + c.label);
    form->txtPath->SetText(dir.Win(c.folder));
    EXPECT_EQ(Text(c.label), c.shows);
    ExpectEverythingReadable(*form);
  }
}

TEST_F(MainWindow, TheBoxTakesSagesLastFolderWhenEmptiedAndOnlyAChosenSetupDtaFromBrowse) {
  Open();
  fixtures::SageIni ini;
  ini.lastDataPath = dir.Win("Wickham");
  fixtures::WriteSageIni(fixtures::SageIniPlace::CommonAppData, ini);
  form->txtPath->SetFocus();
  form->txtPath->SetText("");
  form->txtUser->SetFocus();
  forms::DoEvents();
  EXPECT_EQ(Text("txtPath"), LCase(dir.Win("Wickham")) + "\\accdata\\");
  EXPECT_EQ(Text("lblName"), "Wickham Joinery Ltd");
  form->txtPath->SetText("c:\\elsewhere");
  form->lblPath->onDblClick();
  EXPECT_EQ(Text("lblName"), "Wickham Joinery Ltd");

  std::string chosen = "  " + DataPath() + "\\SETUP.DTA ";
  auto previous = forms::SetOpenFileHandler(
      [&](HWND, const std::string&, const std::string&, const std::string&, unsigned) { return chosen; });
  form->cmdBrowse->onClick();
  EXPECT_EQ(Text("txtPath"), LCase(DataPath()));
  EXPECT_EQ(Text("lblName"), "Wickham Joinery Ltd");
  for (const std::string& other : {DataPath() + "\\queue.dta", std::string()}) {
    chosen = other;
    form->cmdBrowse->onClick();
    EXPECT_EQ(Text("txtPath"), LCase(DataPath())) << other;
  }
  forms::SetOpenFileHandler(previous);
}

TEST_F(MainWindow, BusyStateDisablesTheInputsAndRefusesToClose) {
  Open();
  Analyse();
  form->SetBusy(true);
  for (const char* name : {"txtPath", "cmdSpeed", "cmdMenu", "cmdOpFix", "cmdSMBfix", "cmdTempFix", "optTest(0)"})
    EXPECT_FALSE(Enabled(name)) << name;
  EXPECT_EQ(Text("cmdExit"), "Stop");
  EXPECT_FALSE(form->Timer1->Enabled());
  EXPECT_FALSE(form->Unload());
  EXPECT_EQ(SendMessageA(form->Hwnd(), WM_QUERYENDSESSION, 0, 0), FALSE) << "a log-off is asked to wait";
  form->cmdExit->onClick();
  EXPECT_TRUE(form->StopRequested);
  EXPECT_TRUE(form->Loaded()) << "Stop ends the operation, not the program";

  form->SetBusy(false);
  for (const char* name : {"txtPath", "optTest(3)", "cmdMenu", "txtTemp"}) EXPECT_TRUE(Enabled(name)) << name;
  EXPECT_EQ(Text("cmdExit"), "Exit");
  EXPECT_TRUE(form->Timer1->Enabled());
  EXPECT_EQ(SendMessageA(form->Hwnd(), WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_TRUE(form->Unload());
}

TEST_F(MainWindow, WindowsInfoShowsTheWorkstationAndRefreshesMemoryButNoMissingAntiVirus) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  ASSERT_EQ(updara_test::Regsvr32(L"/s"), 0u);
  Open();
  // What each check finds is the workstation checks' test; here, that the window shows it.
  std::string width, details;
  EXPECT_EQ(Text("lblProc"), GetProcessor(width));
  EXPECT_EQ(form->CpuWidth, width);
  EXPECT_EQ(Text("lblWvr"), GetWindowsVersion(width, details));
  EXPECT_EQ(updara_test::Regsvr32(L"/u /s"), 0u);
  EXPECT_EQ(form->lblWvr->ToolTipText(), details);
  EXPECT_EQ(form->mnuMenu->Find("mnuSMB2")->visible, Smb2MenuVisible(details));
  // No Security Center here: nothing to show, and nothing for the timer to poll.
  EXPECT_EQ(Text("lblAvp") + form->lblAvp->ToolTipText() + form->AvCompanies, "");
  const auto memoryShown = [this] {
    return std::regex_match(Text("lblMem"), std::regex(R"(^\d+Mb of \d+Mb \(\d+%\)$)")) &&
           form->lblMem->ToolTipText() == Workstation.MemTip && form->lblMem->ForeColor() == Workstation.MemColour;
  };
  EXPECT_TRUE(memoryShown()) << Text("lblMem");
  EXPECT_EQ(Text("lblNet"), "");

  // Every tick refreshes the memory; the anti-virus only while a product with a maker was found.
  form->lblMem->SetCaption("stale");
  form->lblAvp->SetCaption("stale");
  form->Timer1->onTimer();
  EXPECT_TRUE(memoryShown()) << Text("lblMem");
  EXPECT_EQ(Text("lblAvp"), "stale");
  form->AvCompanies = "Acme Ltd";
  form->lblAvp->SetForeColor(kWarningColour);
  form->Timer1->onTimer();
  EXPECT_EQ(Text("lblAvp"), "");
  EXPECT_EQ(form->lblAvp->ForeColor(), 0u);
  EXPECT_EQ(form->AvCompanies, "") << "the product has gone: polling stops";

  // A click on either label refreshes it.
  for (forms::Label* label : {form->lblAvp, form->lblMem}) {
    label->SetCaption("stale");
    label->SetToolTipText("stale");
    PostMessageA(label->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageA(label->Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    fixtures::PumpFor(100);
  }
  EXPECT_EQ(Text("lblAvp") + form->lblAvp->ToolTipText(), "");
  EXPECT_TRUE(memoryShown()) << Text("lblMem");

  // Each analysis refreshes the memory; a data folder on a local drive is local data, and
  // leaving it empties the label.
  for (const auto& [folder, location] : {std::pair{DataPath(), "Local Data"}, std::pair{dir.Win(), ""}}) {
    form->lblMem->SetCaption("stale");
    form->txtPath->SetText(folder);
    EXPECT_TRUE(memoryShown()) << Text("lblMem");
    EXPECT_EQ(Text("lblNet"), location);
  }
  form.reset();
  CoUninitialize();
}

}  // namespace
}  // namespace lw
