// The report temporary folder as the registry and the disk have it now.
#pragma once

#include <string>

#include "app/diagnostics/report_temp.h"

namespace lw {

// Reads "TempPathname" of the version afresh and looks for its folder; never raises.
ReportTempView ReadReportTemp(const std::string& version, const std::string& programFolder);

}  // namespace lw
