#include "app/sdo/sdo_engine.h"

#include "app/tools/text.h"

namespace lw {

std::string SdoEngineFileName(const std::string& v) {
  return (Val(v) > 12 ? "sg50sdoengine" : "sdoeng") + v + "0.dll";
}

std::string ProgramClassId(const std::string& v, const std::string& programType) {
  static const struct {
    const char* key;
    const char* clsid;
  } kPrograms[] = {
      {"12", "{A19DAA42-A446-4055-8976-7516EA0BAA2D}"},  {"13", "{6726E8CA-D670-4bda-AA0E-1506A9B74A50}"},
      {"14", "{FFEC0788-E456-4051-AFDA-5BB3280BD681}"},  {"15", "{7E378A1F-490D-4b67-8371-54BAD4B572C0}"},
      {"16", "{54F6C8F4-FA10-4ad3-B682-0F7609A0BF1E}"},  {"16I", "{54F6C8F4-FA10-4ad3-B682-0F7609A0BF1E}"},
      {"17", "{7E5D70D5-3B9C-442b-ABB0-671E3F8CEAB0}"},  {"17I", "{7E5D70D5-3B9C-442b-ABB0-671E3F8CEAB0}"},
      {"18", "{F60C0F39-A2B3-4076-8846-B513D0090899}"},  {"18I", "{F60C0F39-A2B3-4076-8846-B513D0090899}"},
      {"14I", "{AF7D7637-FDFF-456d-AC87-11665A546F3E}"}, {"15I", "{EB2CC406-F966-450e-9E6C-D190F969EF63}"},
  };
  std::string key = v + (StartsWithNoCase(programType, "I") ? "I" : "");
  for (const auto& p : kPrograms)
    if (key == p.key) return p.clsid;
  return {};
}

std::string FolderOfServerPath(const std::string& serverPath) {
  size_t slash = serverPath.find_last_of('\\');
  return slash == std::string::npos ? std::string() : serverPath.substr(0, slash);
}

}  // namespace lw
