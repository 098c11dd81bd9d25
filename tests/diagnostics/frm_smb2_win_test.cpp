// The SMB2 window under Wine: the client state from the stand-in service-control tool (or Wine's
// own, which knows no SMB2 driver), the commands each click runs, the server value in the prefix's
// registry, the log read back by control name, and the ways out of the modal window. The texts'
// rules are the native tables' business (smb2_test.cpp).
#include "app/diagnostics/frm_smb2_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <thread>

#include "app/tools/text.h"
#include "tests/fixtures/main_window_win.h"
#include "tests/fixtures/program_win.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/service_control_win.h"

namespace lw {
namespace {

const std::string kServerKey = "SYSTEM\\CurrentControlSet\\Services\\LanManServer\\Parameters";
const std::string kQuery = "SC query mrxsmb20";
const std::string kNotFound = "Client SMB2 service not found\r\n\r\n";
const std::string kRestart = "Restart your computer to activate this change\r\n\r\n";

class Smb2Window : public fixtures::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    fixtures::DeleteRaw(HKEY_LOCAL_MACHINE, kServerKey, "Smb2");
  }
  void TearDown() override {
    window.reset();
    MainWindowTest::TearDown();
  }
  // The stand-in in place of the system's tool, with what its query prints; its changes succeed.
  fixtures::ServiceControlStandIn& StandIn(const std::string& queryOutput) {
    sc.reset();  // the last one first, as it puts back the current directory it found
    sc = std::make_unique<fixtures::ServiceControlStandIn>();
    if (!queryOutput.empty()) sc->SetOutput("query", queryOutput);
    sc->SetOutput("config", fixtures::kScConfigSuccess);
    return *sc;
  }
  // Loads the window and shows it, not modally, so that the test can click it.
  void OpenWindow() {
    window = std::make_unique<frmSMB2>();
    window->Load();
    window->Show();
  }
  std::string Shown(const char* name) const { return fixtures::WindowText(forms::FindControl(window->Hwnd(), name)); }
  void ClickOn(const char* name) const { SendMessageA(forms::FindControl(window->Hwnd(), name), BM_CLICK, 0, 0); }
  static void SetServerValue(uint32_t value) { fixtures::WriteDword(HKEY_LOCAL_MACHINE, kServerKey, "Smb2", value); }
  // The stored number, or -1 when the value is absent.
  static int64_t ServerValue() { return fixtures::ReadDword(HKEY_LOCAL_MACHINE, kServerKey, "Smb2"); }

  std::unique_ptr<fixtures::ServiceControlStandIn> sc;
  std::unique_ptr<frmSMB2> window;
  fixtures::RestoredValues restore_{HKEY_LOCAL_MACHINE, {{kServerKey, "Smb2"}}};
};

TEST_F(Smb2Window, TheQueryChoosesTheClientButtonAndLeadsTheLog) {
  // What the log shows of a query that printed the state line: the word, the command, its answer.
  auto queried = [](const char* word, const char* state, const std::string& verdict) {
    return std::string(word) + " Command: SC query mrxsmb20\r\n" + CollapseSpaces(fixtures::ScQueryOutput(state)) +
           "\r\n" + verdict;
  };
  struct Case {
    const char* name;
    const char* state;  // the stand-in's state line; none: Wine's own tool answers, or a hung one
    bool hang;
    const char* caption;
    std::string log;
  } cases[] = {
      {"Wine's own tool", nullptr, false, "Exit", " Command: SC query mrxsmb20\r\n\r\n" + kNotFound},
      {"running", "4  RUNNING", false, "Disable Client SMB2",
       queried("RUNNING", "4  RUNNING", "Client SMB2 service is enabled\r\n\r\n")},
      {"stopped", "1  STOPPED", false, "Enable Client SMB2",
       queried("STOPPED", "1  STOPPED", "Client SMB2 service is disabled\r\n\r\n")},
      {"starting", "2  START_PENDING", false, "Exit", queried("PENDING", "2  START_PENDING", kNotFound)},
      {"a tool that never prints nor ends", nullptr, true, "Exit",
       " Command: SC query mrxsmb20\r\nReadFile failed. Error: 1460\r\n" + kNotFound},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.state || c.hang) StandIn(c.state ? fixtures::ScQueryOutput(c.state) : "");
    if (c.hang) sc->Hang();
    OpenWindow();
    EXPECT_EQ(Shown("Command1"), c.caption);
    EXPECT_EQ(Shown("Text1"), c.log);
    // "Exit" closes the window and runs nothing more.
    if (std::string(c.caption) == "Exit") ClickOn("Command1");
    EXPECT_EQ(window->Loaded(), std::string(c.caption) != "Exit");
    if (sc) {
      EXPECT_EQ(sc->CommandLines(), std::vector<std::string>{kQuery});
      EXPECT_EQ(sc->Runs().at(0).endedByItself, !c.hang) << "a hung tool is ended";
    }
    window.reset();
  }
  EXPECT_EQ(ServerValue(), -1);
}

TEST_F(Smb2Window, TwoClicksOnTheClientButtonRunTheDisablePairThenTheEnablePairAndLogBothInOrder) {
  const std::vector<std::string> disable = {"SC config lanmanworkstation depend= bowser/mrxsmb10/nsi",
                                            "SC config mrxsmb20 start= disabled"};
  const std::vector<std::string> enable = {"SC config lanmanworkstation depend= bowser/mrxsmb10/mrxsmb20/nsi",
                                           "SC config mrxsmb20 start= auto"};
  auto block = [](const std::string& heading, const std::vector<std::string>& lines, const std::string& answer) {
    return heading + "\r\nCommand: " + lines[0] + "\r\n" + answer + "\r\nCommand: " + lines[1] + "\r\n" + answer +
           "\r\n" + kRestart;
  };
  StandIn(fixtures::ScQueryOutput("4  RUNNING"));
  OpenWindow();
  const std::string opened = Shown("Text1");
  ClickOn("Command1");
  EXPECT_EQ(Shown("Command1"), "Enable Client SMB2");
  ClickOn("Command1");
  EXPECT_EQ(Shown("Command1"), "Disable Client SMB2");
  EXPECT_EQ(sc->CommandLines(), (std::vector<std::string>{kQuery, disable[0], disable[1], enable[0], enable[1]}));
  std::string log = opened + block("Disabling Client SMB2", disable, fixtures::kScConfigSuccess) +
                    block("Enabling Client SMB2", enable, fixtures::kScConfigSuccess);
  EXPECT_EQ(Shown("Text1"), log);
  EXPECT_EQ(ServerValue(), -1) << "the client switch leaves the server alone";

  // The caption is all the window keeps: a failing tool switches it all the same, and its answer
  // is in the log.
  const std::string refused = "[SC] OpenService FAILED 5:\r\n\r\nAccess is denied.\r\n";
  sc->SetOutput("config", refused);
  ClickOn("Command1");
  EXPECT_EQ(Shown("Command1"), "Enable Client SMB2");
  EXPECT_EQ(Shown("Text1"), log + block("Disabling Client SMB2", disable, refused));
}

TEST_F(Smb2Window, TheServerButtonFollowsTheStoredValueAndAClickWritesTheOther) {
  const std::string disabled = "Server SMB2 Disabled in the Registry\r\n" + kRestart;
  const std::string enabled = "Server SMB2 Enabled in the Registry\r\n" + kRestart;
  struct Case {
    int64_t stored;  // -1: absent
    const char* caption;
    uint32_t written;
    std::string log;
    const char* captionAfter;
  } cases[] = {
      {-1, "Disable Server SMB2", 0, disabled, "Enable Server SMB2"},
      {1, "Disable Server SMB2", 0, disabled, "Enable Server SMB2"},
      {0, "Enable Server SMB2", 1, enabled, "Disable Server SMB2"},
  };
  StandIn(fixtures::ScQueryOutput("4  RUNNING"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    if (c.stored < 0)
      fixtures::DeleteRaw(HKEY_LOCAL_MACHINE, kServerKey, "Smb2");
    else
      SetServerValue(uint32_t(c.stored));
    OpenWindow();
    EXPECT_EQ(Shown("Command2"), c.caption);
    const std::string opened = Shown("Text1");
    ClickOn("Command2");
    EXPECT_EQ(ServerValue(), c.written);
    EXPECT_EQ(Shown("Command2"), c.captionAfter);
    EXPECT_EQ(Shown("Text1"), opened + c.log);
    EXPECT_EQ(Shown("Command1"), "Disable Client SMB2") << "the server switch leaves the client alone";
    window.reset();
  }
  EXPECT_EQ(sc->CommandLines(), std::vector<std::string>(3, kQuery));
  EXPECT_TRUE(messages.empty());
}

TEST_F(Smb2Window, ARegistryFailureIsShownInABoxWithTheStoresTextAndTheWindowStaysUsable) {
  const std::string where = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\LanManServer\\Parameters\\Smb2";
  StandIn(fixtures::ScQueryOutput("4  RUNNING"));
  // A text where the number belongs: the server's state cannot be told.
  fixtures::WriteRaw(HKEY_LOCAL_MACHINE, kServerKey, "Smb2", REG_SZ, std::string("1\0", 2));
  OpenWindow();
  EXPECT_EQ(messages,
            std::vector<std::string>{"Registry Error|16|Registry data not a DWORD (error 800407D1)\r\n" + where});
  EXPECT_FALSE(window->Command2->Enabled());
  ClickOn("Command1");
  EXPECT_EQ(Shown("Command1"), "Enable Client SMB2") << "the client side still works";
  EXPECT_EQ(fixtures::ReadRaw(HKEY_LOCAL_MACHINE, kServerKey, "Smb2").type, DWORD(REG_SZ));
  messages.clear();

  // A write refused, as to a program without elevated rights.
  SetServerValue(1);
  OpenWindow();
  const std::string opened = Shown("Text1");
  {
    fixtures::ReadOnlyKey locked(HKEY_LOCAL_MACHINE, kServerKey);
    ClickOn("Command2");
  }
  EXPECT_EQ(messages, std::vector<std::string>{"Registry Error|16|Could not open/create registry section (error "
                                               "800407D5)\r\n" +
                                               where + "\r\nNothing was changed."});
  EXPECT_EQ(ServerValue(), 1);
  EXPECT_EQ(Shown("Text1"), opened) << "nothing is logged as done";
  ClickOn("Command2");
  EXPECT_EQ(ServerValue(), 0) << "and it can be tried again";
}

// The sizes themselves are the native table's (Smb2LogSizeFor); here, that a resize applies them.
TEST_F(Smb2Window, TheLogFollowsTheWindowsSizeAndATooSmallWindowDoesNotFailTheResize) {
  StandIn(fixtures::ScQueryOutput("1  STOPPED"));
  OpenWindow();
  forms::TextBox& log = *window->Text1;
  window->Move(window->Left(), window->Top(), 9000, 7000);
  EXPECT_EQ(log.Width(), window->ScaleWidth() - 240);
  EXPECT_EQ(log.Height(), window->ScaleHeight() - log.Top() - 120);
  const int height = log.Height();
  window->Move(window->Left(), window->Top(), 5000, 600);
  ASSERT_LT(window->ScaleHeight(), log.Top() + 120);
  ShowWindow(window->Hwnd(), SW_MINIMIZE);
  ShowWindow(window->Hwnd(), SW_RESTORE);
  EXPECT_EQ(log.Height(), height) << "too low for the log, then minimised: it keeps its height";
  EXPECT_EQ(Shown("Command1"), "Enable Client SMB2");
}

// ---- opened from the main window ----

// The SMB2 window while it is on the screen, or null.
HWND ShownSmb2Window() {
  HWND w = fixtures::ThreadForm("frmSMB2");
  return w && IsWindowVisible(w) ? w : nullptr;
}

TEST_F(Smb2Window, TheMenuOpensItModallyOverTheMainWindowAndEveryWayOutLeavesTheMainWindowReady) {
  // Each way acts from inside the modal loop; a message sent from another thread, as UI automation
  // sends it, arrives while the loop waits, and the test joins that thread afterwards.
  auto send = [](HWND hwnd, UINT msg, WPARAM wp) { return std::thread(fixtures::SendFromOutside, hwnd, msg, wp, 0); };
  auto press = [](HWND w, std::initializer_list<WORD> keys) { return fixtures::PressKeys(w, keys), std::thread(); };
  const struct {
    const char* name;
    bool switchable;  // shown with a client state it could switch, or with "Exit"
    std::function<std::thread(HWND window, HWND client)> leave;
  } ways[] = {
      {"a click sent on Exit", false, [&](HWND, HWND exit) { return send(exit, BM_CLICK, 0); }},
      {"Enter, with Exit the default", false, [&](HWND w, HWND) { return press(w, {VK_RETURN}); }},
      {"Esc", true, [&](HWND w, HWND) { return press(w, {VK_ESCAPE}); }},
  };
  form = std::make_unique<frmMain>();
  form->Load();
  // As on Windows 6.0 and later; Wine's version is the update component's business.
  form->mnuMenu->Find("mnuSMB2")->visible = true;
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    StandIn(way.switchable ? fixtures::ScQueryOutput("4  RUNNING") : "");
    bool shown = false, active = false, mainDisabled = false, ownedByMain = false, forced = false;
    std::string caption;
    std::thread sender;
    const ULONGLONG giveUp = GetTickCount64() + 20000;
    fixtures::ModalSteps steps([&] {
      HWND w = ShownSmb2Window();
      if (!shown) {
        if (!w) return false;
        shown = true;
        active = GetForegroundWindow() == w;
        mainDisabled = !IsWindowEnabled(form->Hwnd());
        ownedByMain = GetWindow(w, GW_OWNER) == form->Hwnd();
        caption = fixtures::WindowText(forms::FindControl(w, "Command1"));
        sender = way.leave(w, forms::FindControl(w, "Command1"));
        return false;
      }
      // A way that does not work fails the test instead of leaving it waiting.
      forced = w && GetTickCount64() > giveUp;
      if (forced) PostMessageA(w, WM_CLOSE, 0, 0);
      return !w || forced;
    });
    ASSERT_TRUE(form->mnuMenu->Click("mnuSMB2"));
    if (sender.joinable()) sender.join();
    EXPECT_TRUE(shown && active && mainDisabled && ownedByMain);
    EXPECT_FALSE(forced) << "the window stayed open";
    EXPECT_EQ(caption, way.switchable ? "Disable Client SMB2" : "Exit");
    EXPECT_TRUE(IsWindowEnabled(form->Hwnd()));
    EXPECT_EQ(sc->CommandLines(), std::vector<std::string>{kQuery}) << "leaving switches nothing";
  }
  EXPECT_EQ(ServerValue(), -1);
}

}  // namespace
}  // namespace lw
