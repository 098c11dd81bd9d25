// Names under which a Sage version installs its SDO engine and registers its program.
#pragma once

#include <string>

namespace lw {

// Class identifier of the SDO engine for a data version "7" to "18" (exactly that text); empty for
// any other text ("09", "6", "19", "").
std::string SdoEngineClassId(const std::string& dataVersion);

// sdoeng120.dll up to version 12, sg50sdoengine130.dll from 13 on (in the system folder).
std::string SdoEngineFileName(const std::string& dataVersion);

// Class identifier whose in-process server lies in the program folder of that Sage version;
// empty when there is none (Instant before 14, unknown versions).
std::string ProgramClassId(const std::string& dataVersion, const std::string& programType);

// The folder part of a registered server's path (before the last backslash), empty without one.
std::string FolderOfServerPath(const std::string& serverPath);

}  // namespace lw
