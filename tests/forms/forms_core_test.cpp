#include "app/forms/forms_core.h"

#include <gtest/gtest.h>

#include <limits>

namespace lw::forms {
namespace {

TEST(FormsTwips, ConvertAtTheScreensDpiRoundingToNearest) {
  EXPECT_EQ(TwipsToPixels(1440, 96), 96);
  EXPECT_EQ(TwipsToPixels(15, 96), 1);
  EXPECT_EQ(TwipsToPixels(1000, 96), 67);  // 66.67
  EXPECT_EQ(TwipsToPixels(7, 96), 0);      // 0.47
  EXPECT_EQ(TwipsToPixels(8, 96), 1);      // 0.53
  EXPECT_EQ(TwipsToPixels(1440, 120), 120);
  EXPECT_EQ(TwipsToPixels(1440, 144), 144);
  EXPECT_EQ(PixelsToTwips(1, 96), 15);
  EXPECT_EQ(PixelsToTwips(1, 120), 12);
  EXPECT_EQ(PixelsToTwips(1, 144), 10);
  EXPECT_EQ(PixelsToTwips(67, 96), 1005);
}

TEST(FormsTwips, NegativeValuesRoundLikePositiveOnesAndExtremesSaturate) {
  EXPECT_EQ(TwipsToPixels(-1000, 96), -67);
  EXPECT_EQ(TwipsToPixels(-7, 96), 0);
  EXPECT_EQ(PixelsToTwips(-3, 96), -45);
  EXPECT_EQ(PixelsToTwips(std::numeric_limits<int>::max(), 96), std::numeric_limits<int>::max());
  EXPECT_EQ(PixelsToTwips(std::numeric_limits<int>::min(), 96), std::numeric_limits<int>::min());
  EXPECT_EQ(TwipsToPixels(std::numeric_limits<int>::max(), 96), std::numeric_limits<int>::max() / 15);
  EXPECT_EQ(TwipsToPixels(1440, 0), 96);  // no DPI known: the standard screen
}

TEST(FormsColors, SystemColourNumbersAreRecognised) {
  EXPECT_TRUE(IsSystemColor(0x8000000F));
  EXPECT_EQ(SystemColorIndex(0x8000000F), 15);
  EXPECT_EQ(SystemColorIndex(0x80000005), 5);
  for (uint32_t colour : {0x00FF00FFu, 0x00FFFFFFu, 0x80000100u}) EXPECT_FALSE(IsSystemColor(colour)) << colour;
}

TEST(FormsNames, ArrayElementsCarryTheirIndexInBrackets) {
  EXPECT_EQ(ArrayElementName("imgTick", 1), "imgTick(1)");
  EXPECT_EQ(ArrayIndexOf("imgTick(1)"), 1);
  EXPECT_EQ(ArrayIndexOf("optTest(15)"), 15);
  EXPECT_EQ(ArrayIndexOf(ArrayElementName("optTest", 0)), 0);
  for (const char* name : {"lblPath", "x()", "(3)", "a(3", "a(-1)", "a(1a)", "a(99999999999)", ""})
    EXPECT_EQ(ArrayIndexOf(name), -1) << name;
}

TEST(FormsDialogFilter, BarsBecomeNulsWithTwoAtTheEnd) {
  using namespace std::string_literals;
  EXPECT_EQ(DialogFilter("Sage Data Files (Setup.dta)|setup.dta"), "Sage Data Files (Setup.dta)\0setup.dta\0\0"s);
  EXPECT_EQ(DialogFilter("Text|*.txt|All|*.*"), "Text\0*.txt\0All\0*.*\0\0"s);
  EXPECT_EQ(DialogFilter("Text|*.txt|"), "Text\0*.txt\0\0"s);
  EXPECT_EQ(DialogFilter("Text|*.txt|Odd"), "Text\0*.txt\0Odd\0*.*\0\0"s);
  EXPECT_EQ(DialogFilter(""), "\0\0"s);
}

}  // namespace
}  // namespace lw::forms
