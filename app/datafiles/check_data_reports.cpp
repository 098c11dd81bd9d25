#include "app/datafiles/check_data_reports.h"

#include "app/tools/paths.h"
#include "app/tools/text.h"

namespace lw {

namespace {

struct ReportNames {
  const char* file;
  const char* singular;  // " Error"
  const char* missing;
};

ReportNames NamesOf(CheckDataReport report) {
  switch (report) {
    case CheckDataReport::Errors:
      return {"errors.rpt", " Error", "Errors file not found"};
    case CheckDataReport::Warnings:
      return {"warnings.rpt", " Warning", "Warnings file not found"};
    case CheckDataReport::Comments:
      break;
  }
  return {"comments.rpt", " Comment", "Comments file not found"};
}

std::string FileIn(const std::string& folder, const char* name) {
  const std::string normalised = NormaliseFolder(folder);
  return normalised.empty() ? std::string() : normalised + name;
}

}  // namespace

std::string CheckDataReportFile(const std::string& reportsFolder, CheckDataReport report) {
  return FileIn(reportsFolder, NamesOf(report).file);
}

std::string WatermarkFile(const std::string& companyFolder) { return FileIn(companyFolder, "watermark.xml"); }

std::string CompanyFile(const std::string& setupFolder, const std::string& programFolder,
                        const std::string& dataVersion) {
  return FileIn(Val(dataVersion) >= 14 ? setupFolder : programFolder, "company");
}

std::string SageIniFile(const std::string& settingsFolder) { return FileIn(settingsFolder, "sage.ini"); }

uint64_t ReportEntryCount(uint64_t sizeBytes) {
  constexpr uint64_t kEntry = 260;
  const uint64_t whole = sizeBytes / kEntry, twiceRest = sizeBytes % kEntry * 2;
  if (twiceRest > kEntry || (twiceRest == kEntry && whole % 2 == 1)) return whole + 1;
  return whole;
}

std::string ReportMenuCaption(CheckDataReport report, bool found, uint64_t entries) {
  const ReportNames names = NamesOf(report);
  if (!found) return names.missing;
  return Format("%llu", static_cast<unsigned long long>(entries)) + names.singular + (entries == 1 ? "" : "s") +
         " from the last Data Check";
}

std::string WatermarkMenuCaption(bool found, std::string_view content) {
  if (!found) return "Watermark file not found";
  std::string text = "Delete Watermark ";
  size_t shown = 0;
  for (char c : content) {
    if (c == '\n' || c == '\r') continue;
    if (shown++ == kWatermarkCaptionChars) return text + "...";
    text += c;
    if (c == '&') text += '&';
  }
  return text;
}

}  // namespace lw
