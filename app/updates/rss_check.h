// The decisions of the RSS version check: which announced build is newer than this one, the change
// list shown for it, the window's message text and where the window goes on the screen.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/updates/rss_feed.h"

namespace lw {

// The address of the feed: the server (scheme, host and port, as configured) and the path of this
// program's feed, "/rss/" + program code + ".xml".
std::string RssFeedUrl(std::string_view server, std::string_view programCode);
// Whether the built-in reader can fetch from a configured server: an http or https address with a
// host name.
bool IsUsableRssServer(std::string_view server);

// The build number of an item title: the number after its last "." (0 when that is not a number),
// or -1 when the title has no "." at all.
int64_t RssBuildNumber(std::string_view title);
// "Version " + the title without its first character + " Changes", a line break, then the
// description with each "^" as a line break.
std::string RssChangeBlock(std::string_view title, std::string_view description);

struct RssVersionChoice {
  std::string newRssVer;  // the title of the newest item above the running revision, or empty
  std::string details;    // the change blocks of every newer item, in feed order, an empty line apart
};
// Items as the filter left them, titles and descriptions trimmed by the caller. Of several items
// with the same highest build, the first one's title is kept.
RssVersionChoice ChooseNewerVersion(const std::vector<RssItem>& items, int64_t runningRevision);

// The message after a completed read: the program's file description, a blank and the announced
// version, then, when there are details, an empty line and the details.
std::string RssResultText(std::string_view fileDescription, std::string_view newRssVer, std::string_view details);

// Where the check window goes once its message has been measured. All values in twips: the
// message's size, the window's borders (its outer size less its client area), the width of a
// scroll bar, the window's current position and the screen's size. The window takes the message
// plus a 240-twip margin, is never narrower than 3000, and stays on the screen: at most 19/20 of
// the screen high, above that line, at most as wide as the screen and not past its right edge. The
// status box takes the message's size, cut to what the client area leaves inside the margin; a box
// cut in height is a scroll bar wider, and `cut` says whether it had to be cut at all.
struct RssWindowPlacement {
  int left, top, width, height;
  int textWidth, textHeight;
  bool cut;
};
RssWindowPlacement PlaceRssWindow(int messageWidth, int messageHeight, int borderWidth, int borderHeight,
                                  int scrollBarWidth, int left, int top, int screenWidth, int screenHeight);

}  // namespace lw
