// The items of an RSS 2.0 feed: a small, bounded XML reader that takes out each item's title and
// description, and the item filter of the RSS check.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lw {

struct RssItem {
  std::string title;
  std::string description;
};

// Error numbers of a feed that arrived but cannot be used. They lie apart from the Internet
// functions' own numbers (12001 and up) and from the update component's (30001 and up).
inline constexpr long kFeedTooLarge = 31001;
inline constexpr long kFeedNotXml = 31002;
inline constexpr long kFeedNotRss = 31003;
inline constexpr long kFeedEncoding = 31004;

// The largest feed read, and the most items and nesting taken from it: a hostile or broken server
// cannot make the program hold more than about this much.
inline constexpr size_t kMaxFeedBytes = 1024 * 1024;
inline constexpr size_t kMaxFeedItems = 1000;
inline constexpr size_t kMaxFeedDepth = 64;

struct RssFeed {
  long errorNumber = 0;  // 0: the items are valid
  std::string errorText;
  std::vector<RssItem> items;  // in feed order
};

// Reads the items of <rss><channel><item>. Text comes out as UTF-8 (a feed declared as
// ISO-8859-1, Windows-1252 or US-ASCII is converted), with the five predefined entities and
// character references decoded, CDATA taken as it stands, line ends as CR LF, and white space
// around each title and description removed. A missing title or description is empty; only the
// first of each in an item counts; markup inside them contributes its text. Entities declared in a
// document type are never expanded: a reference to one is an error, like any other XML that is not
// well-formed. Never reads past kMaxFeedBytes.
RssFeed ParseRssFeed(std::string_view xml);

// The reader's item filter. "Version" keeps the items that announce a version: a title made of one
// leading character and a dotted number ("L2.1.58"; blanks around it are ignored). An empty filter
// keeps every item; any other text keeps the items whose title or description contains it,
// ignoring letter case.
bool IsVersionTitle(std::string_view title);
std::vector<RssItem> FilterRssItems(const std::vector<RssItem>& items, std::string_view filter);

}  // namespace lw
