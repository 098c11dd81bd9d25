// What the help viewer decides apart from its window: the document's place, the caption, the
// sentence shown when the document is missing, and the window's size on a given screen.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lw {

// The help document in the program's folder (given with or without its trailing backslash).
std::string HelpFile(std::string_view programFolder);
// The largest help document that is loaded; ours is some tens of kilobytes.
inline constexpr uint64_t kMaxHelpBytes = 16u << 20;
// The product title of the program's version information, then " - Documentation"; the program's
// own title where the version information has none.
std::string HelpCaption(std::string_view productTitle);
std::string HelpMissingText(std::string_view helpFile);
// For a help file that is there but could not be read, or held no document.
std::string HelpUnreadableText(std::string_view helpFile);

// The window keeps its design width unless the screen is narrower, and takes 9/10 of the
// screen's height.
struct WindowSize {
  int width, height;
  bool operator==(const WindowSize&) const = default;
};
WindowSize HelpWindowSize(int designWidth, int screenWidth, int screenHeight);

}  // namespace lw
