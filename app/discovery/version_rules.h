// Which data versions this program can work with, and whether the installed SDO engine is recent
// enough for a data version. Pure decisions: the callers read the files and show the messages.
#pragma once

#include <string>

namespace lw {

inline constexpr int kLowestDataVersion = 7;

// True when the program can work with the data; otherwise errorText says why.
// newestVersion is the program's own major version.
bool JudgeDataVersion(const std::string& dataVersion, const std::string& programType, int newestVersion,
                      std::string& errorText);

// Fields 2 to 4 of a version text, each zero-padded to 4 digits: 18.0.10.208 gives 000000100208.
std::string SdoVersionKey(const std::string& version);

struct SdoVersionVerdict {
  bool mustUpdate = false;  // the engine cannot be used as it is
  bool showMessage = false;
  std::string text;
  unsigned style = 0;  // 16 critical, 48 exclamation
  std::string title;
};
// sdoVersion is the engine file's version, empty when the engine is not installed.
SdoVersionVerdict JudgeSdoVersion(const std::string& dataVersion, bool instant, const std::string& sdoVersion);

// Suffix for a login-queue entry's activity code.
std::string AccessModeSuffix(int code);

bool IsInstant(const std::string& programType);

}  // namespace lw
