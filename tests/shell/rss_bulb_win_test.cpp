// The main window's side of the RSS check: the first tick's background check, the bulbs, the
// modal check from the yellow bulb, driven through the real window against a local feed.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/forms/forms_win.h"
#include "app/shell/frm_main_window_win.h"
#include "app/shell/startup_rules.h"
#include "app/shell/startup_win.h"
#include "app/state/app_state.h"
#include "app/state/program_win.h"
#include "app/state/settings_win.h"
#include "app/tools/text.h"
#include "tests/fixtures/http_server_win.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/rss_feed.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

using fixtures::PumpFor;
using fixtures::PumpUntil;

// The check window, if one is open.
HWND CheckWindow() { return fixtures::ThreadForm("frmGetRss"); }

std::string CheckMessage() {
  char text[4096] = {};
  GetWindowTextA(forms::FindControl(CheckWindow(), "txtStatus"), text, sizeof text);
  return text;
}

class RssBulb : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ClearSettings();
    ResetApplicationState();
    App.ProgramCode = "LL";
    App.RssServer = server.BaseUrl();
  }
  void TearDown() override {
    form.reset();
    fixtures::ClearSettings();
    ResetApplicationState();
  }
  void Open() {
    form = std::make_unique<frmMain>();
    form->Load();
    form->cmdAbout->onClick = [this] { ++abouts; };
  }
  void ServeFeed(const std::vector<fixtures::FeedItem>& items, bool held = false) {
    fixtures::HttpResponse r;
    r.body = fixtures::BuildRssFeed(items);
    r.held = held;
    server.Serve("/rss/LL.xml", r);
  }
  std::string Ver(int delta) const { return Format("L18.0.%d", revision + delta); }
  std::string Tip(const std::string& version) const {
    return "A program update to " + version + " is available - Click the Bulb for details";
  }
  // The bulbs shown: "yellow", "red", "both" or "none".
  std::string Bulbs() const {
    return form->picBulbY->Visible() ? (form->picBulbR->Visible() ? "both" : "yellow")
                                     : (form->picBulbR->Visible() ? "red" : "none");
  }
  void ClickBulb() const {
    PostMessageA(form->picBulbY->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageA(form->picBulbY->Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  }

  const int revision = RunningRevision();
  fixtures::HttpServer server;
  std::unique_ptr<frmMain> form;
  int abouts = 0;
};

TEST_F(RssBulb, TheFirstTickChecksInTheBackgroundAndAnnouncesANewerVersion) {
  ServeFeed({{Ver(-1), "Old"}, {Ver(1), "Fixed A"}, {Ver(2), "Faster"}}, true);
  App.RssCheckDue = true;
  Open();
  EXPECT_EQ(Bulbs(), "none");

  form->Timer1->onTimer();
  EXPECT_FALSE(App.RssCheckDue);
  EXPECT_EQ(Bulbs(), "red") << "the red bulb while the feed is read";
  ASSERT_TRUE(CheckWindow());
  EXPECT_FALSE(IsWindowVisible(CheckWindow()));
  ASSERT_TRUE(PumpUntil([&] { return server.Waiting() == 1; }, 10000));
  // Another tick while the feed is still on its way starts nothing new.
  form->Timer1->onTimer();
  EXPECT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(Bulbs(), "red");

  server.Release();
  ASSERT_TRUE(PumpUntil([&] { return abouts > 0; }, 20000));
  EXPECT_EQ(Bulbs(), "yellow");
  EXPECT_EQ(form->picBulbY->ToolTipText(), Tip(Ver(2)));
  EXPECT_EQ(GetAppSetting("NewRssVer", ""), Ver(2));
  EXPECT_EQ(GetAppSetting("LastVerCheck", ""), FormatIsoDate(Today()));
  ASSERT_TRUE(PumpUntil([] { return CheckWindow() == nullptr; }, 10000));
  EXPECT_EQ(abouts, 1) << "the About window once, as if About had been clicked";

  form->Timer1->onTimer();
  PumpFor(100);
  EXPECT_EQ(server.Requests().size(), 1u) << "one check a run";
  EXPECT_FALSE(CheckWindow());
}

TEST_F(RssBulb, NothingNewerLeavesNoBulb) {
  ServeFeed({{Ver(0), "This build"}});
  App.RssCheckDue = true;
  App.NewRssVer = Ver(1);  // announced by an earlier check
  Open();
  EXPECT_EQ(Bulbs(), "yellow");
  EXPECT_EQ(form->picBulbY->ToolTipText(), Tip(Ver(1)));

  form->Timer1->onTimer();
  EXPECT_FALSE(form->picBulbY->Visible()) << "hidden while the new check runs";
  ASSERT_TRUE(PumpUntil([] { return CheckWindow() == nullptr; }, 20000));
  EXPECT_EQ(Bulbs(), "none");
  EXPECT_EQ(abouts, 0);
}

TEST_F(RssBulb, TheYellowBulbRunsTheCheckModallyWhileBusy) {
  ServeFeed({{Ver(1), "Fixed A^Fixed B"}}, true);
  App.NewRssVer = Ver(1);
  Open();
  ASSERT_EQ(Bulbs(), "yellow");

  // Busy with something else: the bulb does nothing.
  form->SetBusy(true);
  ClickBulb();
  PumpFor(200);
  EXPECT_FALSE(CheckWindow());
  EXPECT_TRUE(server.Requests().empty());
  EXPECT_EQ(Bulbs(), "yellow");
  form->SetBusy(false);

  // The window's state while the feed is read, and once its answer is on the screen.
  bool redWhileReading = false;
  std::string answered, message;
  fixtures::ModalSteps steps([&] {
    HWND check = CheckWindow();
    if (!check || !IsWindowVisible(check)) return false;
    if (CheckMessage().starts_with("Contacting")) {
      if (server.Waiting() == 1) {
        redWhileReading = Bulbs() == "red";
        server.Release();
      }
      return false;
    }
    message = CheckMessage();
    answered = Format("busy %d, %s, timer %d, %s", App.Busy, form->cmdExit->Caption().c_str(), form->Timer1->Enabled(),
                      Bulbs().c_str());
    PostMessageA(check, WM_CLOSE, 0, 0);
    return true;
  });
  ClickBulb();
  ASSERT_TRUE(PumpUntil([&] { return steps.Finished() && !CheckWindow() && !App.Busy; }, 20000));
  EXPECT_TRUE(redWhileReading);
  EXPECT_EQ(message, "Brenk Ledgerwell " + Ver(1) + "\r\n\r\n" + Format("Version 18.0.%d Changes\r\n", revision + 1) +
                         "Fixed A\r\nFixed B");
  EXPECT_EQ(answered, "busy 1, Stop, timer 0, yellow");
  EXPECT_EQ(abouts, 0) << "busy: the About window waits for the user";
  EXPECT_EQ(form->cmdExit->Caption(), "Exit");
  EXPECT_TRUE(form->Timer1->Enabled());
  EXPECT_EQ(Bulbs(), "yellow");
  EXPECT_EQ(form->picBulbY->ToolTipText(), Tip(Ver(1)));
}

TEST_F(RssBulb, ClosingTheMainWindowTakesAnOpenCheckWithIt) {
  App.RssCheckDue = true;  // and nothing served: the check shows its error for five seconds
  Open();
  form->Timer1->onTimer();
  ASSERT_TRUE(PumpUntil([] { return CheckWindow() && IsWindowVisible(CheckWindow()); }, 20000));
  EXPECT_TRUE(CheckMessage().starts_with("RSS Error - ")) << CheckMessage();
  EXPECT_TRUE(form->Unload());
  EXPECT_FALSE(CheckWindow());
}

}  // namespace
}  // namespace lw
