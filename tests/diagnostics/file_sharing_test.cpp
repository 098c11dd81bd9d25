#include "app/diagnostics/file_sharing.h"

#include <gtest/gtest.h>

namespace lw {
namespace {

constexpr uint32_t kBlue = 0xFF0000, kMagenta = 0xFF00FF;

bool Is(const SharingValueView& v, const char* caption, uint32_t colour, bool needsFix) {
  return v.caption == caption && v.colour == colour && v.needsFix == needsFix;
}

TEST(FileSharing, OplockValuesAreGoodOnlyWhenOplocksAreOn) {
  EXPECT_TRUE(Is(OplocksDisabledView(0), "0 - Enabled", kBlue, false));
  EXPECT_TRUE(Is(OplocksDisabledView(1), "1 - Disabled", kMagenta, true));
  EXPECT_TRUE(Is(OplocksDisabledView(2), "1 - Disabled", kMagenta, true)) << "any non-zero value disables";
  EXPECT_TRUE(Is(EnableOplocksView(1), "1 - Enabled", kBlue, false));
  EXPECT_TRUE(Is(EnableOplocksView(0), "0 - Disabled", kMagenta, true));
  EXPECT_TRUE(Is(EnableOplocksView(2), "0 - Disabled", kMagenta, true)) << "anything but 1 disables";
}

TEST(FileSharing, SigningIsShownOnOnlyForOneButFixedForAnyNonZeroValue) {
  EXPECT_TRUE(Is(SigningView(1), "1 - Enabled", kMagenta, true));
  EXPECT_TRUE(Is(SigningView(0), "0 - Disabled", kBlue, false));
  EXPECT_TRUE(Is(SigningView(2), "0 - Disabled", kBlue, false));
  EXPECT_EQ(SigningFix(1), 0u);
  EXPECT_EQ(SigningFix(2), 0u) << "a 2 shown as off is still rewritten once the fix runs";
  EXPECT_EQ(SigningFix(0), std::nullopt);
}

TEST(FileSharing, OplockFixesWriteOnlyWhatIsWrong) {
  EXPECT_EQ(OplocksDisabledFix(0), std::nullopt);
  EXPECT_EQ(OplocksDisabledFix(2), 0u);
  EXPECT_EQ(EnableOplocksFix(1), std::nullopt);
  EXPECT_EQ(EnableOplocksFix(0), 1u);
  EXPECT_EQ(EnableOplocksFix(0xFFFFFFFF), 1u);
}

TEST(FileSharing, UnreadableValueIsMarkedWithoutOfferingTheFix) {
  EXPECT_TRUE(Is(UnreadableView(), "Unreadable", kMagenta, false));
  EXPECT_EQ(RegistryErrorText("Registry data not a DWORD", 0x800407d1), "Registry data not a DWORD (error 800407D1)");
}

}  // namespace
}  // namespace lw
