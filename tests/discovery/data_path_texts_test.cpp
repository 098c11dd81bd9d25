#include "app/discovery/data_path_texts.h"

#include <gtest/gtest.h>

namespace lw {
namespace {

TEST(DataPathTexts, ProgramDescriptionPrefixFollowsEditionAndVersion) {
  EXPECT_EQ(ProgramDescription("AC", "Accounts Professional", 18, 5, 1),
            "Sage 50 Accounts Professional 5 User Single Company");
  EXPECT_EQ(ProgramDescription("A+", "Accountant Plus", 13, 3, 1), "Sage Line 50 Accountant Plus 3 User Single Company");
  EXPECT_EQ(ProgramDescription("A+", "Accounts Plus", 14, 1, 10), "Sage 50 Accounts Plus Single User 10 Company");
  EXPECT_EQ(ProgramDescription("IA", "Instant", 18, 1, 1), "Sage Instant Single User Single Company");
  EXPECT_EQ(ProgramDescription("A+", "Accountant Plus", 12, 0, 3), "Sage Line 50 Accountant Plus ");
  EXPECT_EQ(ProgramDescription("", "", 0, 0, 0), "Sage Line 50  ");
}

TEST(DataPathTexts, ReportsToolTipSaysTheSwitchAndWhetherReportsWereFound) {
  EXPECT_EQ(ReportsPathToolTip(true, true), "\"Use Data Path For Reports\" setting is On");
  EXPECT_EQ(ReportsPathToolTip(false, false), "\"Use Data Path For Reports\" setting is Off - NO REPORTS FOUND");
}

TEST(DataPathTexts, StoredPathLosesBlanksAndOneTrailingBackslash) {
  EXPECT_EQ(DataPathForStorage(" c:\\sage\\accdata\\ "), "c:\\sage\\accdata");
  EXPECT_EQ(DataPathForStorage("c:\\sage\\accdata\\\\"), "c:\\sage\\accdata\\");
  EXPECT_EQ(DataPathForStorage("c:\\sage\\accdata"), "c:\\sage\\accdata");
  EXPECT_EQ(DataPathForStorage("  "), "");
}

}  // namespace
}  // namespace lw
