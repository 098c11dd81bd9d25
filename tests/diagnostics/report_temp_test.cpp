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

TEST(ReportTemp, CaptionNamesTheVersionAndWhatIsWrong) {
  EXPECT_EQ(ReportTempCaption("6", ReportTempState::Inactive), "Report Temp Folder");
  EXPECT_EQ(ReportTempCaption("12", ReportTempState::Present), "Report Temp Folder v12");
  EXPECT_EQ(ReportTempCaption("12", ReportTempState::Missing), "Report Temp Folder v12 (Path Not Found)");
  EXPECT_EQ(ReportTempCaption("18", ReportTempState::NotSetUp), "Report Temp Folder v18 (Path Not Setup)");
  EXPECT_EQ(ReportTempCaption("18", ReportTempState::Unreadable), "Report Temp Folder v18 (Path Unreadable)");
}

TEST(ReportTemp, ProposalLiesBesideTheProgramUnlessThatIsUnderProgramFiles) {
  EXPECT_EQ(ReportTempProposal("c:\\sage\\line50\\", "12"), "c:\\sage\\line50\\Rep_Temp");
  EXPECT_EQ(ReportTempProposal("D:\\Apps\\Sage", "12"), "d:\\apps\\sage\\Rep_Temp") << "normalised first";
  EXPECT_EQ(ReportTempProposal("c:\\program files\\sage\\accounts\\", "12"), "C:\\Sage\\V12_Temp");
  EXPECT_EQ(ReportTempProposal("C:\\Program Files (x86)\\Sage\\Accounts\\", "18"), "C:\\Sage\\V18_Temp");
  EXPECT_EQ(ReportTempProposal("", "18"), "C:\\Sage\\V18_Temp");
}

TEST(ReportTemp, FixDropsOneTrailingBackslashOnly) {
  EXPECT_EQ(ReportTempFixPath("  c:\\sage\\rep_temp\\ "), "c:\\sage\\rep_temp");
  EXPECT_EQ(ReportTempFixPath("c:\\sage\\rep_temp\\\\"), "c:\\sage\\rep_temp\\");
  EXPECT_EQ(ReportTempFixPath("c:\\sage\\rep_temp"), "c:\\sage\\rep_temp");
  EXPECT_EQ(ReportTempFixPath("   "), "");
}

TEST(ReportTemp, MessagesOfTheFix) {
  EXPECT_EQ(ReportTempSetMessage("C:\\Sage\\V18_Temp"),
            "Sage Reporting Temporary Files Folder set to:\r\nC:\\Sage\\V18_Temp\r\n\r\nNow Please Ensure That:\r\n"
            "1. This folder has been excluded from On Access Anti Virus scanning.\r\n"
            "2. Windows Users have full Access rights to this folder.");
  EXPECT_EQ(ReportTempWriteErrorMessage("C:\\Sage\\V18_Temp", "18"),
            "Failed to write C:\\Sage\\V18_Temp to\r\nHKLM\\SOFTWARE\\ODBC\\ODBC.INI\\SageLine50v18TempPathname");
}

}  // namespace
}  // namespace lw
