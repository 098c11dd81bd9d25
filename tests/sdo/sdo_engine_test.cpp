#include "app/sdo/sdo_engine.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace lw {
namespace {

TEST(SdoEngine, FileNameChangesAfterVersionTwelve) {
  EXPECT_EQ(SdoEngineFileName("12"), "sdoeng120.dll");
  EXPECT_EQ(SdoEngineFileName("7"), "sdoeng70.dll");
  EXPECT_EQ(SdoEngineFileName("13"), "sg50sdoengine130.dll");
  EXPECT_EQ(SdoEngineFileName("18"), "sg50sdoengine180.dll");
}

TEST(SdoEngine, EngineClassOnlyForTheExactVersionTexts) {
  EXPECT_EQ(SdoEngineClassId("7"), "{062D8A19-8697-47B4-816C-CDA24D8AC1E7}");
  EXPECT_EQ(SdoEngineClassId("12"), "{C38F8CC3-7C66-49FF-897F-A572FB87231E}");
  EXPECT_EQ(SdoEngineClassId("13"), "{169D0186-5DE7-4DA6-82B1-C9AEB9BE6660}");
  EXPECT_EQ(SdoEngineClassId("18"), "{3CCA7768-E5C4-420E-B75D-754E0477A028}");
  // Twelve different classes: a copied row would send two versions to one engine.
  std::set<std::string> seen;
  for (int v = 7; v <= 18; ++v) {
    std::string clsid = SdoEngineClassId(std::to_string(v));
    EXPECT_EQ(clsid.size(), 38u) << v;
    EXPECT_TRUE(seen.insert(clsid).second) << v;
  }
  for (const char* v : {"09", "6", "19", "", " 18", "18 ", "1", "018", "18.0", "x"})
    EXPECT_EQ(SdoEngineClassId(v), "") << '"' << v << '"';
}

TEST(SdoEngine, ProgramClassIdentifierByVersionAndInstant) {
  const struct {
    const char* version;
    const char* type;
    const char* clsid;
  } kRows[] = {
      {"12", "A+", "{A19DAA42-A446-4055-8976-7516EA0BAA2D}"}, {"13", "FC", "{6726E8CA-D670-4bda-AA0E-1506A9B74A50}"},
      {"14", "AC", "{FFEC0788-E456-4051-AFDA-5BB3280BD681}"}, {"15", "CM", "{7E378A1F-490D-4b67-8371-54BAD4B572C0}"},
      {"16", "A+", "{54F6C8F4-FA10-4ad3-B682-0F7609A0BF1E}"}, {"16", "IA", "{54F6C8F4-FA10-4ad3-B682-0F7609A0BF1E}"},
      {"17", "", "{7E5D70D5-3B9C-442b-ABB0-671E3F8CEAB0}"},   {"17", "ip", "{7E5D70D5-3B9C-442b-ABB0-671E3F8CEAB0}"},
      {"18", "FC", "{F60C0F39-A2B3-4076-8846-B513D0090899}"}, {"18", "IP", "{F60C0F39-A2B3-4076-8846-B513D0090899}"},
      {"14", "IA", "{AF7D7637-FDFF-456d-AC87-11665A546F3E}"}, {"15", "IP", "{EB2CC406-F966-450e-9E6C-D190F969EF63}"},
      {"13", "IA", ""}, {"11", "A+", ""}, {"19", "A+", ""}, {"018", "A+", ""},
  };
  for (const auto& r : kRows) EXPECT_EQ(ProgramClassId(r.version, r.type), r.clsid) << r.version << r.type;
}

TEST(SdoEngine, ServerPathGivesItsFolder) {
  EXPECT_EQ(FolderOfServerPath("C:\\Program Files\\Sage\\Accounts\\sg50svc.dll"), "C:\\Program Files\\Sage\\Accounts");
  EXPECT_EQ(FolderOfServerPath("sg50svc.dll"), "");
  EXPECT_EQ(FolderOfServerPath(""), "");
}

}  // namespace
}  // namespace lw
