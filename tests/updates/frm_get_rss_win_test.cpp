// The RSS check window against a feed served on 127.0.0.1: hidden as the daily check runs it,
// and modal as the bulb shows it.
#include "app/updates/frm_get_rss_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "app/shell/startup_rules.h"
#include "app/state/app_state.h"
#include "app/state/program_win.h"
#include "app/state/settings_win.h"
#include "app/tools/text.h"
#include "tests/fixtures/http_server_win.h"
#include "tests/fixtures/rss_feed.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

using fixtures::PumpFor;
using fixtures::PumpUntil;

class GetRss : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ResetProgramState();
    App.MainWindowReady = true;
    App.RssCheckDue = true;
    App.ProgramCode = "LL";
    App.RssServer = server.BaseUrl();
    App.NewRssVer = "L18.0.99";
    SaveAppSetting("NewRssVer", "L18.0.99");
    form.onRssResult = [this](bool found) {
      results.push_back(found);
      if (found) messageWhenFound = form.txtStatus->Text();
    };
  }
  void TearDown() override { fixtures::ResetProgramState(); }
  void ServeFeed(const std::vector<fixtures::FeedItem>& items, bool held = false) {
    fixtures::HttpResponse r;
    r.body = fixtures::BuildRssFeed(items);
    r.held = held;
    server.Serve("/rss/LL.xml", r);
  }
  // A title around the running revision.
  std::string Ver(int delta) const { return Format("L18.0.%d", revision + delta); }

  const int revision = RunningRevision();
  fixtures::HttpServer server;  // before the form: it outlives the form's reader
  frmGetRss form;
  std::vector<bool> results;
  std::string messageWhenFound;
};

TEST_F(GetRss, TheHiddenCheckReportsANewerVersionAndClosesUnseen) {
  ServeFeed({{Ver(-1), "Old fix"}, {Ver(1), "Fixed A^Fixed B"}, {Ver(2), "Faster counts"}});
  form.LoadHidden();
  EXPECT_FALSE(App.RssCheckDue);
  EXPECT_EQ(App.NewRssVer, "");
  EXPECT_EQ(GetAppSetting("LastVerCheck", ""), FormatIsoDate(Today())) << "written when the read starts";
  bool everShown = false;
  ASSERT_TRUE(PumpUntil(
      [&] {
        everShown |= form.Loaded() && IsWindowVisible(form.Hwnd());
        return !form.Loaded();
      },
      20000));
  EXPECT_FALSE(everShown);
  EXPECT_EQ(results, (std::vector<bool>{true, false}));
  const std::string details = Format("Version 18.0.%d Changes\r\nFixed A\r\nFixed B\r\n\r\n", revision + 1) +
                              Format("Version 18.0.%d Changes\r\nFaster counts", revision + 2);
  EXPECT_EQ(App.NewRssVer + "|" + GetAppSetting("NewRssVer", ""), Ver(2) + "|" + Ver(2));
  EXPECT_EQ(App.RssDetails, details);
  EXPECT_EQ(messageWhenFound, "Brenk Ledgerwell " + Ver(2) + "\r\n\r\n" + details);
}

TEST_F(GetRss, AFailedReadShowsItsErrorAndClosesByItsTimer) {
  // Nothing is served at the feed's path.
  form.LoadHidden();
  ASSERT_TRUE(PumpUntil([&] { return form.Loaded() && IsWindowVisible(form.Hwnd()); }, 20000));
  const std::string error = "RSS Error - The server answered with HTTP status 404 (Not Found).";
  EXPECT_EQ(form.txtStatus->Text(), error);
  EXPECT_EQ(App.RssDetails, error);
  EXPECT_EQ(GetAppSetting("NewRssVer", "?"), "") << "an error clears the stored version";
  EXPECT_EQ(form.Timer1->Interval(), 5000u) << "the error stays on the screen for a while";
  ASSERT_TRUE(PumpUntil([&] { return !form.Loaded(); }, 20000));
  EXPECT_EQ(results, std::vector<bool>{false});
}

TEST_F(GetRss, AVisibleCheckThatFindsANewerVersionScrollsItsMessageAndStaysUntilTheUserClosesIt) {
  std::string lines;
  for (int i = 1; i <= 150; ++i) lines += Format("%sChange number %d of this build", i > 1 ? "^" : "", i);
  ServeFeed({{Ver(1), lines}});
  RECT box{}, client{};
  bool shown = false, timerRunning = true, scrollBar = false;
  LRESULT lineCount = 0;
  fixtures::ModalSteps steps([&] {
    if (results.empty()) return false;
    shown = IsWindowVisible(form.Hwnd());
    timerRunning = form.Timer1->Enabled();
    GetClientRect(form.Hwnd(), &client);
    GetWindowRect(form.txtStatus->Hwnd(), &box);
    MapWindowPoints(HWND_DESKTOP, form.Hwnd(), reinterpret_cast<POINT*>(&box), 2);
    scrollBar = GetWindowLongPtrA(form.txtStatus->Hwnd(), GWL_STYLE) & WS_VSCROLL;
    lineCount = SendMessageA(form.txtStatus->Hwnd(), EM_GETLINECOUNT, 0, 0);
    PostMessageA(form.Hwnd(), WM_CLOSE, 0, 0);  // the user closes it
    return true;
  });
  form.ShowModal();
  ASSERT_TRUE(steps.Finished());
  EXPECT_TRUE(shown);
  EXPECT_FALSE(timerRunning) << "only the user closes a window that announces a version";
  EXPECT_EQ(results, (std::vector<bool>{true, false}));
  EXPECT_TRUE(box.right <= client.right && box.bottom <= client.bottom) << "the box fits the window";
  EXPECT_TRUE(scrollBar) << "the rest of the text is a scroll away";
  // The title line, an empty line, the block's heading and its 150 lines: none of them wrapped.
  EXPECT_EQ(lineCount, 153);
}

TEST_F(GetRss, ClosingTheWindowWhileContactingDropsTheRead) {
  ServeFeed({{Ver(5), "Much later"}}, true);
  fixtures::ModalSteps steps([&] {
    if (server.Waiting() == 0) return false;
    PostMessageA(form.Hwnd(), WM_CLOSE, 0, 0);
    return true;
  });
  form.ShowModal();
  EXPECT_TRUE(steps.Finished());
  server.Release();
  ASSERT_TRUE(PumpUntil([&] { return server.Waiting() == 0; }, 10000));
  PumpFor(300);
  EXPECT_EQ(results, std::vector<bool>{false}) << "the dropped read reports nothing";
  EXPECT_EQ(GetAppSetting("NewRssVer", "?"), "L18.0.99") << "nor does it store anything";
}

}  // namespace
}  // namespace lw
