// The texts the data path analysis shows, derived from what discovery found.
#pragma once

#include <string>

namespace lw {

// "Sage 50 Accounts Professional 5 User Single Company"; the user and company part only when the
// user count is above 0 (else the text ends in a blank).
std::string ProgramDescription(const std::string& editionCode, const std::string& editionName, int dataVersion,
                               unsigned users, unsigned companies);

// The reports path label's tooltip.
std::string ReportsPathToolTip(bool useDataPathForReports, bool reportsFound);

// The text of the path box as the program stores it: trimmed, without one trailing backslash.
std::string DataPathForStorage(const std::string& boxText);

}  // namespace lw
