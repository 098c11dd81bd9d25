#include "app/updates/rss_check.h"

#include <algorithm>

#include "app/tools/text.h"

namespace lw {

namespace {

constexpr std::string_view kLineBreak = "\r\n";

std::string_view AfterScheme(std::string_view server) {
  for (std::string_view scheme : {"http://", "https://"})
    if (StartsWithNoCase(server, scheme)) return server.substr(scheme.size());
  return {};
}

}  // namespace

std::string RssFeedUrl(std::string_view server, std::string_view programCode) {
  while (server.ends_with('/')) server.remove_suffix(1);
  return std::string(server) + "/rss/" + std::string(programCode) + ".xml";
}

bool IsUsableRssServer(std::string_view server) {
  std::string_view rest = AfterScheme(server);
  std::string_view host = rest.substr(0, rest.find('/'));
  if (host.empty()) return false;
  for (char c : host) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
              c == ':' || c == '[' || c == ']';
    if (!ok) return false;
  }
  for (char c : rest)
    if (static_cast<unsigned char>(c) <= ' ' || c == '?' || c == '#') return false;
  return true;
}

int64_t RssBuildNumber(std::string_view title) {
  size_t dot = title.rfind('.');
  return dot == std::string_view::npos ? -1 : Val(title.substr(dot + 1));
}

std::string RssChangeBlock(std::string_view title, std::string_view description) {
  std::string block = "Version " + std::string(title.empty() ? title : title.substr(1)) + " Changes";
  block += kLineBreak;
  for (char c : description) {
    if (c == '^')
      block += kLineBreak;
    else
      block += c;
  }
  return block;
}

RssVersionChoice ChooseNewerVersion(const std::vector<RssItem>& items, int64_t runningRevision) {
  RssVersionChoice choice;
  int64_t highest = 0;
  for (const RssItem& item : items) {
    int64_t build = RssBuildNumber(item.title);
    if (build < 0 || build <= runningRevision) continue;
    if (!choice.details.empty()) choice.details += "\r\n\r\n";
    choice.details += RssChangeBlock(item.title, item.description);
    if (build > highest) {
      highest = build;
      choice.newRssVer = item.title;
    }
  }
  return choice;
}

std::string RssResultText(std::string_view fileDescription, std::string_view newRssVer, std::string_view details) {
  std::string text = std::string(fileDescription) + " " + std::string(newRssVer);
  if (!details.empty()) text += "\r\n\r\n" + std::string(details);
  return text;
}

RssWindowPlacement PlaceRssWindow(int messageWidth, int messageHeight, int borderWidth, int borderHeight,
                                  int scrollBarWidth, int left, int top, int screenWidth, int screenHeight) {
  constexpr int kMargin = 240, kMinWidth = 3000;
  const int lowest = screenHeight / 20 * 19 + screenHeight % 20 * 19 / 20;  // 19/20 without overflow
  RssWindowPlacement p{left, top, 0, messageHeight + kMargin + borderHeight, 0, 0, false};
  if (p.height > lowest) p.height = lowest;
  if (p.top + p.height > lowest) p.top = lowest - p.height;
  p.textHeight = std::clamp(p.height - borderHeight - kMargin, 0, std::max(0, messageHeight));
  // Cut in height, the box scrolls, and its scroll bar must not take the lines' room.
  const int wanted = std::max(0, messageWidth) + (p.textHeight < messageHeight ? scrollBarWidth : 0);
  p.width = std::max(kMinWidth, wanted + kMargin + borderWidth);
  if (p.width > screenWidth) p.width = screenWidth;
  if (p.left + p.width > screenWidth) p.left = screenWidth - p.width;
  p.textWidth = std::clamp(p.width - borderWidth - kMargin, 0, wanted);
  p.cut = p.textWidth < messageWidth || p.textHeight < messageHeight;
  return p;
}

}  // namespace lw
