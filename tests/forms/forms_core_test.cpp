#include "app/forms/forms_core.h"

#include <gtest/gtest.h>

#include <limits>

namespace lw::forms {
namespace {

TEST(FormsTwips, ConvertAtTheScreensDpiRoundingToNearestAndSaturating) {
  constexpr int kMax = std::numeric_limits<int>::max(), kMin = std::numeric_limits<int>::min();
  EXPECT_EQ(TwipsToPixels(1000, 96), 67);  // 66.67
  EXPECT_EQ(TwipsToPixels(7, 96), 0);      // 0.47
  EXPECT_EQ(TwipsToPixels(8, 96), 1);      // 0.53
  EXPECT_EQ(TwipsToPixels(1440, 0), 96);   // no DPI known: the standard screen
  EXPECT_EQ(PixelsToTwips(1, 120), 12);
  EXPECT_EQ(PixelsToTwips(-3, 96), -45);
  EXPECT_EQ(PixelsToTwips(kMax, 96), kMax);
  EXPECT_EQ(PixelsToTwips(kMin, 96), kMin);
  EXPECT_EQ(TwipsToPixels(kMax, 96), kMax / 15);
}

TEST(FormsCore, SystemColoursArrayNamesAndDialogFilters) {
  EXPECT_EQ(SystemColorIndex(0x8000000F), 15);
  for (uint32_t colour : {0x00FFFFFFu, 0x80000100u}) EXPECT_FALSE(IsSystemColor(colour)) << colour;
  EXPECT_EQ(ArrayIndexOf(ArrayElementName("optTest", 15)), 15);
  for (const char* name : {"lblPath", "x()", "(3)", "a(3", "a(-1)", "a(1a)", "a(99999999999)"})
    EXPECT_EQ(ArrayIndexOf(name), -1) << name;
  using namespace std::string_literals;
  EXPECT_EQ(DialogFilter("Text|*.txt|All|*.*"), "Text\0*.txt\0All\0*.*\0\0"s);
  EXPECT_EQ(DialogFilter("Text|*.txt|Odd"), "Text\0*.txt\0Odd\0*.*\0\0"s);
}

}  // namespace
}  // namespace lw::forms
