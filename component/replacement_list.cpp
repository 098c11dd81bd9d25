#include "component/replacement_list.h"

#include <cstdio>

namespace updara {
namespace {

// A 64-bit file time as its two 32-bit halves, each printed as a signed number.
std::string TimeHalves(std::uint64_t time) {
  char text[32];
  std::snprintf(text, sizeof text, "|%ld|%ld", static_cast<long>(static_cast<std::int32_t>(time >> 32)),
                static_cast<long>(static_cast<std::int32_t>(time & 0xFFFFFFFFu)));
  return text;
}

}  // namespace

std::string FormatReplacementList(const ReplacementList& list) {
  std::string out = std::string(kReplacementListSignature) + list.cmdLine + "\r\n";
  out += list.visible ? "1\r\n" : "0\r\n";
  out += list.cmdBefore + "\r\n" + list.cmdAfter + "\r\n";
  for (const long id : list.processIds) out += "?" + std::to_string(id) + "\r\n";
  for (const ReplacementFile& f : list.files) {
    out += (f.registerServer ? "#" : "") + f.newPath + ">" + f.path + TimeHalves(f.created) + TimeHalves(f.modified) +
           "\r\n";
  }
  return out;
}

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
