#include "app/updates/rss_check.h"

#include <gtest/gtest.h>

namespace lw {
namespace {

const std::vector<RssItem> kThreeBuilds = {
    {"L2.1.56", "Old fix"}, {"L2.1.58", "Fixed A^Fixed B"}, {"L2.1.60", "Faster counts"}};

TEST(RssCheck, NewerBuildsGiveTheNewestTitleAndEveryNewerChangeList) {
  RssVersionChoice choice = ChooseNewerVersion(kThreeBuilds, 57);
  EXPECT_EQ(choice.newRssVer, "L2.1.60");
  EXPECT_EQ(choice.details,
            "Version 2.1.58 Changes\r\nFixed A\r\nFixed B\r\n\r\n"
            "Version 2.1.60 Changes\r\nFaster counts");
  EXPECT_EQ(RssResultText("Brenk Ledgerwell", choice.newRssVer, choice.details),
            "Brenk Ledgerwell L2.1.60\r\n\r\n" + choice.details);

  // The newest build first in the feed: the older newer one still gets its block, after it.
  RssVersionChoice reversed = ChooseNewerVersion({kThreeBuilds[2], kThreeBuilds[1]}, 57);
  EXPECT_EQ(reversed.newRssVer, "L2.1.60");
  EXPECT_TRUE(reversed.details.starts_with("Version 2.1.60 Changes")) << reversed.details;
}

TEST(RssCheck, NothingNewerLeavesOnlyTheFileDescriptionAndABlank) {
  RssVersionChoice choice = ChooseNewerVersion(kThreeBuilds, 60);
  EXPECT_EQ(choice.newRssVer, "");
  EXPECT_EQ(choice.details, "");
  EXPECT_EQ(RssResultText("Brenk Ledgerwell", choice.newRssVer, choice.details), "Brenk Ledgerwell ");
  EXPECT_EQ(ChooseNewerVersion({}, 0).newRssVer, "");
}

TEST(RssCheck, TheFirstOfTwoEqualHighestBuildsIsKept) {
  RssVersionChoice choice = ChooseNewerVersion({{"L2.1.60", "one"}, {"M2.1.60", "two"}, {"N2.1.59", "three"}}, 57);
  EXPECT_EQ(choice.newRssVer, "L2.1.60");
  EXPECT_EQ(
      choice.details,
      "Version 2.1.60 Changes\r\none\r\n\r\nVersion 2.1.60 Changes\r\ntwo\r\n\r\nVersion 2.1.59 Changes\r\nthree");
}

TEST(RssCheck, TitlesWithoutADotOrANumericBuildAreSkipped) {
  EXPECT_EQ(RssBuildNumber("L2.1.58"), 58);
  EXPECT_EQ(RssBuildNumber("L2.1.x"), 0);
  EXPECT_EQ(RssBuildNumber("L2.1.7b"), 7);
  EXPECT_EQ(RssBuildNumber("L2158"), -1);
  EXPECT_EQ(RssBuildNumber(""), -1);
  RssVersionChoice choice =
      ChooseNewerVersion({{"L99999", "no dot"}, {"L2.1.x", "not numeric"}, {"L2.1.-90", "negative"}}, 0);
  EXPECT_EQ(choice.newRssVer, "");
  EXPECT_EQ(choice.details, "");
  // A build past the 64-bit range counts as the largest one, not as a negative number.
  EXPECT_EQ(ChooseNewerVersion({{"L2.1.99999999999999999999999", ""}}, 57).newRssVer, "L2.1.99999999999999999999999");
}

TEST(RssCheck, ChangeBlocksBreakLinesAtCarets) {
  EXPECT_EQ(RssChangeBlock("L2.1.58", "Fixed A^Fixed B"), "Version 2.1.58 Changes\r\nFixed A\r\nFixed B");
  EXPECT_EQ(RssChangeBlock("L2.1.58", "^^"), "Version 2.1.58 Changes\r\n\r\n\r\n");
  EXPECT_EQ(RssChangeBlock("L2.1.58", ""), "Version 2.1.58 Changes\r\n");
}

TEST(RssCheck, FeedAddressIsTheServerAndTheProgramsFeedPath) {
  EXPECT_EQ(RssFeedUrl("https://www.brenkgroup.co.uk", "LL"), "https://www.brenkgroup.co.uk/rss/LL.xml");
  EXPECT_EQ(RssFeedUrl("http://127.0.0.1:8080/", "LL"), "http://127.0.0.1:8080/rss/LL.xml");
  EXPECT_TRUE(IsUsableRssServer("https://www.brenkgroup.co.uk"));
  EXPECT_TRUE(IsUsableRssServer("HTTP://127.0.0.1:8080/"));
  EXPECT_TRUE(IsUsableRssServer("http://[::1]:80/feeds"));
  EXPECT_FALSE(IsUsableRssServer(""));
  EXPECT_FALSE(IsUsableRssServer("www.brenkgroup.co.uk"));
  EXPECT_FALSE(IsUsableRssServer("ftp://www.brenkgroup.co.uk"));
  EXPECT_FALSE(IsUsableRssServer("file:///c:/feeds"));
  EXPECT_FALSE(IsUsableRssServer("http://"));
  EXPECT_FALSE(IsUsableRssServer("http:///rss"));
  EXPECT_FALSE(IsUsableRssServer("http://user@host"));
  EXPECT_FALSE(IsUsableRssServer("http://host/a b"));
  EXPECT_FALSE(IsUsableRssServer("http://host/?q=1"));
}

TEST(RssCheck, WindowTakesTheMessagePlusMarginAndStaysOnTheScreen) {
  // 15360 x 11520 twips: 1024 x 768 pixels at 96 DPI. Borders 90 wide, 450 high, scroll bars 255.
  RssWindowPlacement small = PlaceRssWindow(2000, 300, 90, 450, 255, 6000, 5000, 15360, 11520);
  EXPECT_EQ(small.width, 3000) << "never narrower than 3000";
  EXPECT_EQ(small.height, 300 + 240 + 450);
  EXPECT_EQ(small.left, 6000);
  EXPECT_EQ(small.top, 5000);
  EXPECT_EQ(small.textWidth, 2000);
  EXPECT_EQ(small.textHeight, 300);
  EXPECT_FALSE(small.cut);

  RssWindowPlacement wide = PlaceRssWindow(5000, 1200, 90, 450, 255, 12000, 10000, 15360, 11520);
  EXPECT_EQ(wide.width, 5000 + 240 + 90);
  EXPECT_EQ(wide.height, 1200 + 240 + 450);
  EXPECT_EQ(wide.left, 15360 - wide.width) << "moved left to keep its right edge on the screen";
  EXPECT_EQ(wide.top, 10944 - wide.height) << "moved up to stay above 19/20 of the screen";
  EXPECT_FALSE(wide.cut);

  RssWindowPlacement huge = PlaceRssWindow(20000, 30000, 90, 450, 255, 100, 100, 15360, 11520);
  EXPECT_EQ(huge.width, 15360);
  EXPECT_EQ(huge.height, 10944);
  EXPECT_EQ(huge.left, 0);
  EXPECT_EQ(huge.top, 0);
  EXPECT_EQ(huge.textWidth, 15360 - 90 - 240);
  EXPECT_EQ(huge.textHeight, 10944 - 450 - 240);
  EXPECT_TRUE(huge.cut) << "the status box fits the window, and scrolls";

  // Too tall only: a scroll bar wider, so the lines keep their width.
  RssWindowPlacement tall = PlaceRssWindow(4000, 30000, 90, 450, 255, 100, 100, 15360, 11520);
  EXPECT_EQ(tall.width, 4000 + 255 + 240 + 90);
  EXPECT_EQ(tall.textWidth, 4000 + 255);
  EXPECT_EQ(tall.height, 10944);
  EXPECT_TRUE(tall.cut);
}

}  // namespace
}  // namespace lw
