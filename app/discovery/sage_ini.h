// What the program reads from SAGE.INI text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lw {

// The largest SAGE.INI that is read: a settings file of a few kilobytes, with room to spare.
inline constexpr uint64_t kMaxSageIniBytes = 1u << 20;

// The value of the first line that, trimmed and lower-cased, begins "lastdatapath=", made into the
// ACCDATA folder below it ("c:\data\co1\accdata\"); empty when there is no such line or no value.
std::string LastDataPathFromSageIni(std::string_view iniText);

}  // namespace lw
