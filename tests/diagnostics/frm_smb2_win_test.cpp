// The SMB2 window with the stand-in service-control tool (or Wine's own, which knows no SMB2 driver)
// and the prefix's registry. What each state shows and runs: the native tables of smb2_test.cpp.
#include "app/diagnostics/frm_smb2_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "tests/fixtures/main_window_win.h"
#include "tests/fixtures/program_win.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/service_control_win.h"

namespace lw {
namespace {

const std::string kServerKey = "SYSTEM\\CurrentControlSet\\Services\\LanManServer\\Parameters";
const std::string kRestart = "Restart your computer to activate this change\r\n\r\n";
const std::string kConfigDone = "[SC] ChangeServiceConfig SUCCESS\r\n";

class Smb2Window : public fixtures::MainWindowTest {
 protected:
  void TearDown() override {
    window.reset();
    MainWindowTest::TearDown();
  }
  // Loads the window and shows it, not modally, so that the test can click it.
  void OpenWindow() {
    window = std::make_unique<frmSMB2>();
    window->Load();
    window->Show();
  }
  std::string Shown(const char* name) const { return fixtures::WindowText(forms::FindControl(window->Hwnd(), name)); }
  void ClickOn(const char* name) const { SendMessageA(forms::FindControl(window->Hwnd(), name), BM_CLICK, 0, 0); }
  // A key pressed on the window, which it answers by closing.
  void LeaveWith(WORD key) {
    fixtures::PressKeys(window->Hwnd(), {key});
    EXPECT_TRUE(fixtures::PumpUntil([&] { return !window->Loaded(); })) << "the window stayed open after " << key;
  }
  // The stored number: -1 when the value is absent, -2 when it has another type.
  static int64_t ServerValue() { return fixtures::ReadDword(HKEY_LOCAL_MACHINE, kServerKey, "Smb2"); }

  std::unique_ptr<frmSMB2> window;
  fixtures::RestoredValues restore_{HKEY_LOCAL_MACHINE, {{kServerKey, "Smb2"}}};
};

TEST_F(Smb2Window, EachButtonRunsItsSwitchAndWhatTheRegistryRefusesIsShownInABox) {
  fixtures::DeleteRaw(HKEY_LOCAL_MACHINE, kServerKey, "Smb2");
  // Wine's own tool knows no SMB2 driver: the button reads "Exit", which Enter presses.
  OpenWindow();
  EXPECT_EQ(Shown("Text1"), " Command: SC query mrxsmb20\r\n\r\nClient SMB2 service not found\r\n\r\n");
  LeaveWith(VK_RETURN);

  fixtures::ServiceControlStandIn sc;
  sc.SetOutput("query", "\r\nSERVICE_NAME: mrxsmb20 \r\n        STATE              : 4  RUNNING \r\n");
  sc.SetOutput("config", kConfigDone);
  OpenWindow();
  std::string log = Shown("Text1");
  EXPECT_EQ(log,
            "RUNNING Command: SC query mrxsmb20\r\n\r\nSERVICE_NAME: mrxsmb20 \r\n STATE : 4 RUNNING \r\n\r\n"
            "Client SMB2 service is enabled\r\n\r\n");
  ClickOn("Command1");
  EXPECT_EQ(Shown("Command1"), "Enable Client SMB2");
  const std::string first = "SC config lanmanworkstation depend= bowser/mrxsmb10/nsi",
                    second = "SC config mrxsmb20 start= disabled";
  EXPECT_EQ(sc.CommandLines(), (std::vector<std::string>{"SC query mrxsmb20", first, second}));
  log += "Disabling Client SMB2\r\nCommand: " + first + "\r\n" + kConfigDone + "\r\nCommand: " + second + "\r\n" +
         kConfigDone + "\r\n" + kRestart;
  EXPECT_EQ(Shown("Text1"), log);
  EXPECT_EQ(ServerValue(), -1) << "the client switch leaves the server alone";

  // Absent, the server value counts as on.
  EXPECT_EQ(Shown("Command2"), "Disable Server SMB2");
  ClickOn("Command2");
  EXPECT_EQ(ServerValue(), 0);
  EXPECT_EQ(Shown("Command2"), "Enable Server SMB2");
  log += "Server SMB2 Disabled in the Registry\r\n" + kRestart;
  EXPECT_EQ(Shown("Text1"), log);
  const std::string where = "\r\nHKLM\\" + kServerKey + "\\Smb2";
  {  // a write refused, as to a program without elevated rights
    fixtures::ReadOnlyKey locked(HKEY_LOCAL_MACHINE, kServerKey);
    ClickOn("Command2");
  }
  EXPECT_EQ(messages, std::vector<std::string>{"Registry Error|16|Could not open/create registry section (error "
                                               "800407D5)" +
                                               where + "\r\nNothing was changed."});
  EXPECT_EQ(ServerValue(), 0);
  EXPECT_EQ(Shown("Text1"), log) << "nothing logged";
  ClickOn("Command2");
  EXPECT_EQ(ServerValue(), 1) << "and it can be tried again";

  // A text where the number belongs: the server's state cannot be told, the client's still can.
  messages.clear();
  fixtures::WriteRaw(HKEY_LOCAL_MACHINE, kServerKey, "Smb2", REG_SZ, std::string("1\0", 2));
  OpenWindow();
  EXPECT_EQ(messages, std::vector<std::string>{"Registry Error|16|Registry data not a DWORD (error 800407D1)" + where});
  EXPECT_FALSE(window->Command2->Enabled());
  EXPECT_EQ(Shown("Command1"), "Disable Client SMB2");
  EXPECT_EQ(ServerValue(), -2);
  // Esc leaves the window in any state, as no button may be the cancel one.
  LeaveWith(VK_ESCAPE);
}

}  // namespace
}  // namespace lw
