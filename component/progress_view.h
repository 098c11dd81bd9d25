// What the progress window shows and where, as pure rules: its texts, the sweep of the header's
// highlight, the bouncing bar, the layout of the pictures and the note link.
#pragma once

#include <string>
#include <string_view>

namespace updara {

// The pictures' sizes in pixels.
inline constexpr int kHeaderWidth = 358, kHeaderHeight = 58;
inline constexpr int kHighlightWidth = 77, kHighlightHeight = 1;
inline constexpr int kSeparatorWidth = 358, kSeparatorHeight = 2;
// The top band and the bottom strip.
inline constexpr int kBandHeight = 60;  // the header and the separator below it
inline constexpr int kStripHeight = 20;
inline constexpr int kHighlightTop = 45;

// The name the file label shows for a fetch: the URL's last part after "/" (or "\" for a local
// path), without a query and without a final ".gz".
std::string FileLabelOf(std::string_view url);

// "(42%) Downloading..": the window's title while the total is known.
std::string ProgressTitle(int percent, std::string_view downloadingText);
// "1.50 KB / 3.00 KB", or the bytes alone when the total is not known (0).
std::string ByteText(long long received, long long total);
// The share of the total received, 0 to 100.
int PercentOf(long long received, long long total);

// The highlight's step per chunk: it moves 3 pixels right until 108, jumps to -111 and comes back
// (its place is the absolute value).
int NextSweep(int counter);
// The bar while the total is not known: one step at a time between 0 and 5 and back.
struct Bounce {
  int position = 0;
  int step = 1;
};
Bounce NextBounce(Bounce bar);

// The header picture's left edge: centred, or at 0 in a narrower window.
int HeaderLeft(int clientWidth);
// Whether the separator is drawn a second time at x 350 to fill a wide window.
bool SeparatorTiled(int clientWidth);

// Whether the pointer is over the note link: in the bottom 18 pixels, no further left than the
// text's width and 3 pixels from the right edge, and only when there is a page to open.
bool OverNoteLink(int x, int y, int clientWidth, int clientHeight, int textWidth, bool haveUrl);

// The command that opens a web page when the shell's "open" is refused: the command registered for
// ".htm", cut before "\"%1\"" (or "%1"), a blank and the address.
std::string HtmCommandFor(std::string_view registeredCommand, std::string_view url);

}  // namespace updara
