// Whether the SDO engine of a data version is installed, its file version, and where the Sage
// program of that version is registered.
#pragma once

#include <string>

namespace lw {

// Full path of the engine file in the system folder.
std::string SdoDllPath(const std::string& dataVersion);
// The engine file's version, empty when it is not there.
std::string GetSdoDllVersion(const std::string& dataVersion);
// Folder of the program's registered in-process server, without trailing backslash; empty when the
// version has no registration or it cannot be read.
std::string GetProgramFolderFromClsid(const std::string& dataVersion, const std::string& programType);

}  // namespace lw
