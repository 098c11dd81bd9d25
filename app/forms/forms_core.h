// The arithmetic and text rules of the forms toolkit that need no window: twips, colour numbers,
// control-array names and dialog filters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lw::forms {

inline constexpr int kTwipsPerInch = 1440;

// A rectangle in twips (1440 per inch), relative to the parent's client area.
struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

// Rounded to the nearest pixel or twip, halves away from zero; dpi <= 0 counts as 96.
int TwipsToPixels(int twips, int dpi);
int PixelsToTwips(int pixels, int dpi);

// Colour numbers 0x800000xx name system colour xx; others are 0x00BBGGRR.
inline bool IsSystemColor(uint32_t color) { return (color & 0xFFFFFF00u) == 0x80000000u; }
inline int SystemColorIndex(uint32_t color) { return static_cast<int>(color & 0xFFu); }

// "optTest(3)" is element 3 of the control array "optTest".
std::string ArrayElementName(std::string_view base, int index);
// The index of an array element name, or -1 for a plain name (also for malformed brackets).
int ArrayIndexOf(std::string_view name);

// "Text files (*.txt)|*.txt|All|*.*" as the common dialogs want it: NUL-separated pairs ending
// in two NULs. A trailing "|" is allowed; a description without pattern gets "*.*".
std::string DialogFilter(std::string_view filter);

}  // namespace lw::forms
