#include "app/discovery/sage_usr.h"

#include "app/tools/text.h"

namespace lw {

namespace {
// sage.usr keeps bytes 1 to 27 with each 4-bit half replaced through a fixed 16-entry substitution
// of Sage's own file format; this table undoes it (stored half -> plain half). Its values are not
// known to us, so it stays the identity: unscrambled files read correctly, and a scrambled one gives
// wrong counts rather than invented ones. Fill it in here, and only here, once they are known.
constexpr uint8_t kRestoreNibble[16] = {0x0, 0x1, 0x2, 0x3, 0x4, 0x5, 0x6, 0x7,
                                        0x8, 0x9, 0xA, 0xB, 0xC, 0xD, 0xE, 0xF};
constexpr size_t kHeader = 28;
}  // namespace

uint8_t RestoreSageUsrByte(uint8_t stored) {
  return uint8_t(kRestoreNibble[stored >> 4] << 4 | kRestoreNibble[stored & 0x0F]);
}

Edition EditionFor(uint8_t b, const std::string& fileName) {
  switch (b) {
    case 1: return {"FC", "Financial Controller"};
    case 2: return {"A+", "Accountant Plus"};
    case 4: return {"AC", "Accountant"};
    case 8: return {"BK", "Book Keeper"};
    case 16: return {"IA", "Instant"};
    case 64: return {"IP", "Instant Plus"};
    case 128: return {"CM", "Client Manager"};
    case 227: return {"SD", "Sage Data Objects"};
    default: break;
  }
  if (StartsWithNoCase(fileName, "cis")) return {"CI", "CIS Module"};
  return {std::to_string(b), "Unidentified " + std::to_string(b)};
}

std::string RenameEditionForYear(const std::string& name, int v) {
  if (v < 14) return name;
  if (name == "Financial Controller") return "Accounts Professional";
  if (name == "Accountant Plus") return "Accounts Plus";
  if (name == "Accountant") return "Accounts";
  return name;
}

SageUsr ReadSageUsrBytes(ByteSource& file, const std::string& fileName) {
  SageUsr usr;
  uint8_t bytes[kHeader] = {};
  // A short file is not a sage.usr we can read: nothing is made up from missing bytes.
  if (file.ReadAt(0, bytes, kHeader) != kHeader) return usr;
  for (size_t i = 1; i < kHeader; ++i) bytes[i] = RestoreSageUsrByte(bytes[i]);
  usr.read = true;
  usr.userCount = unsigned(bytes[2] | bytes[3] << 8);
  usr.companyCount = unsigned(bytes[4] | bytes[5] << 8);
  Edition e = EditionFor(bytes[10], fileName);
  usr.editionCode = e.code;
  usr.editionName = e.name;
  return usr;
}

}  // namespace lw
