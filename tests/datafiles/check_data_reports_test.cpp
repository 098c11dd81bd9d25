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

TEST(CheckDataReports, CaptionsCountTheEntriesOrSayTheFileIsMissing) {
  EXPECT_EQ(ReportMenuCaption(CheckDataReport::Errors, true, 3), "3 Errors from the last Data Check");
  EXPECT_EQ(ReportMenuCaption(CheckDataReport::Errors, true, 1), "1 Error from the last Data Check");
  EXPECT_EQ(ReportMenuCaption(CheckDataReport::Warnings, true, 2), "2 Warnings from the last Data Check");
  EXPECT_EQ(ReportMenuCaption(CheckDataReport::Comments, true, 0), "0 Comments from the last Data Check");
  EXPECT_EQ(ReportMenuCaption(CheckDataReport::Errors, false, 0), "Errors file not found");
  EXPECT_EQ(ReportMenuCaption(CheckDataReport::Warnings, false, 0), "Warnings file not found");
  EXPECT_EQ(ReportMenuCaption(CheckDataReport::Comments, false, 0), "Comments file not found");
}

TEST(CheckDataReports, WatermarkCaptionJoinsTheLines) {
  EXPECT_EQ(WatermarkMenuCaption(true, "Checked 01/02/2012\r\nby MANAGER\n"),
            "Delete Watermark Checked 01/02/2012by MANAGER");
  EXPECT_EQ(WatermarkMenuCaption(true, "\r"), "Delete Watermark ");
  EXPECT_EQ(WatermarkMenuCaption(false, "ignored"), "Watermark file not found");
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
}

}  // namespace
}  // namespace lw
