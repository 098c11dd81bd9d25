#include "app/diagnostics/report_temp_win.h"

#include "app/diagnostics/file_sharing.h"
#include "app/state/settings_win.h"
#include "app/tools/files_win.h"
#include "common/runtime_error.h"

namespace lw {

ReportTempView ReadReportTemp(const std::string& version, const std::string& programFolder) {
  ReportTempFacts facts{version, programFolder, "", "", false};
  if (ReportTempApplies(version)) {
    try {
      facts.stored = ReadMachineString(kOdbcApp, ReportTempSection(version), kTempPathValue, "");
      facts.folderExists = !facts.stored.empty() && FolderExists(facts.stored);
    } catch (const RuntimeError& e) {
      facts.readError = RegistryErrorText(e.what(), e.Number());
    }
  }
  return ReportTempViewOf(facts);
}

}  // namespace lw
