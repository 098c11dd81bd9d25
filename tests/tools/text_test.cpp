#include "app/tools/text.h"

#include <gtest/gtest.h>

#include "app/tools/paths.h"

namespace lw {
namespace {

TEST(Text, TrimmingAndCollapsingTouchBlanksOnly) {
  EXPECT_EQ(Trim("  a b  "), "a b");
  EXPECT_EQ(Trim("\ta\t"), "\ta\t");
  EXPECT_EQ(RTrim("pw  "), "pw");
  // The service-control tool's columns; line breaks and tabs are not blanks.
  EXPECT_EQ(CollapseSpaces("SERVICE_NAME: mrxsmb20 \r\n        STATE              : 4  RUNNING \r\n"),
            "SERVICE_NAME: mrxsmb20 \r\n STATE : 4 RUNNING \r\n");
  EXPECT_EQ(CollapseSpaces("   a\t \t  b   "), "a\t \t b");
}

TEST(Text, FieldsCountFromOneAndNumbersAreTheLeadingDigits) {
  EXPECT_EQ(GetField("18.0.20", 3, "."), "20");
  EXPECT_EQ(GetField("18.0.20", 4, "."), "");
  EXPECT_EQ(GetField("a::b::c", 2, "::"), "b");
  EXPECT_EQ(GetField("abc", 0, "."), "");
  EXPECT_EQ(Val(" 0010"), 10);
  EXPECT_EQ(Val("7abc"), 7);
  EXPECT_EQ(Val("99999999999999999999999"), INT64_MAX);
  EXPECT_EQ(ZeroPad(208, 4), "0208");
  EXPECT_EQ(ZeroPad(123456, 4), "123456");
}

TEST(Text, UrlEncodingCaseFoldingAndHexDigits) {
  EXPECT_EQ(UrlEncode("a b-c.d"), "a%20b%2Dc%2Ed");
  EXPECT_EQ(UrlEncode("  x\ty  "), "xy");
  EXPECT_EQ(UrlEncode("\xff~"), "%FF%7E");
  EXPECT_TRUE(EqualsNoCase("(Default)", "(default)"));
  EXPECT_TRUE(StartsWithNoCase("LastDataPath=c:", "lastdatapath="));
  EXPECT_EQ(UCase("a+b\xe9"), "A+B\xe9");
  const uint8_t bytes[] = {0x00, 0x7f, 0xff, 0xa5};
  EXPECT_EQ(HexText(bytes, 4), "007fffa5");
  EXPECT_EQ(BytesFromHex("007FfFa5"), std::vector<uint8_t>(bytes, bytes + 4));
  for (const char* bad : {"0", "0g", "12 4", "-1"}) EXPECT_EQ(BytesFromHex(bad), std::nullopt) << bad;
}

TEST(Paths, FoldersAreNormalisedAndPathsSplitWithoutSeparators) {
  EXPECT_EQ(NormaliseFolder("  C:\\Data\\Co1 "), "c:\\data\\co1\\");
  EXPECT_EQ(NormaliseFolder("   "), "");
  EXPECT_EQ(SplitPath("c:\\a\\b\\setup.dta", PathPart::Folder), "c:\\a\\b");
  EXPECT_EQ(SplitPath("c:\\a.b\\readme", PathPart::Extension), "");
  EXPECT_EQ(SplitPath("file.tar.gz", PathPart::FileTitle), "file.tar");
  EXPECT_EQ(FileNameOf("c:\\data\\queue.dta"), "queue.dta");
}

}  // namespace
}  // namespace lw
