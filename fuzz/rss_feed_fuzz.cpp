// libFuzzer target of the RSS feed reader and the version choice behind it (see docs/DEVELOPING.md).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/updates/rss_check.h"
#include "app/updates/rss_feed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lw::RssFeed feed = lw::ParseRssFeed(std::string_view(reinterpret_cast<const char*>(data), size));
  if (feed.errorNumber == 0 && feed.errorText.empty()) {
    std::vector<lw::RssItem> kept = lw::FilterRssItems(feed.items, "Version");
    lw::ChooseNewerVersion(kept, 21);
  } else if (!feed.items.empty() || feed.errorText.empty()) {
    __builtin_trap();  // a failed read gives a reason and no items
  }
  return 0;
}
