#include "app/discovery/setup_dta.h"

#include <algorithm>
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

unsigned DetailsBlockOffset(int v) {
  switch (v) {
    case 7: case 8: case 9: return 3710;
    case 10: return 3723;
    case 11: return 3729;
    case 12: return 3821;
    case 13: case 14: return 3822;
    case 15: case 16: return 3836;
    case 17: return 5264;
    case 18: return 6565;
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

namespace {
// A NUL-ended text field of at most width bytes at offset within the first got bytes of a block.
std::string Field(const uint8_t* block, size_t got, size_t offset, size_t width) {
  if (offset >= got) return {};
  const char* text = reinterpret_cast<const char*>(block + offset);
  return std::string(text, strnlen(text, std::min(width, got - offset)));
}
}  // namespace

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

CompanyDetails ReadSetupCompanyDetails(ByteSource& setup) {
  CompanyDetails details;
  uint8_t version = 0;
  if (setup.ReadAt(0, &version, 1) != 1) return details;

  constexpr size_t kLine = 61, kLines = 5;
  uint8_t address[kLine * kLines] = {};
  size_t got = setup.ReadAt(64, address, sizeof address);
  for (size_t i = 0; i < kLines; ++i) {
    std::string line = Field(address, got, i * kLine, kLine);
    // "^" separates the lines in the joined text, so it cannot stay inside one.
    std::erase(line, '^');
    line = Trim(line);
    if (line.empty()) continue;
    if (!details.address.empty()) details.address += '^';
    details.address += line;
  }

  if (unsigned at = DetailsBlockOffset(version)) {
    uint8_t block[801] = {};
    got = setup.ReadAt(at, block, sizeof block);
    details.telephone = Trim(Field(block, got, 0, 31));
    details.vatNumber = Trim(Field(block, got, 62, 31));
    details.email = Trim(Field(block, got, 258, 256));
  }
  return details;
}

}  // namespace lw
