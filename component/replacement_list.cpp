#include "component/replacement_list.h"

namespace updara {

std::optional<std::vector<ListedItem>> ReplacementListItems(std::string_view text) {
  if (text.substr(0, kReplacementListSignature.size()) != kReplacementListSignature) return std::nullopt;
  std::vector<ListedItem> items;
  size_t lineNumber = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (++lineNumber <= 4 || line.empty()) continue;
    ListedItem item;
    if (line.front() == '?') {
      item.process = true;
    } else {
      if (line.front() == '#') line.remove_prefix(1);
      item.source = std::string(line.substr(0, line.find('>')));
    }
    items.push_back(std::move(item));
  }
  return items;
}

}  // namespace updara
