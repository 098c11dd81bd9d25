// What the program reads from SAGE.INI text.
#pragma once

#include <string>
#include <string_view>

namespace lw {

// The value of the first line that, trimmed and lower-cased, begins "lastdatapath=", made into the
// ACCDATA folder below it ("c:\data\co1\accdata\"); empty when there is no such line or no value.
std::string LastDataPathFromSageIni(std::string_view iniText);

}  // namespace lw
