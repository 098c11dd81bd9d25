#include "app/sdo/sdo_engine.h"

#include <gtest/gtest.h>

namespace lw {
namespace {

TEST(SdoEngine, FileNameChangesAfterVersionTwelve) {
  EXPECT_EQ(SdoEngineFileName("12"), "sdoeng120.dll");
  EXPECT_EQ(SdoEngineFileName("7"), "sdoeng70.dll");
  EXPECT_EQ(SdoEngineFileName("13"), "sg50sdoengine130.dll");
  EXPECT_EQ(SdoEngineFileName("18"), "sg50sdoengine180.dll");
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
