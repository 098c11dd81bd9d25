#include "app/datafiles/check_data_reports.h"

#include <gtest/gtest.h>

namespace lw {
namespace {

TEST(CheckDataReports, EntriesAre260BytesEachRoundedToEven) {
  EXPECT_EQ(ReportEntryCount(780), 3u);
  EXPECT_EQ(ReportEntryCount(260), 1u);
  EXPECT_EQ(ReportEntryCount(390), 2u) << "1.5 rounds to 2";
  EXPECT_EQ(ReportEntryCount(650), 2u) << "2.5 rounds to 2";
  EXPECT_EQ(ReportEntryCount(910), 4u) << "3.5 rounds to 4";
  EXPECT_EQ(ReportEntryCount(129), 0u);
  EXPECT_EQ(ReportEntryCount(130), 0u) << "0.5 rounds to 0";
  EXPECT_EQ(ReportEntryCount(131), 1u);
  EXPECT_EQ(ReportEntryCount(100), 0u);
  EXPECT_EQ(ReportEntryCount(0), 0u);
  EXPECT_EQ(ReportEntryCount(1169), 4u);  // 4.496
  EXPECT_EQ(ReportEntryCount(uint64_t(1) << 40), 4228890876u) << "sizes beyond 32 bits";
}

TEST(CheckDataReports, FilesLieInTheirNormalisedFoldersAndNowhereWithoutOne) {
  EXPECT_EQ(CheckDataReportFile("C:\\Sage\\Company.000\\Reports", CheckDataReport::Errors),
            "c:\\sage\\company.000\\reports\\errors.rpt");
  EXPECT_EQ(CheckDataReportFile("c:\\r\\", CheckDataReport::Warnings), "c:\\r\\warnings.rpt");
  EXPECT_EQ(CheckDataReportFile("c:\\r\\", CheckDataReport::Comments), "c:\\r\\comments.rpt");
  EXPECT_EQ(WatermarkFile("C:\\Sage\\Wickham\\"), "c:\\sage\\wickham\\watermark.xml");
  // Not the current folder's files: an unknown folder names none.
  EXPECT_EQ(CheckDataReportFile("", CheckDataReport::Errors), "");
  EXPECT_EQ(WatermarkFile("  "), "");
  EXPECT_EQ(CompanyFile("", "C:\\Sage\\Accounts", "18"), "");
  EXPECT_EQ(SageIniFile(""), "");
  // The company file moved to the year's settings folder with data version 14.
  const std::string setup = "C:\\ProgramData\\Sage\\Accounts\\2012", program = "C:\\Sage\\Accounts";
  EXPECT_EQ(CompanyFile(setup, program, "14"), "c:\\programdata\\sage\\accounts\\2012\\company");
  EXPECT_EQ(CompanyFile(setup, program, "13"), "c:\\sage\\accounts\\company");
  EXPECT_EQ(CompanyFile(setup, program, "9"), "c:\\sage\\accounts\\company") << "compared as numbers";
  EXPECT_EQ(SageIniFile("C:\\ProgramData\\Sage\\Accounts\\"), "c:\\programdata\\sage\\accounts\\sage.ini");
}

TEST(CheckDataReports, TheWatermarkShowsOnOneShortLineWithItsAmpersands) {
  EXPECT_EQ(WatermarkMenuCaption(false, "x"), "Watermark file not found");
  EXPECT_EQ(WatermarkMenuCaption(true, "Checked by A&B\r\non 01/02/2012\n"),
            "Delete Watermark Checked by A&&Bon 01/02/2012");
  const std::string full(60, 'x');
  EXPECT_EQ(WatermarkMenuCaption(true, full + "\r\n"), "Delete Watermark " + full) << "line breaks do not count";
  EXPECT_EQ(WatermarkMenuCaption(true, full + "y"), "Delete Watermark " + full + "...");
  EXPECT_EQ(WatermarkMenuCaption(true, std::string(100000, '&')), "Delete Watermark " + std::string(120, '&') + "...");
}

}  // namespace
}  // namespace lw
