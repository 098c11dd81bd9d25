#include "app/discovery/setup_dta.h"

#include <cstring>

#include "app/tools/text.h"

namespace lw {

unsigned ProgramTypeOffset(int v) {
  switch (v) {
    case 7: case 8: case 9: return 4536;
    case 10: return 4549;
    case 11: return 4555;
    case 12: return 4647;
    case 13: case 14: return 4648;
    case 15: case 16: return 4662;
    case 17: return 6090;
    case 18: return 7391;
    default: return 0;
  }
}

std::string ProgramTypeCode(unsigned char typeByte) {
  switch (typeByte) {
    case 1: return "FC";
    case 2: return "A+";
    case 4: return "AC";
    case 16: return "IA";
    case 64: return "IP";
    case 128: return "CM";
    default: return std::to_string(typeByte);
  }
}

std::string ReadSetupCompanyName(ByteSource& setup) {
  uint8_t bytes[62] = {};
  size_t got = setup.ReadAt(2, bytes, sizeof bytes);
  if (got <= 1) return {};
  const char* name = reinterpret_cast<const char*>(bytes + 1);
  return Trim(std::string(name, strnlen(name, got - 1)));
}

SetupDataVersion ReadSetupDataVersion(ByteSource& setup) {
  uint8_t version = 0;
  if (setup.ReadAt(0, &version, 1) != 1 || version == 0) return {};
  SetupDataVersion result{std::to_string(version), {}};
  if (unsigned at = ProgramTypeOffset(version)) {
    uint8_t type = 0;
    if (setup.ReadAt(at, &type, 1) == 1) result.programType = ProgramTypeCode(type);
  }
  return result;
}

}  // namespace lw
