#include "app/discovery/data_path_texts.h"

#include "app/tools/text.h"

namespace lw {

std::string ProgramDescription(const std::string& editionCode, const std::string& editionName, int dataVersion,
                               unsigned users, unsigned companies) {
  std::string text = StartsWithNoCase(editionCode, "I") ? "Sage " : dataVersion > 13 ? "Sage 50 " : "Sage Line 50 ";
  text += editionName + " ";
  if (users > 0) {
    text += (users == 1 ? std::string("Single") : std::to_string(users)) + " User ";
    text += (companies == 1 ? std::string("Single") : std::to_string(companies)) + " Company";
  }
  return text;
}

std::string ReportsPathToolTip(bool useDataPathForReports, bool reportsFound) {
  return std::string("\"Use Data Path For Reports\" setting is ") + (useDataPathForReports ? "On" : "Off") +
         (reportsFound ? "" : " - NO REPORTS FOUND");
}

std::string DataPathForStorage(const std::string& boxText) {
  std::string p = Trim(boxText);
  if (!p.empty() && p.back() == '\\') p.pop_back();
  return p;
}

}  // namespace lw
