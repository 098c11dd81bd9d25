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
  // Titles and change lists around the running revision.
  std::string Ver(int delta) const { return Format("L18.0.%d", revision + delta); }
  std::string Block(int delta, const std::string& lines) const {
    return Format("Version 18.0.%d Changes\r\n", revision + delta) + lines;
  }
  void ServeThreeBuilds() { ServeFeed({{Ver(-1), "Old fix"}, {Ver(1), "Fixed A^Fixed B"}, {Ver(2), "Faster counts"}}); }

  const int revision = RunningRevision();
  fixtures::HttpServer server;  // before the form: it outlives the form's reader
  frmGetRss form;
  std::vector<bool> results;
  std::string messageWhenFound;
};

TEST_F(GetRss, HiddenCheckThatFindsANewerVersionReportsItAndClosesAtOnce) {
  ServeThreeBuilds();
  form.LoadHidden();
  ASSERT_TRUE(form.Loaded());
  EXPECT_FALSE(App.RssCheckDue);
  EXPECT_EQ(App.NewRssVer, "");
  EXPECT_EQ(GetAppSetting("LastVerCheck", ""), FormatIsoDate(Today())) << "written when the read starts";
  EXPECT_EQ(form.txtStatus->Text(), "Contacting the Brenk RSS Server");

  bool everShown = false;
  ASSERT_TRUE(PumpUntil(
      [&] {
        everShown |= form.Loaded() && IsWindowVisible(form.Hwnd());
        return !form.Loaded();
      },
      20000));
  EXPECT_FALSE(everShown);
  EXPECT_EQ(results, (std::vector<bool>{true, false}));
  EXPECT_EQ(form.Timer1->Interval(), 100u);
  const std::string details = Block(1, "Fixed A\r\nFixed B") + "\r\n\r\n" + Block(2, "Faster counts");
  EXPECT_EQ(App.NewRssVer, Ver(2));
  EXPECT_EQ(App.RssDetails, details);
  EXPECT_EQ(GetAppSetting("NewRssVer", ""), Ver(2));
  EXPECT_EQ(messageWhenFound, "Brenk Ledgerwell " + Ver(2) + "\r\n\r\n" + details);
}

TEST_F(GetRss, HiddenCheckWithNothingNewerClearsTheStoredVersion) {
  ServeFeed({{Ver(-1), "Old fix"}, {Ver(0), "This build"}, {"Opening hours", "Closed on Monday"}});
  std::string lastMessage;
  form.LoadHidden();
  ASSERT_TRUE(PumpUntil(
      [&] {
        if (form.Loaded()) lastMessage = form.txtStatus->Text();
        return !form.Loaded();
      },
      20000));
  EXPECT_EQ(results, std::vector<bool>{false});
  EXPECT_EQ(lastMessage, "Brenk Ledgerwell ");
  EXPECT_EQ(App.NewRssVer, "");
  EXPECT_EQ(App.RssDetails, "");
  EXPECT_EQ(GetAppSetting("NewRssVer", "?"), "");

  // Before the main window is ready nobody is told.
  App.MainWindowReady = false;
  ServeThreeBuilds();
  frmGetRss early;
  std::vector<bool> told;
  early.onRssResult = [&](bool found) { told.push_back(found); };
  early.LoadHidden();
  ASSERT_TRUE(PumpUntil([&] { return !early.Loaded(); }, 20000));
  EXPECT_TRUE(told.empty());
  EXPECT_EQ(GetAppSetting("NewRssVer", "?"), Ver(2));
}

TEST_F(GetRss, AFailedReadShowsItsErrorAndClosesByItsTimer) {
  // Nothing is served at the feed's path.
  form.LoadHidden();
  ASSERT_TRUE(PumpUntil([&] { return form.Loaded() && IsWindowVisible(form.Hwnd()); }, 20000));
  const std::string error = "RSS Error - The server answered with HTTP status 404 (Not Found).";
  EXPECT_EQ(form.txtStatus->Text(), error);
  EXPECT_EQ(App.RssDetails, error);
  EXPECT_EQ(App.NewRssVer, "");
  EXPECT_EQ(GetAppSetting("NewRssVer", "?"), "") << "an error clears the stored version";
  EXPECT_EQ(GetAppSetting("LastVerCheck", ""), FormatIsoDate(Today())) << "a failed read still counts as today's check";
  EXPECT_TRUE(form.Timer1->Enabled());
  EXPECT_EQ(form.Timer1->Interval(), 5000u);
  EXPECT_TRUE(results.empty());

  // The box is sized by the measured text (PlaceRssWindow lays it out): one line, nothing to scroll.
  EXPECT_EQ(form.txtStatus->Width(), form.lblSize->Width());
  EXPECT_FALSE(GetWindowLongPtrA(form.txtStatus->Hwnd(), GWL_STYLE) & WS_VSCROLL) << "the text fits";
  EXPECT_EQ(SendMessageA(form.txtStatus->Hwnd(), EM_GETLINECOUNT, 0, 0), 1);

  ASSERT_TRUE(PumpUntil([&] { return !form.Loaded(); }, 20000));
  EXPECT_EQ(results, std::vector<bool>{false});
}

TEST_F(GetRss, AVisibleCheckThatFindsANewerVersionStaysOpenUntilTheUserClosesIt) {
  ServeThreeBuilds();
  bool shownAfterResult = false, timerRunning = true;
  fixtures::ModalSteps steps([&] {
    if (results.empty()) return false;
    shownAfterResult = form.Loaded() && IsWindowVisible(form.Hwnd());
    timerRunning = form.Timer1->Enabled();
    PostMessageA(form.Hwnd(), WM_CLOSE, 0, 0);  // the user closes it
    return true;
  });
  form.ShowModal();
  EXPECT_TRUE(steps.Finished());
  EXPECT_TRUE(shownAfterResult);
  EXPECT_FALSE(timerRunning) << "only the user closes a window that announces a version";
  EXPECT_EQ(results, (std::vector<bool>{true, false}));
  EXPECT_EQ(GetAppSetting("NewRssVer", ""), Ver(2));
}

TEST_F(GetRss, AVisibleCheckWithNothingNewCloses) {
  ServeFeed({{Ver(0), "This build"}});
  bool timerRunning = false;
  unsigned interval = 0;
  fixtures::ModalSteps steps([&] {
    if (form.txtStatus->Text() != "Brenk Ledgerwell ") return false;  // still contacting
    timerRunning = form.Timer1->Enabled();
    interval = form.Timer1->Interval();
    return true;
  });
  form.ShowModal();  // returns when the timer has closed the window
  EXPECT_TRUE(steps.Finished());
  EXPECT_TRUE(timerRunning);
  EXPECT_EQ(interval, 5000u) << "the result stays on the screen for a while";
  EXPECT_EQ(results, std::vector<bool>{false});
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
  EXPECT_EQ(results, std::vector<bool>{false});
  server.Release();
  ASSERT_TRUE(PumpUntil([&] { return server.Waiting() == 0; }, 10000));
  PumpFor(300);
  EXPECT_EQ(results, std::vector<bool>{false}) << "the dropped read reports nothing";
  EXPECT_EQ(GetAppSetting("NewRssVer", "?"), "L18.0.99") << "nor does it store anything";
  EXPECT_EQ(GetAppSetting("LastVerCheck", ""), FormatIsoDate(Today()));
}

TEST_F(GetRss, ALongChangeListKeepsTheWindowOnTheScreenAndScrolls) {
  std::string lines;
  for (int i = 1; i <= 150; ++i) lines += Format("%sChange number %d of this build", i > 1 ? "^" : "", i);
  ServeFeed({{Ver(1), lines}});
  RECT window{}, box{}, client{};
  bool scrollBar = false;
  LRESULT lineCount = 0;
  fixtures::ModalSteps steps([&] {
    if (results.empty()) return false;
    GetWindowRect(form.Hwnd(), &window);
    GetClientRect(form.Hwnd(), &client);
    GetWindowRect(form.txtStatus->Hwnd(), &box);
    MapWindowPoints(HWND_DESKTOP, form.Hwnd(), reinterpret_cast<POINT*>(&box), 2);
    scrollBar = GetWindowLongPtrA(form.txtStatus->Hwnd(), GWL_STYLE) & WS_VSCROLL;
    lineCount = SendMessageA(form.txtStatus->Hwnd(), EM_GETLINECOUNT, 0, 0);
    PostMessageA(form.Hwnd(), WM_CLOSE, 0, 0);
    return true;
  });
  form.ShowModal();
  ASSERT_TRUE(steps.Finished());
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_TRUE(window.left >= 0 && window.top >= 0 && window.right <= screenWidth &&
              window.bottom <= screenHeight * 19 / 20 + 1 && window.right - window.left < screenWidth / 2)
      << window.left << "," << window.top << "," << window.right << "," << window.bottom;
  EXPECT_TRUE(box.right <= client.right && box.bottom <= client.bottom) << "the box fits the window";
  EXPECT_TRUE(scrollBar) << "the rest of the text is a scroll away";
  // The title line, an empty line, the block's heading and its 150 lines: none of them wrapped.
  EXPECT_EQ(lineCount, 153);
}

}  // namespace
}  // namespace lw
