// The About window with the real registered update component: loading, the internet switch, the
// update flow and the component's events, and the main window opening it modally.
#include "app/updates/frm_about_win.h"

#include <gtest/gtest.h>
#include <oleauto.h>
#include <windows.h>

#include <deque>
#include <fstream>
#include <functional>
#include <regex>

#include "app/forms/forms_win.h"
#include "app/shell/frm_main_window_win.h"
#include "app/shell/startup_win.h"
#include "app/state/app_state.h"
#include "app/state/program_win.h"
#include "app/state/settings_win.h"
#include "app/tools/files_win.h"
#include "app/tools/text.h"
#include "app/updates/about_rules.h"
#include "component/file_replacement_win.h"
#include "tests/component/com_client_win.h"
#include "tests/fixtures/program_win.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/sage_data.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/sdo_standin_win.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

using updara_test::Wide;

const std::regex kCheckTime(R"(\d\d/\d\d/\d{4} \d\d:\d\d)");
const std::string kFailure = "Check for Updates|" + std::to_string(MB_ICONHAND) + "|";  // a failure's box

// A step for fixtures::ModalSteps: once the named form is on the screen, the action runs (once).
std::function<bool()> WhenShown(const char* form, std::function<void(HWND)> action) {
  return [form, action] {
    HWND w = fixtures::ThreadForm(form);
    if (!IsWindowVisible(w)) return false;
    action(w);
    return true;
  };
}

void Click(HWND form, const char* control) {
  HWND button = forms::FindControl(form, control);
  PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), LPARAM(button));
}

// The sinks connected to the object's event connection point.
std::vector<ComRef<IDispatch>> SinksOf(IUpdaraCom* object) {
  std::vector<ComRef<IDispatch>> sinks;
  ComRef<IEnumConnections> connections;
  EXPECT_EQ(updara_test::EventsPoint(object)->EnumConnections(connections.put()), S_OK);
  CONNECTDATA c{};
  while (connections.get() && connections->Next(1, &c, nullptr) == S_OK) {
    sinks.emplace_back();
    c.pUnk->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(sinks.back().put()));
    c.pUnk->Release();
  }
  return sinks;
}

// Calls the window's sink with the event's numbers and then its text, as the component's
// notification window does.
void FireEvent(IUpdaraCom* object, DISPID id, std::vector<long> numbers = {}, const wchar_t* text = nullptr) {
  ASSERT_TRUE(object) << "the window has no component";
  std::vector<ComRef<IDispatch>> sinks = SinksOf(object);
  ASSERT_EQ(sinks.size(), 1u) << "the window connects one sink";
  std::vector<VARIANT> args(text ? 1 : 0, updara_test::Arg(VT_BSTR));  // last to first, as Invoke takes them
  if (text) V_BSTR(&args[0]) = SysAllocString(text);
  for (auto n = numbers.rbegin(); n != numbers.rend(); ++n) V_I4(&args.emplace_back(updara_test::Arg(VT_I4))) = *n;
  DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, UINT(args.size()), 0};
  EXPECT_EQ(sinks[0]->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            S_OK);
  for (VARIANT& v : args) VariantClear(&v);
}

class AboutWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(updara_test::Regsvr32(L"/s"), 0u); }
  static void TearDownTestSuite() { updara_test::Regsvr32(L"/u /s"); }
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    updara_test::ForgetAcceptedSequences();
    fixtures::ClearSettings();
    ResetApplicationState();
    App.CountryName = "United Kingdom";
    App.CountryCode = "44";
    App.UpdateHost = "updates.brenkgroup.test";
    previous = forms::SetMsgBoxHandler([this](const std::string& text, unsigned style, const std::string& title) {
      boxes.push_back(title + "|" + std::to_string(style) + "|" + text);
      if (answers.empty()) return IDOK;
      const int answer = answers.front();
      answers.pop_front();
      return answer;
    });
  }
  void TearDown() override {
    about.reset();
    updara_test::ForgetAcceptedSequences();
    forms::SetMsgBoxHandler(previous);
    fixtures::ClearSettings();
    fixtures::RemoveSdoStandIns();
    ResetApplicationState();
    CoUninitialize();
  }
  void Open() {
    about = std::make_unique<frmAbout>();
    about->Load();
    about->Show();
  }
  std::string Text(const char* name) const { return fixtures::WindowText(forms::FindControl(about->Hwnd(), name)); }
  bool Enabled(const char* name) const { return IsWindowEnabled(forms::FindControl(about->Hwnd(), name)); }
  // The data folder the program is looking at, with the synthetic company's details.
  void UseDataFolder() {
    fixtures::WriteDataFolder(dir.Path("Wickham"), fixtures::SetupDta{});
    App.DataPath = dir.Win("Wickham\\ACCDATA");
    App.DataVersion = "18";
  }
  fixtures::ScratchFolder dir;
  std::unique_ptr<frmAbout> about;
  std::vector<std::string> boxes;  // every message box: "title|style|text"
  std::deque<int> answers;         // what they answer, first to last (then OK)
  forms::MsgBoxHandler previous;
};

TEST_F(AboutWindow, LoadingShowsTheVersionsAndRegionAndSetsUpTheComponentWhichGoesWithTheWindow) {
  fixtures::InstallSdoStandIn(18, "18.0.10.208");
  App.DataVersion = "18";
  App.EndRequested = true;  // left from before: a new window starts without it
  SaveAppSetting("UpdateChk", "03/02/2026 14:25");
  Open();
  ASSERT_TRUE(about->oKiv) << about->oKiv.Failure();
  EXPECT_FALSE(App.EndRequested);
  EXPECT_EQ(Text("lblVersion"), AboutVersionLine(RunningVersion(), "18.0.10.208"));
  EXPECT_EQ(Text("lblRegion"), "Region: United Kingdom");
  EXPECT_EQ(Text("cmdOK"), "Continue") << "opened before the main window was shown";
  EXPECT_EQ(Text("lblUpdate"), "Last Update Check was 03/02/2026 14:25");
  // With an announced version, the status line's double click shows the RSS check's account of it.
  App.RssDetails = "Version 18.0.30 Changes";
  App.NewRssVer = "18.0.30";
  HWND status = about->lblUpdate->Hwnd();
  PostMessageA(GetParent(status), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(status), STN_DBLCLK), LPARAM(status));
  fixtures::PumpFor(50);
  EXPECT_EQ(boxes, std::vector<std::string>{"Ledgerwell|0|Version 18.0.30 Changes"});

  Click(about->Hwnd(), "cmdOK");
  EXPECT_TRUE(fixtures::PumpUntil([&] { return !about->Loaded(); }));
  EXPECT_FALSE(about->oKiv) << "the window lets go of the component when it unloads";
}

TEST_F(AboutWindow, RightClickingTheUpdateButtonSwitchesTheRssCheckingEitherWay) {
  // No leaves the checking as it is, Yes switches it, each time asked about the state it is in.
  const struct {
    int answer;
    bool wasOff, noInternet;
    const char* stored;
  } cases[] = {{IDNO, false, false, "unset"}, {IDYES, false, true, "Y"}, {IDYES, true, false, "N"}};
  Open();
  HWND button = about->cmdWebUpdate->Hwnd();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    answers = {c.answer};
    boxes.clear();
    PostMessageA(button, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    PostMessageA(button, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    fixtures::PumpFor(100);
    EXPECT_EQ(boxes,
              std::vector<std::string>{
                  "RSS Version Checking|" + std::to_string(MB_YESNO | MB_ICONEXCLAMATION) +
                  Format("|RSS Internet Version Checking is turned %s on this computer. Do you want to turn it %s ?",
                         c.wasOff ? "OFF" : "ON", c.wasOff ? "ON" : "OFF")});
    EXPECT_EQ(App.NoInternet, c.noInternet);
    EXPECT_EQ(GetGlobalSetting("NoInternet", "unset"), c.stored);
  }
  EXPECT_EQ(Text("lblUpdate"), "Click this button to check that your program is up to date ==>")
      << "right clicks are no update clicks";
}

TEST_F(AboutWindow, TheUpdateClickChecksWithTheCompanysDetailsAndReportsTheFailedCheck) {
  UseDataFolder();
  App.UpdateHost = "127.0.0.1:1";  // nobody listens there
  App.NewRssVer = "18.0.30";
  SaveAppSetting("UpdateChk", "03/02/2026 14:25");
  Open();
  SendMessageA(about->cmdWebUpdate->Hwnd(), BM_CLICK, 0, 0);
  // Before any event has come back: the check is under way, and the announced version is old news.
  EXPECT_EQ(Text("lblUpdate"), "Checking for Updates");
  EXPECT_FALSE(Enabled("cmdOK"));
  EXPECT_EQ(App.NewRssVer, "");
  const std::string url = updara_test::Ansi(updara_test::Get(about->oKiv.Object(), &IUpdaraCom::get_URL));
  EXPECT_TRUE(url.starts_with("https://127.0.0.1:1/updates/l50upd.asp?mode=check&region=44&ver=")) << url;
  EXPECT_NE(url.find("&coy=Wickham%20Joinery%20Ltd&addr=Unit%204%20Mill%20Lane"), std::string::npos) << url;
  // The server cannot be reached: the check fails, and says why.
  ASSERT_TRUE(fixtures::PumpUntil([&] { return Text("lblUpdate") == "Update Check Failed"; }, 10000));
  EXPECT_EQ(boxes, std::vector<std::string>{kFailure + "The attempt to connect to the server failed."});
  EXPECT_TRUE(Enabled("cmdOK"));
  EXPECT_EQ(GetAppSetting("UpdateChk", "?"), "03/02/2026 14:25") << "a failed check is no check";
}

// The component's events after a check, each with the button disabled as during a run: the status
// line, a failure's message box, and whether the time of the check is kept.
TEST_F(AboutWindow, TheComponentsEventsEndTheRunAndOnlySuccessesStoreTheCheckTime) {
  const struct {
    DISPID event;
    std::vector<long> numbers;
    const wchar_t* failure;  // the error text of a failed step, else null
    const char *atOnce, *atTheEnd;
  } cases[] = {
      {EventCheckDone, {0, 0}, nullptr, "No New Updates Found", "No New Updates Found"},  // nothing to fetch
      // Nothing waits to be put in place, so the component's update finishes at once.
      {EventDownloadDone, {0}, nullptr, "Update Downloaded - Installing", "Update Completed"},
      {EventUpdateDone, {30008}, L"Failed to register COM server.", "Update Check Failed", "Update Check Failed"},
  };
  Open();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.atTheEnd);
    SaveAppSetting("UpdateChk", "03/02/2026 14:25");
    boxes.clear();
    about->cmdOK->SetEnabled(false);
    FireEvent(about->oKiv.Object(), c.event, c.numbers, c.failure ? c.failure : L"");
    EXPECT_EQ(Text("lblUpdate"), c.atOnce);
    EXPECT_TRUE(fixtures::PumpUntil([&] { return Text("lblUpdate") == c.atTheEnd; }));
    EXPECT_TRUE(Enabled("cmdOK"));
    const std::string checked = GetAppSetting("UpdateChk", "");
    if (c.failure) {
      EXPECT_EQ(boxes, std::vector<std::string>{kFailure + updara_test::Ansi(c.failure)});
      EXPECT_EQ(checked, "03/02/2026 14:25") << "a failure is no check";
    } else {
      EXPECT_TRUE(boxes.empty()) << boxes[0];
      EXPECT_TRUE(std::regex_match(checked, kCheckTime) && checked != "03/02/2026 14:25") << checked;
    }
  }
}

TEST_F(AboutWindow, DownloadsLeftByAnEarlierRunAreClearedAndNothingElse) {
  // A replacement list of the component's default name, naming one of its downloads that is still
  // there: the component reports it when the window creates it, and the window has it cleared.
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  const std::string folder = updara::LongPathOf(temp);
  const std::string list = folder + "Updara.uda", download = folder + "UDXA1B2.tmp";
  const std::string head = "#UDA Signature\"C:\\host.exe\"\r\n1\r\n\r\n\r\n", tail = ">C:\\target.dll|0|0|0|0\r\n";
  std::ofstream(download, std::ios::binary) << "new content";
  std::ofstream(list, std::ios::binary) << head << "#" << download << tail;
  Open();
  EXPECT_TRUE(fixtures::PumpUntil([&] { return !FileExists(list); }));
  EXPECT_FALSE(FileExists(download));
  about.reset();

  // A list another program wrote there, naming the customer's file: the window's component is made
  // and cleared, and the file is still there.
  const std::string victim = dir.Win("ledger-backup.xlsx");
  std::ofstream(victim, std::ios::binary) << "the customer's own file";
  std::ofstream(list, std::ios::binary) << head << victim << tail;
  Open();
  fixtures::PumpFor(300);
  ASSERT_EQ(about->oKiv.Clear(), S_OK);
  EXPECT_EQ(ReadWholeFile(victim, fixtures::kFixtureFileLimit), "the customer's own file");
  DeleteFileA(list.c_str());
}

TEST_F(AboutWindow, TheMainWindowsAboutButtonOpensItModallyAndEndsTheProgramWhenAsked) {
  std::string okCaption;
  bool mainDisabled = false;
  frmMain main;
  main.Load();
  ASSERT_TRUE(App.MainWindowReady);
  fixtures::ModalSteps closed(WhenShown("frmAbout", [&](HWND w) {
    okCaption = fixtures::WindowText(forms::FindControl(w, "cmdOK"));
    mainDisabled = !IsWindowEnabled(main.Hwnd());
    Click(w, "cmdOK");
  }));
  Click(main.Hwnd(), "cmdAbout");
  ASSERT_TRUE(fixtures::PumpUntil(
      [&] { return closed.Finished() && !IsWindowVisible(fixtures::ThreadForm("frmAbout")); }, 10000));
  EXPECT_EQ(okCaption, "Exit");
  EXPECT_TRUE(mainDisabled);
  EXPECT_TRUE(main.Loaded() && IsWindowEnabled(main.Hwnd())) << "closing the About window leaves the program running";

  // The component asks to close the program for its updater: the main window goes with it, and the
  // About window is to come again after the restart.
  ComRef<IUpdaraCom> component;
  fixtures::ModalSteps closesApp(WhenShown("frmAbout", [&](HWND w) {
    component = ComRef<IUpdaraCom>(dynamic_cast<frmAbout&>(*forms::ControlFromHwnd(w)).oKiv.Object());
    FireEvent(component.get(), EventCloseApp);
  }));
  SaveAppSetting("NewUpdate", "N");
  Click(main.Hwnd(), "cmdAbout");
  ASSERT_TRUE(fixtures::PumpUntil([&] { return !main.Loaded(); }, 10000));
  EXPECT_TRUE(closesApp.Finished());
  EXPECT_TRUE(App.EndRequested);
  EXPECT_TRUE(forms::ProgramEnded()) << "no window is left to keep the program running";
  EXPECT_EQ(GetAppSetting("NewUpdate", "?"), "Y");
  EXPECT_TRUE(std::regex_match(GetAppSetting("UpdateChk", ""), kCheckTime));
  EXPECT_TRUE(SinksOf(component.get()).empty()) << "the window let go of its sink: a late event reaches no one";
}

}  // namespace
}  // namespace lw
