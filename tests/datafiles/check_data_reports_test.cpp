#include "app/datafiles/check_data_reports.h"

#include <gtest/gtest.h>

namespace lw {
namespace {

TEST(CheckDataReports, EntriesAre260BytesEachRoundedToEvenAndNamedInTheMenu) {
  // 1.5, 2.5, 0.5, just over 0.5, and a size beyond 32 bits.
  const uint64_t rows[][2] = {{390, 2}, {650, 2}, {130, 0}, {131, 1}, {uint64_t(1) << 40, 4228890876u}};
  for (const auto& r : rows) EXPECT_EQ(ReportEntryCount(r[0]), r[1]) << r[0];
  EXPECT_EQ(ReportMenuCaption(CheckDataReport::Errors, true, 3), "3 Errors from the last Data Check");
  EXPECT_EQ(ReportMenuCaption(CheckDataReport::Comments, false, 0), "Comments file not found");
}

TEST(CheckDataReports, FilesLieInTheirNormalisedFoldersAndNowhereWithoutOne) {
  EXPECT_EQ(CheckDataReportFile("C:\\Sage\\Company.000\\Reports", CheckDataReport::Errors),
            "c:\\sage\\company.000\\reports\\errors.rpt");
  EXPECT_EQ(WatermarkFile("C:\\Sage\\Wickham\\"), "c:\\sage\\wickham\\watermark.xml");
  // Not the current folder's files: an unknown folder names none.
  EXPECT_EQ(CheckDataReportFile("", CheckDataReport::Errors), "");
  EXPECT_EQ(WatermarkFile("  "), "");
  EXPECT_EQ(CompanyFile("", "C:\\Sage\\Accounts", "18"), "");
  // The company file moved to the year's settings folder with data version 14 (compared as numbers).
  const std::string setup = "C:\\ProgramData\\Sage\\Accounts\\2012", program = "C:\\Sage\\Accounts";
  EXPECT_EQ(CompanyFile(setup, program, "14"), "c:\\programdata\\sage\\accounts\\2012\\company");
  EXPECT_EQ(CompanyFile(setup, program, "9"), "c:\\sage\\accounts\\company");
}

TEST(CheckDataReports, TheWatermarkShowsOnOneShortLineWithItsAmpersands) {
  EXPECT_EQ(WatermarkMenuCaption(false, "x"), "Watermark file not found");
  EXPECT_EQ(WatermarkMenuCaption(true, "Checked by A&B\r\non 01/02/2012\n"),
            "Delete Watermark Checked by A&&Bon 01/02/2012");
  EXPECT_EQ(WatermarkMenuCaption(true, std::string(60, 'x') + "\r\n"), "Delete Watermark " + std::string(60, 'x'));
  EXPECT_EQ(WatermarkMenuCaption(true, std::string(100000, '&')), "Delete Watermark " + std::string(120, '&') + "...");
}

}  // namespace
}  // namespace lw
