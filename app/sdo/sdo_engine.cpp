#include "app/sdo/sdo_engine.h"

#include "app/tools/text.h"

namespace lw {

std::string SdoEngineClassId(const std::string& v) {
  static const struct {
    const char* version;
    const char* clsid;
  } kEngines[] = {
      {"7", "{062D8A19-8697-47B4-816C-CDA24D8AC1E7}"},  {"8", "{3DFAF346-D8CF-48BA-8AE2-C6F97E6CA355}"},
      {"9", "{9CC9B7F4-FD77-4C06-A3BF-934B6D3D36F1}"},  {"10", "{628BB044-85C8-4AC8-8200-262808C07550}"},
      {"11", "{E73A6738-8DA1-4E20-B3F4-F314E3A11883}"}, {"12", "{C38F8CC3-7C66-49FF-897F-A572FB87231E}"},
      {"13", "{169D0186-5DE7-4DA6-82B1-C9AEB9BE6660}"}, {"14", "{BBC68D84-1620-4202-A506-EEC43ED4EA9B}"},
      {"15", "{A29354FB-35FA-4CD4-8261-DAD864982348}"}, {"16", "{81F4150A-2F39-44B8-A4DC-666CD0C1FB67}"},
      {"17", "{0C42A671-A0E4-4326-8AC8-7D451A89F1BC}"}, {"18", "{3CCA7768-E5C4-420E-B75D-754E0477A028}"},
  };
  for (const auto& e : kEngines)
    if (v == e.version) return e.clsid;
  return {};
}

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
