// The real main window, driven as a user drives it: the data path analysis, the busy state, the
// log-in check against the stand-in engine and the diagnostic report (the tools menu's, and the
// program run as "Ledgerwell.exe -report FILE [DATAPATH]").
// What each panel shows for what was found is decided by the portable views (main_view_test.cpp).
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <sstream>

#include "app/datafiles/data_files_win.h"
#include "app/forms/forms_win.h"
#include "app/sdo/sdo_session_win.h"
#include "app/shell/diagnostic_report_win.h"
#include "app/shell/frm_main_window_win.h"
#include "app/state/app_state.h"
#include "app/state/settings_win.h"
#include "app/tools/files_win.h"
#include "app/tools/paths.h"
#include "app/tools/text.h"
#include "tests/fixtures/data_files.h"
#include "tests/fixtures/main_window_win.h"
#include "tests/fixtures/program_win.h"
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
    recipe.applicationConfig.updates = {{"Update 1", "2012-01-10"}, {"Update 2", "2012-03-02"}};
  }
  // Keys typed into the path box; the company label after each.
  std::vector<std::string> Type(const std::string& text) const {
    std::vector<std::string> names;
    for (char c : text) {
      PostMessageA(form->txtPath->Hwnd(), WM_CHAR, WPARAM(static_cast<unsigned char>(c)), 1);
      forms::DoEvents();
      names.push_back(Text("lblName"));
    }
    return names;
  }
  void WriteQueue(const std::vector<fixtures::QueueRecord>& records) const {
    fixtures::WriteFile(dir.Path("Wickham/ACCDATA/queue.dta"), fixtures::BuildQueueDta(18, records));
  }
  std::vector<uint8_t> Queue() const { return fixtures::ReadFileBytes(dir.Path("Wickham/ACCDATA/queue.dta")); }
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
  // Opens the window on the stand-in engine with the user name stored, then the data folder.
  void OpenAs(const std::string& user) {
    App.ProgramCode = "A";
    recipe.sdoVersion.clear();  // the engine is the stand-in
    fixtures::WriteSageInstallation(recipe);
    fixtures::InstallSdoStandIn(18, "18.0.10.208");
    fixtures::WriteFile(fixtures::WriteDataFolder(dir.Path("Wickham"), setup) / "access.dta",
                        fixtures::BuildAccessDta(18, {"JO"}));
    fixtures::WriteSdoData(DataPath(), {.users = {{"MANAGER", ""}, {"JO", "secret"}},
                                        .customers = {{"Acme Ltd", "AB"}, {"Bell & Co", "CD"}}});
    SaveUserSetting("UserCode", user);
    form = std::make_unique<frmMain>();
    form->Load();
    Analyse();
  }
  // The log-in marks as "cross(0) tick(0) cross(1) tick(1)", 1 for shown, and lblRecs.
  std::string Login() const {
    std::string m;
    for (int i = 0; i < 2; ++i)
      m += std::string(form->imgCross[i]->Visible() ? "1" : "0") + (form->imgTick[i]->Visible() ? "1" : "0");
    return m + " " + Text("lblRecs");
  }
  // The program run as a user would run it from a command prompt; its exit code.
  static int RunReport(const std::string& arguments) {
    fixtures::RunningProgram program("-report " + arguments);
    return program.WaitForExit(60000);
  }
  static std::string FileText(const std::string& path) { return ReadWholeFile(path, 1 << 20); }
  // The lines of a report, without those that change from one moment to the next (and their tips).
  static std::vector<std::string> SteadyLines(const std::string& report) {
    std::vector<std::string> lines;
    std::istringstream in(report);
    bool skipped = false;
    for (std::string line; std::getline(in, line);) {
      const bool tip = line.starts_with("    (");
      if (!(tip && skipped))
        skipped = line.starts_with("Created: ") || line.starts_with("Memory Used: ") || line.starts_with("Log-in: ");
      if (!skipped) lines.push_back(line);
    }
    return lines;
  }
  std::vector<std::string> WindowReport() const { return SteadyLines(DiagnosticReportText(form->ShownDiagnostics())); }
};

TEST_F(MainWindow, TypingAPathAnalysesTheDataFolderAndAnythingElseResetsThePanels) {
  Open();
  const std::string path = DataPath();
  EXPECT_EQ(Type(path.substr(0, path.size() - 1)), std::vector<std::string>(path.size() - 1, ""));

  Type(path.substr(path.size() - 1));
  EXPECT_EQ(Text("lblName") + "|" + Text("lblVer") + "|" + Text("lblSdo"), "Wickham Joinery Ltd|A+18|18.0.10.208");
  EXPECT_TRUE(Enabled("cmdMenu"));
  EXPECT_EQ(form->lviUpdates->ItemCount(), 2);
  EXPECT_EQ(ColourName(form->lblRepPath->ForeColor()), "magenta") << "no report in the reports folder";
  EXPECT_EQ(GetAppSetting("DataPath", "none"), "none") << "only a successful log-in remembers the path";

  // One more character: not a data folder any more, every panel is reset.
  Type("x");
  EXPECT_EQ(Text("lblName") + Text("lblVer") + Text("lblRepPath"), "");
  EXPECT_EQ(form->lviUpdates->ItemCount(), 0);
  EXPECT_FALSE(Enabled("cmdMenu"));
  EXPECT_EQ(App.DataPath, path) << "the reset leaves the data path as it was";
  EXPECT_EQ(DataFiles.UserList, std::vector<std::string>{"manager"});
}

// While busy the window refuses to close (a log-off is asked to wait) and asks nothing; then a
// right click on a user asks before clearing its records.
TEST_F(MainWindow, BusyTheWindowStaysAndARightClickOnAUserAsksBeforeClearingItsRecords) {
  Open();
  WriteQueue({{"ANNE", "PC1", 1}, {"BOB", "PC2", 7}, {"anne", "PC3", 7}});
  const std::vector<uint8_t> before = Queue();
  Analyse();
  ASSERT_EQ(QueueTexts(), (std::vector<std::string>{"ANNE (Maint)", "BOB", "anne"}));
  answer = IDNO;

  form->SetBusy(true);
  RightClickQueueItem(0);
  EXPECT_FALSE(Enabled("txtPath") || Enabled("cmdMenu") || form->Timer1->Enabled());
  EXPECT_FALSE(form->Unload());
  EXPECT_EQ(SendMessageA(form->Hwnd(), WM_QUERYENDSESSION, 0, 0), FALSE) << "a log-off is asked to wait";
  form->cmdExit->onClick();
  EXPECT_TRUE(form->StopRequested && form->Loaded()) << "Stop ends the operation, not the program";
  form->SetBusy(false);
  EXPECT_TRUE(messages.empty()) << "nothing is asked while busy";
  EXPECT_TRUE(Enabled("txtPath") && Enabled("cmdMenu") && form->Timer1->Enabled());
  EXPECT_EQ(SendMessageA(form->Hwnd(), WM_QUERYENDSESSION, 0, 0), TRUE);
  RightClickQueueItem(0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0],
            "Clear Locked User|36|Do you want to Clear User ANNE who was logged on at Station: PC1 ?\r\n\r\n"
            "Do NOT click Yes unless you are ABSOLUTELY SURE that this user is not in Sage.\r\n\r\n"
            "If you clear a user who is still active you will CORRUPT YOUR SAGE DATA FILES.");
  EXPECT_EQ(Queue(), before) << "No clears nothing";

  // Yes: the records of ANNE in any case are cleared, with the record length of the listing even
  // when the data version is no longer known. The first is held by another program for a moment;
  // meanwhile CAROL logs in to the slot of the other, which is then left alone, and the window
  // says so.
  auto held = std::make_unique<fixtures::HeldRange>(dir.Win("Wickham\\ACCDATA\\queue.dta"), 0, 100);
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
  EXPECT_EQ(Queue(), fixtures::BuildQueueDta(18, {{"", "", 7, 0, true}, {"BOB", "PC2", 7}, {"CAROL", "PC4", 7}}));
  EXPECT_TRUE(QueueTexts().empty()) << "without a data version the queue is not listed";
}

// The engine is asked only for a known user, and what it answered is recorded.
TEST_F(MainWindow, TheLogInCheckAsksTheEngineOnlyForAKnownUserAndRecordsItsAnswer) {
  OpenAs("manager");
  EXPECT_EQ(Login(), "0101 Customer 2 Records");
  EXPECT_EQ(GetAppSetting("LoginStatus", "") + "|" + GetAppSetting("DataPath", ""),
            "1 " + DataPath() + "|" + DataPath());
  EXPECT_FALSE(Sdo.Connected) << "the check closes its session";
  // The engine is given the folder lower-cased with its backslash, and the program's connection name.
  const fixtures::SdoConnectCall call = fixtures::ReadSdoConnects(DataPath()).back();
  EXPECT_EQ(call.folder + "|" + call.user + "|" + call.connectionName,
            NormaliseFolder(DataPath()) + "|manager|LINE50A");

  const size_t asked = fixtures::ReadSdoConnects(DataPath()).size();
  form->txtUser->SetText("zed");
  EXPECT_EQ(Login(), "1010 Invalid User Name");
  EXPECT_EQ(fixtures::ReadSdoConnects(DataPath()).size(), asked) << "no log-in for an unknown user";
  // A user of access.dta with the wrong password: the engine refuses, the user is still stored.
  form->txtUser->SetText(" jo ");
  EXPECT_EQ(Login(), "0110 Invalid Password");
  EXPECT_EQ(GetAppSetting("LoginStatus", "") + "|" + GetAppSetting("UserCode", ""), "2 " + DataPath() + "|jo");
  form->txtPw->SetText("secret");
  EXPECT_EQ(Login(), "0101 Customer 2 Records");
  EXPECT_EQ(GetPasswordSetting(), "secret");
}

// The report of the tools menu and of the program run from a command prompt say
// what the window shows; the command line changes nothing, and says why it failed.
TEST_F(MainWindow, TheReportsOfTheMenuAndTheCommandLineSayWhatTheWindowShows) {
  Open();
  Analyse();
  std::string file = dir.Win("saved.txt");
  forms::OpenFileHandler previous = forms::SetSaveFileHandler(
      [&](HWND, const std::string&, const std::string&, const std::string&, unsigned) { return file; });
  EXPECT_TRUE(form->mnuMenu->Click("mnuSaveReport"));
  EXPECT_EQ(SteadyLines(FileText(file)), WindowReport());

  // A file that cannot be written is reported, not passed over.
  file = dir.Win("gone\\saved.txt");
  EXPECT_TRUE(form->mnuMenu->Click("mnuSaveReport"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(
      messages[0].starts_with("Save Diagnostic Report|16|The report could not be written to " + file + " (error 3)."))
      << messages[0];
  forms::SetSaveFileHandler(previous);

  file = dir.Win("report.txt");
  const std::string settingsBefore = GetAppSetting("DataPath", "?") + "|" + GetAppSetting("FirstRun", "?");
  // A running program holds the single-instance mutex: the report neither stops nor says so.
  HANDLE running = CreateMutexA(nullptr, FALSE, "Brenk.Ledgerwell.Running");
  EXPECT_EQ(RunReport("\"" + file + "\" \"" + DataPath() + "\""), 0);
  CloseHandle(running);
  EXPECT_EQ(GetAppSetting("DataPath", "?") + "|" + GetAppSetting("FirstRun", "?"), settingsBefore);
  const std::string report = FileText(file);
  EXPECT_EQ(SteadyLines(report), WindowReport());
  // As a user compares the report with the window.
  EXPECT_NE(report.find("\r\nVersion: " + Text("lblWvr") + "\r\n"), std::string::npos);

  // A folder that is no data folder: the report says why, and the exit code that it needs attention.
  EXPECT_EQ(RunReport("\"" + file + "\" \"" + dir.Win() + "\""), 3);
  EXPECT_NE(FileText(file).find("\r\nResult: " + dir.Win() +
                                " is not a Sage 50 data folder (no company name was read).  [needs attention]\r\n"),
            std::string::npos)
      << FileText(file);
}

BOOL CALLBACK CollectChild(HWND h, LPARAM all) {
  reinterpret_cast<std::vector<HWND>*>(all)->push_back(h);
  return TRUE;
}

// Every visible label shows its whole text on its lines, or is cut with the whole text in its
// tooltip; no two visible controls of one container overlap.
void ExpectEverythingReadable(const forms::Form& form) {
  std::vector<HWND> all;
  EnumChildWindows(form.Hwnd(), CollectChild, reinterpret_cast<LPARAM>(&all));
  for (HWND h : all) {
    auto* label = dynamic_cast<forms::Label*>(forms::ControlFromHwnd(h));
    if (!label || !IsWindowVisible(h) || label->Caption().empty()) continue;
    const std::string caption = label->Caption();
    if (label->Cut()) {
      EXPECT_TRUE(fixtures::ToolTipOf(form, h).starts_with(caption)) << label->Name() << " is cut without its tip";
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
    EXPECT_TRUE(needed.bottom <= client.bottom && needed.right <= client.right) << label->Name() << " cuts " << caption;
  }
  for (size_t i = 0; i < all.size(); ++i)
    for (size_t j = i + 1; j < all.size(); ++j) {
      RECT a, b, both;
      if (GetParent(all[i]) != GetParent(all[j]) || !IsWindowVisible(all[i]) || !IsWindowVisible(all[j])) continue;
      GetWindowRect(all[i], &a);
      GetWindowRect(all[j], &b);
      EXPECT_FALSE(IntersectRect(&both, &a, &b))
          << forms::ControlNameOf(all[i]) << " overlaps " << forms::ControlNameOf(all[j]);
    }
}

TEST_F(MainWindow, EveryTextIsReadableWholeWithTheLongestTextsTheAnalysisShows) {
  // A 40-character company name without a blank to wrap at, the program in a folder whose path is
  // near the limit, an engine message naming a long data path, and a version not supported yet.
  std::string deep = "Sage";
  while (dir.Win(deep).size() < 200) deep += "\\Accounts Folder";
  recipe.programFolder = dir.Win(deep);
  Open();
  fixtures::InstallSdoStandIn(18, "18.0.10.208");
  fixtures::WriteDataFolder(dir.Path("Damaged"), {.companyName = std::string(40, 'W')});
  fixtures::WriteDataFolder(dir.Path("Future"), {.dataVersion = 19});
  const std::string refusal = "Cannot open the data in " + LCase(dir.Win(deep)) + "\\accdata\\";
  fixtures::WriteSdoData(dir.Win("Damaged\\ACCDATA"),
                         {.connectFails = true, .connectErrorCode = 23, .connectErrorText = refusal});
  struct Case {
    const char *folder, *label;
    std::string shows;
  };
  for (const Case& c :
       {Case{"Damaged\\ACCDATA", "lblName", std::string(40, 'W')}, Case{"Damaged\\ACCDATA", "lblRecs", refusal},
        Case{"Damaged\\ACCDATA", "lblProgPath", NormaliseFolder(recipe.programFolder)},
        Case{"Future\\ACCDATA", "lblRecs", "Sage 50 v19 is not supported yet"}}) {
    SCOPED_TRACE(std::string(c.folder) + " " + c.label);
    form->txtPath->SetText(dir.Win(c.folder));
    EXPECT_EQ(Text(c.label), c.shows);
    ExpectEverythingReadable(*form);
  }
}

}  // namespace
}  // namespace lw
