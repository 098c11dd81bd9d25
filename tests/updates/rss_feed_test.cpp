#include "app/updates/rss_feed.h"

#include <gtest/gtest.h>

#include <string>

namespace lw {
namespace {

std::string Feed(const std::string& items, const std::string& declaration = "<?xml version=\"1.0\"?>") {
  return declaration + "\n<rss version=\"2.0\">\n <channel>\n  <title>Brenk news</title>\n" + items +
         " </channel>\n</rss>\n";
}

TEST(RssFeed, ReadsTitlesAndDescriptionsDecodedTrimmedAndWithCrLfLineEnds) {
  RssFeed feed = ParseRssFeed(
      Feed("  <item>\n   <title>L2.1.58</title>\n   <link>https://example.com/58</link>\n"
           "   <description>Fixed A &amp; B^&lt;Reports&gt; &quot;now&quot; &apos;x&apos;</description>\n  </item>\n"
           "  <item><title><![CDATA[L2.1.60]]></title>\n"
           "   <description><![CDATA[Sizes <b>&amp;</b>]]> and &#233;&#xE9;&#x20AC;</description></item>\n"
           "<item><title>first</title><title>second</title><description>a <em>b</em> c</description></item>\n"
           "<item><title/><description>\n\t  line one\r\n  line two\rthree\n  </description></item>\n"));
  ASSERT_EQ(feed.errorNumber, 0) << feed.errorText;
  ASSERT_EQ(feed.items.size(), 4u);
  EXPECT_EQ(feed.items[0].title, "L2.1.58");
  EXPECT_EQ(feed.items[0].description, "Fixed A & B^<Reports> \"now\" 'x'");
  EXPECT_EQ(feed.items[1].title, "L2.1.60");
  // CDATA stands as written; references become UTF-8.
  EXPECT_EQ(feed.items[1].description, "Sizes <b>&amp;</b> and \xC3\xA9\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(feed.items[2].title + "|" + feed.items[2].description, "first|a b c");
  EXPECT_EQ(feed.items[3].title + "|" + feed.items[3].description, "|line one\r\n  line two\r\nthree");
}

TEST(RssFeed, OnlyItemsOfTheChannelCountAndDeclarationsCommentsAndDoctypeAreSkipped) {
  RssFeed feed = ParseRssFeed(
      "\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-8'?>\n<!DOCTYPE rss [ <!ENTITY x \"]>\"> <!-- ] > --> ]>\n"
      "<!-- a comment <item> -->\n<?stylesheet href='x'?>\n"
      "<rss><item><title>outside the channel</title></item>"
      "<channel><image><item><title>nested too far</title></item></image>"
      "<item><title a=\"1\" b = '2>'>L2.1.70</title><guid isPermaLink=\"false\">70</guid></item>"
      "</channel></rss>");
  ASSERT_EQ(feed.errorNumber, 0) << feed.errorText;
  ASSERT_EQ(feed.items.size(), 1u);
  EXPECT_EQ(feed.items[0].title, "L2.1.70");

  RssFeed latin =
      ParseRssFeed(Feed("<item><title>L2.1.5</title><description>caf\xE9 \x93quoted\x94 \x80</description></item>",
                        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"));
  ASSERT_EQ(latin.errorNumber, 0) << latin.errorText;
  EXPECT_EQ(latin.items[0].description, "caf\xC3\xA9 \xE2\x80\x9Cquoted\xE2\x80\x9D \xE2\x82\xAC");
}

TEST(RssFeed, BadFeedsGiveTheirNumberAndAClearTextAndNoItems) {
  std::string deep = "<rss>", many;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  for (size_t i = 0; i <= kMaxFeedItems; ++i) many += "<item/>";
  const std::string big = "<description>" + std::string(kMaxFeedBytes, 'x') + "</description>";
  const struct {
    std::string xml;
    long number;
    const char* part;
  } cases[] = {
      {"   \r\n  ", kFeedNotXml, "no root element"},
      {Feed("<item><title>L2.1.5</item>"), kFeedNotXml, "line 5: the end tag </item> does not match <title>"},
      {"<rss><channel><item><title>L2.1.5</title>", kFeedNotXml, "<item> is not closed"},
      {Feed("<item><title>&#x110000;</title></item>"), kFeedNotXml, "is not a character"},
      {"<rss/>\n<?xml version=\"1.0\"?>", kFeedNotXml, "line 2: the XML declaration is not at the start"},
      {"<?xml version=\"1.0\"?><html><body>Not found</body></html>", kFeedNotRss, "root element is <html>"},
      {Feed("", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>"), kFeedEncoding, "\"shift_jis\""},
      {std::string("\xFF\xFE<\0r\0s\0s\0>\0", 12), kFeedEncoding, "UTF-16"},
      // Hostile: entities of the document type are never expanded, nesting and size are bounded.
      {"<!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
       "<rss><channel><item><title>&b;</title></item></channel></rss>",
       kFeedNotXml, "the entity &b; is not defined"},
      {deep, kFeedNotXml, "nested more than 64 deep"},
      {Feed("<item>" + big + "</item>"), kFeedTooLarge, "larger than 1024 KB"},
      {Feed(many), kFeedTooLarge, "more than 1000 items"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xml.substr(0, 120));
    RssFeed feed = ParseRssFeed(c.xml);
    EXPECT_EQ(feed.errorNumber, c.number);
    EXPECT_NE(feed.errorText.find(c.part), std::string::npos) << feed.errorText;
    EXPECT_TRUE(feed.items.empty());
  }
  many.resize(many.size() - 7);
  EXPECT_EQ(ParseRssFeed(Feed(many)).items.size(), kMaxFeedItems);
}

TEST(RssFeed, EveryTruncationOfAFeedFailsCleanly) {
  const std::string full = Feed(
      "<item><title>L2.1.58</title><description><![CDATA[a]]> &amp; &#233;</description></item>\n"
      "<!-- c --><item><title a='1'>L2.1.60</title></item>\n",
      "<!DOCTYPE rss>");
  ASSERT_EQ(ParseRssFeed(full).items.size(), 2u);
  for (size_t n = 0; n < full.rfind("</rss>") + 6; ++n) {
    RssFeed feed = ParseRssFeed(full.substr(0, n));
    EXPECT_NE(feed.errorNumber, 0) << n;
    EXPECT_FALSE(feed.errorText.empty()) << n;
    EXPECT_TRUE(feed.items.empty()) << n;
  }
}

TEST(RssFeed, VersionFilterKeepsTitlesOfOneCharacterAndADottedNumber) {
  for (const char* title : {"  V18.0.22 ", "L2.1"}) EXPECT_TRUE(IsVersionTitle(title)) << title;
  for (const char* title : {"2.1.58", "L 2.1.58", "L258", "L2..1", "L2.1.", "L2.1.5b", "Version 2.1.58"})
    EXPECT_FALSE(IsVersionTitle(title)) << title;

  const std::vector<RssItem> items = {
      {"L2.1.58", "Fixed A"}, {"Christmas opening hours", "Closed 25th"}, {"M2.1.60", "New Version of reports"}};
  auto titles = [&](const char* filter) {
    std::string all;
    for (const RssItem& i : FilterRssItems(items, filter)) all += i.title + ";";
    return all;
  };
  EXPECT_EQ(titles("version"), "L2.1.58;M2.1.60;");
  EXPECT_EQ(titles("CLOSED"), "Christmas opening hours;");
}

}  // namespace
}  // namespace lw
