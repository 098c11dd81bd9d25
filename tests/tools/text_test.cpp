#include "app/tools/text.h"

#include <gtest/gtest.h>

#include "app/tools/paths.h"

namespace lw {
namespace {

TEST(Text, TrimRemovesBlanksOnly) {
  EXPECT_EQ(Trim("  a b  "), "a b");
  EXPECT_EQ(Trim("\ta\t"), "\ta\t");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(RTrim("pw  "), "pw");
  EXPECT_EQ(LTrim("  pw "), "pw ");
}

TEST(Text, CollapseSpacesLeavesSingleBlanksBetweenWordsAndNoneAtTheEnds) {
  EXPECT_EQ(CollapseSpaces("Intel(R)  Core(TM)2     CPU 6400  @ 2.13GHz"), "Intel(R) Core(TM)2 CPU 6400 @ 2.13GHz");
  EXPECT_EQ(CollapseSpaces("AMD Athlon 64"), "AMD Athlon 64");
  // The service-control tool's columns; line breaks and tabs are not blanks.
  EXPECT_EQ(CollapseSpaces("SERVICE_NAME: mrxsmb20 \r\n        STATE              : 4  RUNNING \r\n"),
            "SERVICE_NAME: mrxsmb20 \r\n STATE : 4 RUNNING \r\n");
  EXPECT_EQ(CollapseSpaces("   a\t \t  b   "), "a\t \t b");
  EXPECT_EQ(CollapseSpaces("     "), "");
  EXPECT_EQ(CollapseSpaces(""), "");
}

TEST(Text, GetFieldCountsFromOneAndTakesWhatFollowsTheLastDelimiter) {
  EXPECT_EQ(GetField("18.0.20", 1, "."), "18");
  EXPECT_EQ(GetField("18.0.20", 3, "."), "20");
  EXPECT_EQ(GetField("18.0.20", 4, "."), "");
  EXPECT_EQ(GetField("a..b", 2, "."), "");
  EXPECT_EQ(GetField("a..b", 3, "."), "b");
  EXPECT_EQ(GetField("a::b::c", 2, "::"), "b");
  EXPECT_EQ(GetField("", 1, "."), "");
  EXPECT_EQ(GetField("abc", 0, "."), "");
}

TEST(Text, ValReadsTheLeadingNumber) {
  EXPECT_EQ(Val("18"), 18);
  EXPECT_EQ(Val(" 0010"), 10);
  EXPECT_EQ(Val("7abc"), 7);
  EXPECT_EQ(Val("-3"), -3);
  EXPECT_EQ(Val("x1"), 0);
  EXPECT_EQ(Val(""), 0);
  EXPECT_EQ(Val("99999999999999999999999"), INT64_MAX);
}

TEST(Text, ZeroPadPadsToWidthAndNeverCuts) {
  EXPECT_EQ(ZeroPad(10, 4), "0010");
  EXPECT_EQ(ZeroPad(208, 4), "0208");
  EXPECT_EQ(ZeroPad(123456, 4), "123456");
  EXPECT_EQ(ZeroPad(0, 2), "00");
}

TEST(Text, UrlEncodeKeepsAlphanumericsAndEscapesTheRest) {
  EXPECT_EQ(UrlEncode("a b-c.d"), "a%20b%2Dc%2Ed");
  EXPECT_EQ(UrlEncode("  x  "), "x");
  EXPECT_EQ(UrlEncode("a\tb"), "ab");
  EXPECT_EQ(UrlEncode("\xe9"), "%E9");
  EXPECT_EQ(UrlEncode("\xff~"), "%FF%7E");
}

TEST(Text, CaseFoldingComparisons) {
  EXPECT_TRUE(EqualsNoCase("(Default)", "(default)"));
  EXPECT_FALSE(EqualsNoCase("abc", "abcd"));
  EXPECT_TRUE(StartsWithNoCase("LastDataPath=c:", "lastdatapath="));
  EXPECT_TRUE(EndsWithNoCase("C:\\Data\\ACCDATA\\", "\\accdata\\"));
  EXPECT_EQ(UCase("a+b\xe9"), "A+B\xe9");
}

TEST(Text, HexDigitsCarryEveryByteAndAnythingElseIsRefused) {
  const uint8_t bytes[] = {0x00, 0x7f, 0xff, 0xa5};
  EXPECT_EQ(HexText(bytes, 4), "007fffa5");
  EXPECT_EQ(BytesFromHex("007FfFa5"), std::vector<uint8_t>(bytes, bytes + 4));
  EXPECT_EQ(BytesFromHex(""), std::vector<uint8_t>{});
  for (const char* bad : {"0", "0g", "xyz", "12 4", "-1"}) EXPECT_EQ(BytesFromHex(bad), std::nullopt) << bad;
}

TEST(Paths, NormaliseFolderTrimsLowersAndEndsInBackslash) {
  EXPECT_EQ(NormaliseFolder("  C:\\Data\\Co1 "), "c:\\data\\co1\\");
  EXPECT_EQ(NormaliseFolder("c:\\x\\"), "c:\\x\\");
  EXPECT_EQ(NormaliseFolder("   "), "");
}

TEST(Paths, SplitPathGivesFolderTitleAndExtensionWithoutSeparators) {
  EXPECT_EQ(SplitPath("c:\\a\\b\\setup.dta", PathPart::Folder), "c:\\a\\b");
  EXPECT_EQ(SplitPath("c:\\a\\b\\setup.dta", PathPart::FileTitle), "setup");
  EXPECT_EQ(SplitPath("c:\\a\\b\\setup.dta", PathPart::Extension), "dta");
  EXPECT_EQ(SplitPath("c:\\a.b\\readme", PathPart::Extension), "");
  EXPECT_EQ(SplitPath("c:\\a.b\\readme", PathPart::FileTitle), "readme");
  EXPECT_EQ(SplitPath("file.tar.gz", PathPart::FileTitle), "file.tar");
  EXPECT_EQ(SplitPath("file.txt", PathPart::Folder), "");
  EXPECT_EQ(FileNameOf("c:\\data\\queue.dta"), "queue.dta");
}

}  // namespace
}  // namespace lw
