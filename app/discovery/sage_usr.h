// sage.usr of a Sage installation: edition, number of users and number of companies.
#pragma once

#include <cstdint>
#include <string>

#include "app/tools/byte_source.h"

namespace lw {

struct SageUsr {
  bool read = false;  // false: missing or too short, every value below left empty
  unsigned userCount = 0;
  unsigned companyCount = 0;
  std::string editionCode;
  std::string editionName;
};

// Restores one stored byte of the file's bytes 1 to 27.
uint8_t RestoreSageUsrByte(uint8_t stored);

// fileName is the file's own name: an unknown edition byte in a "cis..." file is the CIS module.
SageUsr ReadSageUsrBytes(ByteSource& file, const std::string& fileName);

struct Edition {
  std::string code;
  std::string name;
};
Edition EditionFor(uint8_t editionByte, const std::string& fileName);

// From data version 14 Sage sells three of the editions under new names; the codes stay.
std::string RenameEditionForYear(const std::string& editionName, int dataVersion);

}  // namespace lw
