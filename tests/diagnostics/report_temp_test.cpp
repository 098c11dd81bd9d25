#include "app/diagnostics/report_temp.h"

#include <gtest/gtest.h>

namespace lw {
namespace {

TEST(ReportTemp, OnlyVersionsAboveSixHaveTheFolder) {
  EXPECT_FALSE(ReportTempApplies("0"));
  EXPECT_FALSE(ReportTempApplies("6"));
  EXPECT_TRUE(ReportTempApplies("7"));
  EXPECT_TRUE(ReportTempApplies("18"));
  EXPECT_FALSE(ReportTempApplies(""));
  EXPECT_FALSE(ReportTempApplies("v12")) << "no leading number counts as 0";
  EXPECT_TRUE(ReportTempApplies("12a"));
  EXPECT_EQ(ReportTempSection("12"), "ODBC.INI\\SageLine50v12");
}

TEST(ReportTemp, ProposalLiesBesideTheProgramUnlessThatIsUnderProgramFiles) {
  EXPECT_EQ(ReportTempProposal("c:\\sage\\line50\\", "12"), "c:\\sage\\line50\\Rep_Temp");
  EXPECT_EQ(ReportTempProposal("D:\\Apps\\Sage", "12"), "d:\\apps\\sage\\Rep_Temp") << "normalised first";
  EXPECT_EQ(ReportTempProposal("c:\\program files\\sage\\accounts\\", "12"), "C:\\Sage\\V12_Temp");
  EXPECT_EQ(ReportTempProposal("C:\\Program Files (x86)\\Sage\\Accounts\\", "18"), "C:\\Sage\\V18_Temp");
  EXPECT_EQ(ReportTempProposal("", "18"), "C:\\Sage\\V18_Temp");
}

}  // namespace
}  // namespace lw
