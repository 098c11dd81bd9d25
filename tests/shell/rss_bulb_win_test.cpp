// The main window's side of the RSS check: the first tick's background check and the bulbs, driven
// through the real window against a local feed.
#include <gtest/gtest.h>
#include <windows.h>

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

HWND CheckWindow() { return fixtures::ThreadForm("frmGetRss"); }  // the check window, if one is open

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
  std::string Ver(int delta) const { return Format("L18.0.%d", revision + delta); }
  // The bulbs shown: "Y", "R", "YR" or "".
  std::string Bulbs() const {
    return std::string(form->picBulbY->Visible() ? "Y" : "") + (form->picBulbR->Visible() ? "R" : "");
  }

  const int revision = RunningRevision();
  fixtures::HttpServer server;
  std::unique_ptr<frmMain> form;
  int abouts = 0;
};

TEST_F(RssBulb, TheFirstTickChecksInTheBackgroundAndAnnouncesANewerVersion) {
  fixtures::HttpResponse feed;
  feed.body = fixtures::BuildRssFeed({{Ver(-1), "Old"}, {Ver(1), "Fixed A"}, {Ver(2), "Faster"}});
  feed.held = true;
  server.Serve("/rss/LL.xml", feed);
  App.RssCheckDue = true;
  form = std::make_unique<frmMain>();
  form->Load();
  form->cmdAbout->onClick = [this] { ++abouts; };

  form->Timer1->onTimer();
  EXPECT_EQ(Bulbs(), "R") << "the red bulb while the feed is read";
  ASSERT_TRUE(CheckWindow() && !IsWindowVisible(CheckWindow()));
  ASSERT_TRUE(fixtures::PumpUntil([&] { return server.Waiting() == 1; }, 10000));
  form->Timer1->onTimer();  // a tick while the feed is on its way starts nothing new
  EXPECT_EQ(server.Requests().size(), 1u);
  server.Release();
  ASSERT_TRUE(fixtures::PumpUntil([&] { return abouts > 0; }, 20000));
  EXPECT_EQ(Bulbs(), "Y");
  EXPECT_NE(form->picBulbY->ToolTipText().find(Ver(2)), std::string::npos) << "the newest version announced";
  EXPECT_EQ(GetAppSetting("NewRssVer", ""), Ver(2));
  EXPECT_EQ(GetAppSetting("LastVerCheck", ""), FormatIsoDate(Today()));
  ASSERT_TRUE(fixtures::PumpUntil([] { return CheckWindow() == nullptr; }, 10000));
  EXPECT_EQ(abouts, 1) << "the About window once, as if About had been clicked";

  form->Timer1->onTimer();
  fixtures::PumpFor(100);
  EXPECT_EQ(server.Requests().size(), 1u) << "one check a run";
}

}  // namespace
}  // namespace lw
