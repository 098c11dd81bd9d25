// The reports of the accounting package's own data check (errors.rpt, warnings.rpt, comments.rpt
// in the company's reports folder) and the data-check watermark (watermark.xml in the company
// folder), as the tools menu offers them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lw {

enum class CheckDataReport { Errors, Warnings, Comments };

// The file in its folder (normalised first). A folder that is not known gives no file, so that
// nothing is looked for, or deleted, in whatever the current folder happens to be.
std::string CheckDataReportFile(const std::string& reportsFolder, CheckDataReport report);
std::string WatermarkFile(const std::string& companyFolder);
// The package's company file: in the year's settings folder from data version 14 on, before that
// in the program folder. sage.ini in the package's settings folder.
std::string CompanyFile(const std::string& setupFolder, const std::string& programFolder,
                        const std::string& dataVersion);
std::string SageIniFile(const std::string& settingsFolder);

// A report holds one entry per 260 bytes, rounded to the nearest with ties to even.
uint64_t ReportEntryCount(uint64_t sizeBytes);
// "3 Errors from the last Data Check", "1 Warning from the last Data Check", or
// "Comments file not found" when the file is missing.
std::string ReportMenuCaption(CheckDataReport report, bool found, uint64_t entries);
// The largest watermark.xml whose text is shown: a line of text in a small XML file.
inline constexpr uint64_t kMaxWatermarkBytes = 64u << 10;
// At most this many characters of the watermark's text are shown in the menu.
inline constexpr size_t kWatermarkCaptionChars = 60;
// "Delete Watermark " and the file's text on one line, or "Watermark file not found". A longer text
// is cut to kWatermarkCaptionChars and ends in "...", and each "&" is doubled, so the menu shows
// it rather than taking it for a shortcut mark.
std::string WatermarkMenuCaption(bool found, std::string_view content);

}  // namespace lw
