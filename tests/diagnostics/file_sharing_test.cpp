#include "app/diagnostics/file_sharing.h"

#include <gtest/gtest.h>

namespace lw {
namespace {

// The values other than 0 and 1, which the window's tests meet only in part.
TEST(FileSharing, ValuesOtherThanZeroAndOneAreJudgedPerValue) {
  EXPECT_EQ(EnableOplocksView(2).caption, "0 - Disabled") << "anything but 1 disables the server's oplocks";
  EXPECT_TRUE(EnableOplocksView(0xFFFFFFFF).needsFix);
  EXPECT_EQ(EnableOplocksFix(0xFFFFFFFF), 1u);
  EXPECT_EQ(OplocksDisabledFix(0xFFFFFFFF), 0u);
  EXPECT_FALSE(SigningView(0xFFFFFFFF).needsFix) << "only exactly 1 is signing on";
  EXPECT_EQ(SigningFix(0xFFFFFFFF), 0u) << "yet any non-zero value is rewritten";
  EXPECT_EQ(SigningFix(0), std::nullopt);
  EXPECT_FALSE(UnreadableView().needsFix);
}

}  // namespace
}  // namespace lw
