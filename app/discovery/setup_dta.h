// The facts read from a data folder's setup.dta: company name, data version and program type.
#pragma once

#include <string>

#include "app/tools/byte_source.h"

namespace lw {

// The company name stored at offset 3 (61 bytes, ended by the first NUL), trimmed.
std::string ReadSetupCompanyName(ByteSource& setup);

struct SetupDataVersion {
  std::string dataVersion;  // "18"; empty when the version byte is 0 or unreadable
  std::string programType;  // "FC", "A+", ... or the byte in decimal; empty for unknown versions
};
SetupDataVersion ReadSetupDataVersion(ByteSource& setup);

// Offset of the program-type byte for a data version, 0 for a version the program does not know.
unsigned ProgramTypeOffset(int dataVersion);
std::string ProgramTypeCode(unsigned char typeByte);
// Start of the telephone / VAT number / e-mail block for a data version, 0 for an unknown version.
unsigned DetailsBlockOffset(int dataVersion);

struct CompanyDetails {
  std::string address;  // the non-empty address lines joined by "^"
  std::string telephone;
  std::string vatNumber;
  std::string email;
};
// The address is read for any version; the other details only for versions the program knows.
CompanyDetails ReadSetupCompanyDetails(ByteSource& setup);

}  // namespace lw
