#include "app/updates/rss_check.h"

#include <gtest/gtest.h>

namespace lw {
namespace {

TEST(RssCheck, TheNewestBuildAboveThisOneIsAnnouncedWithEveryNewerChangeList) {
  const std::vector<RssItem> builds = {
      {"L2.1.56", "Old fix"}, {"L2.1.60", "Faster counts"}, {"M2.1.60", "same build"}, {"L2.1.58", "Fixed A^^B"}};
  RssVersionChoice choice = ChooseNewerVersion(builds, 57);
  EXPECT_EQ(choice.newRssVer, "L2.1.60") << "the first of two equal highest builds";
  EXPECT_EQ(choice.details,
            "Version 2.1.60 Changes\r\nFaster counts\r\n\r\nVersion 2.1.60 Changes\r\nsame build\r\n\r\n"
            "Version 2.1.58 Changes\r\nFixed A\r\n\r\nB");
  EXPECT_EQ(RssResultText("Brenk Ledgerwell", choice.newRssVer, choice.details),
            "Brenk Ledgerwell L2.1.60\r\n\r\n" + choice.details);

  choice = ChooseNewerVersion(builds, 60);
  EXPECT_EQ(choice.newRssVer + choice.details, "");
  EXPECT_EQ(RssResultText("Brenk Ledgerwell", choice.newRssVer, choice.details), "Brenk Ledgerwell ");
  // Titles without a dot or a numeric build are skipped.
  choice = ChooseNewerVersion({{"L99999", "no dot"}, {"L2.1.x", "not numeric"}, {"L2.1.-90", "negative"}}, 0);
  EXPECT_EQ(choice.newRssVer + choice.details, "");
  // A build past the 64-bit range counts as the largest one, not as a negative number.
  EXPECT_EQ(ChooseNewerVersion({{"L2.1.99999999999999999999999", ""}}, 57).newRssVer, "L2.1.99999999999999999999999");
}

TEST(RssCheck, FeedAddressIsTheServerAndTheProgramsFeedPath) {
  EXPECT_EQ(RssFeedUrl("http://127.0.0.1:8080/", "LL"), "http://127.0.0.1:8080/rss/LL.xml");
  for (const char* server : {"https://www.brenkgroup.co.uk", "HTTP://127.0.0.1:8080/", "http://[::1]:80/feeds"})
    EXPECT_TRUE(IsUsableRssServer(server)) << server;
  for (const char* server :
       {"", "www.brenkgroup.co.uk", "file:///c:/feeds", "http://", "http://user@host", "http://host/a b"})
    EXPECT_FALSE(IsUsableRssServer(server)) << server;
}

TEST(RssCheck, WindowTakesTheMessagePlusMarginAndStaysOnTheScreen) {
  // 15360 x 11520 twips: 1024 x 768 pixels at 96 DPI. Borders 90 wide, 450 high, scroll bars 255;
  // the lowest the window may reach is 19/20 of the screen, 10944.
  auto place = [](int width, int height, int left, int top) {
    const RssWindowPlacement p = PlaceRssWindow(width, height, 90, 450, 255, left, top, 15360, 11520);
    return std::vector<int>{p.left, p.top, p.width, p.height, p.textWidth, p.textHeight, p.cut};
  };
  // left, top, width, height, then the status box's width and height, and whether it is cut
  EXPECT_EQ(place(2000, 300, 6000, 5000), (std::vector<int>{6000, 5000, 3000, 990, 2000, 300, false}))
      << "never narrower than 3000";
  EXPECT_EQ(place(5000, 1200, 12000, 10000),
            (std::vector<int>{15360 - 5330, 10944 - 1890, 5330, 1890, 5000, 1200, false}))
      << "moved left and up to stay on the screen";
  EXPECT_EQ(place(20000, 30000, 100, 100), (std::vector<int>{0, 0, 15360, 10944, 15360 - 330, 10944 - 690, true}))
      << "the status box fits the window, and scrolls";
  EXPECT_EQ(place(4000, 30000, 100, 100), (std::vector<int>{100, 0, 4000 + 255 + 330, 10944, 4255, 10944 - 690, true}))
      << "too tall only: a scroll bar wider, so the lines keep their width";
}

}  // namespace
}  // namespace lw
