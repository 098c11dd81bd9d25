#include "app/updates/rss_feed.h"

#include <gtest/gtest.h>

#include <string>

namespace lw {
namespace {

std::string Feed(const std::string& items, const std::string& declaration = "<?xml version=\"1.0\"?>") {
  return declaration + "\n<rss version=\"2.0\">\n <channel>\n  <title>Brenk news</title>\n" + items +
         " </channel>\n</rss>\n";
}

void ExpectError(const std::string& xml, long number, const std::string& part) {
  RssFeed feed = ParseRssFeed(xml);
  EXPECT_EQ(feed.errorNumber, number) << xml.substr(0, 200);
  EXPECT_NE(feed.errorText.find(part), std::string::npos) << feed.errorText;
  EXPECT_TRUE(feed.items.empty());
}

TEST(RssFeed, ReadsTitlesAndDescriptionsWithEntitiesAndCdataDecoded) {
  RssFeed feed = ParseRssFeed(
      Feed("  <item>\n   <title>L2.1.58</title>\n   <link>https://example.com/58</link>\n"
           "   <description>Fixed A &amp; B^Faster &lt;Reports&gt; &quot;now&quot; &apos;x&apos;</description>\n"
           "  </item>\n"
           "  <item><title><![CDATA[L2.1.60]]></title>\n"
           "   <description><![CDATA[Sizes <b>&amp;</b> more]]> and &#233;&#xE9;&#x20AC;</description></item>\n"));
  ASSERT_EQ(feed.errorNumber, 0) << feed.errorText;
  ASSERT_EQ(feed.items.size(), 2u);
  EXPECT_EQ(feed.items[0].title, "L2.1.58");
  EXPECT_EQ(feed.items[0].description, "Fixed A & B^Faster <Reports> \"now\" 'x'");
  EXPECT_EQ(feed.items[1].title, "L2.1.60");
  // CDATA stands as written; references become UTF-8.
  EXPECT_EQ(feed.items[1].description, "Sizes <b>&amp;</b> more and \xC3\xA9\xC3\xA9\xE2\x82\xAC");
}

TEST(RssFeed, MissingOrRepeatedFieldsAndMarkupInsideThem) {
  RssFeed feed = ParseRssFeed(
      Feed("<item><description>only a description</description></item>\n"
           "<item><title>L2.1.61</title></item>\n"
           "<item><title>first</title><title>second</title><description>a <em>b</em> c</description></item>\n"
           "<item><title/><description>\n\t  line one\r\n  line two\rthree\n  </description></item>\n"
           "<item/>\n"));
  ASSERT_EQ(feed.errorNumber, 0) << feed.errorText;
  ASSERT_EQ(feed.items.size(), 5u);
  EXPECT_EQ(feed.items[0].title, "");
  EXPECT_EQ(feed.items[0].description, "only a description");
  EXPECT_EQ(feed.items[1].title, "L2.1.61");
  EXPECT_EQ(feed.items[1].description, "");
  EXPECT_EQ(feed.items[2].title, "first");
  EXPECT_EQ(feed.items[2].description, "a b c");
  // White space around the text goes; line ends inside it become CR LF.
  EXPECT_EQ(feed.items[3].description, "line one\r\n  line two\r\nthree");
  EXPECT_EQ(feed.items[4].title, "");
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
}

TEST(RssFeed, SingleByteEncodingsBecomeUtf8AndOthersAreRefused) {
  RssFeed latin =
      ParseRssFeed(Feed("<item><title>L2.1.5</title><description>caf\xE9 \x93quoted\x94 \x80</description></item>",
                        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"));
  ASSERT_EQ(latin.errorNumber, 0) << latin.errorText;
  EXPECT_EQ(latin.items[0].description, "caf\xC3\xA9 \xE2\x80\x9Cquoted\xE2\x80\x9D \xE2\x82\xAC");
  ExpectError(Feed("", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>"), kFeedEncoding, "\"shift_jis\"");
  ExpectError(std::string("\xFF\xFE<\0r\0s\0s\0>\0", 12), kFeedEncoding, "UTF-16");
}

TEST(RssFeed, MalformedXmlGivesAClearErrorWithItsLine) {
  for (const char* empty : {"", "   \r\n  "}) ExpectError(empty, kFeedNotXml, "no root element");
  ExpectError(Feed("<item><title>L2.1.5</item>"), kFeedNotXml, "line 5: the end tag </item> does not match <title>");
  ExpectError("<rss><channel><item><title>L2.1.5</title>", kFeedNotXml, "<item> is not closed");
  ExpectError(Feed("<item><title>a &nbsp; b</title></item>"), kFeedNotXml, "the entity &nbsp; is not defined");
  ExpectError(Feed("<item><title>a & b</title></item>"), kFeedNotXml, "'&' is not followed by a reference");
  for (const char* reference : {"&#0;", "&#x110000;", "&#12a;"})
    ExpectError(Feed("<item><title>" + std::string(reference) + "</title></item>"), kFeedNotXml, "is not a character");
  ExpectError(Feed("<item><title>a\x01"
                   "b</title></item>"),
              kFeedNotXml, "control character");
  ExpectError(Feed("<item><title>a <![CDATA[b</title></item>"), kFeedNotXml, "CDATA section is not closed");
  ExpectError(Feed("<!-- open"), kFeedNotXml, "comment is not closed");
  ExpectError(Feed("<item x=1></item>"), kFeedNotXml, "is not quoted");
  ExpectError(Feed("<item x></item>"), kFeedNotXml, "has no value");
  ExpectError(Feed("<item x=\"<\"></item>"), kFeedNotXml, "'<' in an attribute");
  ExpectError(Feed("<item <title>"), kFeedNotXml, "unexpected text in the tag");
  ExpectError(Feed("<>"), kFeedNotXml, "not followed by an element name");
  ExpectError("<rss></rss><rss></rss>", kFeedNotXml, "a second root element");
  for (const char* xml : {"news <rss></rss>", "<rss></rss>&amp;"})
    ExpectError(xml, kFeedNotXml, "text outside the root element");
  ExpectError("<rss/>\n<?xml version=\"1.0\"?>", kFeedNotXml, "line 2: the XML declaration is not at the start");
  ExpectError("<rss></channel>", kFeedNotXml, "does not match <rss>");
  ExpectError("<!DOCTYPE rss [ <!ENTITY a 'b'>", kFeedNotXml, "document type is not closed");
}

TEST(RssFeed, AnotherDocumentIsNotAFeed) {
  ExpectError("<?xml version=\"1.0\"?><html><body>Not found</body></html>", kFeedNotRss, "root element is <html>");
  ExpectError("<feed xmlns=\"http://www.w3.org/2005/Atom\"></feed>", kFeedNotRss, "<feed>");
}

TEST(RssFeed, HostileFeedsStayBounded) {
  // Entities declared in the document type are never expanded.
  ExpectError(
      "<!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><rss><channel><item><title>&c;</title></item>"
      "</channel></rss>",
      kFeedNotXml, "the entity &c; is not defined");
  // Deep nesting ends with an error, not a deep recursion.
  std::string deep = "<rss>";
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  ExpectError(deep, kFeedNotXml, "nested more than 64 deep");
  std::string big =
      Feed("<item><title>L2.1.5</title><description>" + std::string(kMaxFeedBytes, 'x') + "</description></item>");
  ExpectError(big, kFeedTooLarge, "larger than 1024 KB");
  std::string many;
  for (size_t i = 0; i <= kMaxFeedItems; ++i) many += "<item/>";
  ExpectError(Feed(many), kFeedTooLarge, "more than 1000 items");
  std::string allowed;
  for (size_t i = 0; i < kMaxFeedItems; ++i) allowed += "<item/>";
  EXPECT_EQ(ParseRssFeed(Feed(allowed)).items.size(), kMaxFeedItems);
}

TEST(RssFeed, EveryTruncationOfAFeedFailsCleanly) {
  const std::string full = Feed(
      "<item><title>L2.1.58</title><description><![CDATA[a]]> &amp; &#233;</description></item>\n"
      "<!-- c --><item><title a='1'>L2.1.60</title></item>\n",
      "<!DOCTYPE rss>");
  ASSERT_EQ(ParseRssFeed(full).items.size(), 2u);
  const size_t end = full.rfind("</rss>") + 6;
  for (size_t n = 0; n < end; ++n) {
    RssFeed feed = ParseRssFeed(full.substr(0, n));
    EXPECT_NE(feed.errorNumber, 0) << n;
    EXPECT_FALSE(feed.errorText.empty()) << n;
    EXPECT_TRUE(feed.items.empty()) << n;
  }
}

TEST(RssFeed, VersionFilterKeepsTitlesOfOneCharacterAndADottedNumber) {
  for (const char* title : {"L2.1.58", "  V18.0.22 ", "L2.1"}) EXPECT_TRUE(IsVersionTitle(title)) << title;
  for (const char* title : {"2.1.58", "L 2.1.58", "L258", "L2..1", "L2.1.", "L2.1.5b", "Version 2.1.58", ""})
    EXPECT_FALSE(IsVersionTitle(title)) << title;

  const std::vector<RssItem> items = {
      {"L2.1.58", "Fixed A"}, {"Christmas opening hours", "Closed 25th"}, {"M2.1.60", "New Version of reports"}};
  auto titles = [](const std::vector<RssItem>& kept) {
    std::string all;
    for (const RssItem& i : kept) all += i.title + ";";
    return all;
  };
  EXPECT_EQ(titles(FilterRssItems(items, "Version")), "L2.1.58;M2.1.60;");
  EXPECT_EQ(titles(FilterRssItems(items, "version")), "L2.1.58;M2.1.60;");
  EXPECT_EQ(titles(FilterRssItems(items, "")), "L2.1.58;Christmas opening hours;M2.1.60;");
  EXPECT_EQ(titles(FilterRssItems(items, "CLOSED")), "Christmas opening hours;");
  EXPECT_EQ(titles(FilterRssItems(items, "2.1.6")), "M2.1.60;");
}

}  // namespace
}  // namespace lw
