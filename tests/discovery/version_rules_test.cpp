#include "app/discovery/version_rules.h"

#include <gtest/gtest.h>

namespace lw {
namespace {

TEST(DataVersionRules, SupportedRangeAndTheFourRefusals) {
  const struct {
    const char* version;
    const char* type;
    bool supported;
    const char* why;
  } kCases[] = {
      {"7", "AC", true, ""},
      {"18", "A+", true, ""},
      {"15", "IA", true, ""},
      {"18", "IP", true, ""},
      {"6", "FC", false, "Sage Line 50 v6 is not supported"},
      {"", "", false, "Sage Line 50 v is not supported"},
      {"19", "", false, "Sage 50 v19 is not supported yet"},
      {"14", "IA", false, "Instant v14 is not supported"},
      {"6", "ip", false, "Instant v6 is not supported"},
      {"19", "IA", false, "Instant v19 is not supported yet"},
  };
  for (const auto& c : kCases) {
    std::string why = "untouched";
    EXPECT_EQ(JudgeDataVersion(c.version, c.type, 18, why), c.supported) << c.version << " " << c.type;
    EXPECT_EQ(why, c.supported ? "untouched" : c.why) << c.version << " " << c.type;
  }
  // The newest version is the program's own major version, not a fixed number.
  std::string why;
  EXPECT_TRUE(JudgeDataVersion("19", "AC", 19, why));
  EXPECT_FALSE(JudgeDataVersion("19", "AC", 18, why));
}

TEST(SdoVersionRules, KeyIsFieldsTwoToFourPaddedToFourDigits) {
  EXPECT_EQ(SdoVersionKey("18.0.10.208"), "000000100208");
  EXPECT_EQ(SdoVersionKey("14.1.26.246"), "000100260246");
  EXPECT_EQ(SdoVersionKey("14"), "000000000000");
}

// Every row: the version just below its minimum must be updated, the minimum itself is good.
TEST(SdoVersionRules, EachDataVersionHasItsMinimum) {
  const struct {
    const char* data;
    bool instant;
    const char* bad;
    const char* good;
    const char* tail;
  } kRows[] = {
      {"12", false, "12.0.1.59", "12.0.1.60", " and needs to be updated to v12.0.1.60"},
      {"13", false, "13.3.28.999", "13.3.29.159", " and needs to be updated to v13.3.29.159"},
      {"14", false, "14.0.16.300", "14.1.26.246", " and needs to be updated to at least v14.0.17.157"},
      {"15", false, "15.0.11.157", "15.1.18.190", " and needs to be updated to at least v15.0.11.158"},
      {"15", true, "15.0.11.158", "15.0.10.10", " and needs to be v15.0.10.10 in order to work with Sage Instant"},
      {"16", true, "16.0.14.146", "16.0.14.147", " and needs to be updated to v16.0.14.147"},
      {"17", false, "17.0.11.500", "17.0.12.196", " and needs to be updated to v17.0.12.196"},
      {"18", false, "18.0.9.999", "18.0.10.208", " and needs to be updated to v18.0.10.208"},
      {"8", false, "8.0.20.11", "8.0.20.12", " and needs to be updated"},
  };
  for (const auto& r : kRows) {
    SdoVersionVerdict bad = JudgeSdoVersion(r.data, r.instant, r.bad);
    EXPECT_TRUE(bad.mustUpdate) << r.bad;
    EXPECT_EQ(bad.text, std::string("Your Sage SDO is v") + r.bad + r.tail);
    EXPECT_EQ(bad.style, 16u);
    EXPECT_EQ(bad.title, "Bad SDO Version");
    SdoVersionVerdict good = JudgeSdoVersion(r.data, r.instant, r.good);
    EXPECT_FALSE(good.mustUpdate) << r.good;
    EXPECT_FALSE(good.showMessage) << r.good;
  }
}

TEST(SdoVersionRules, ShouldUpdateWarnsWithoutRefusing) {
  SdoVersionVerdict v14 = JudgeSdoVersion("14", false, "14.0.20.1");
  EXPECT_FALSE(v14.mustUpdate);
  EXPECT_TRUE(v14.showMessage);
  EXPECT_EQ(v14.text, "Your Sage SDO is v14.0.20.1 and should be updated to v14.1.26.246");
  EXPECT_EQ(v14.style, 48u);
  EXPECT_EQ(v14.title, "Bad SDO Version");

  SdoVersionVerdict v15 = JudgeSdoVersion("15", false, "15.1.18.189");
  EXPECT_FALSE(v15.mustUpdate);
  EXPECT_EQ(v15.text, "Your Sage SDO is v15.1.18.189 and should be updated to v15.1.18.190 by installing Update 1");
  EXPECT_EQ(v15.style, 48u);
  // Instant 15 wants exactly its own build, above or below.
  EXPECT_TRUE(JudgeSdoVersion("15", true, "15.1.18.190").mustUpdate);
}

TEST(SdoVersionRules, OtherMajorVersionMissingEngineAndUnknownRows) {
  SdoVersionVerdict other = JudgeSdoVersion("18", false, "17.0.12.196");
  EXPECT_TRUE(other.mustUpdate);
  EXPECT_EQ(other.text, "Your Sage SDO is v17.0.12.196 and needs to be updated to v18.0.10.208");
  // Version 8's only bad build is one exact key; another major version is still refused.
  EXPECT_TRUE(JudgeSdoVersion("8", false, "9.0.30.1").mustUpdate);
  EXPECT_FALSE(JudgeSdoVersion("8", false, "8.0.30.1").showMessage);

  SdoVersionVerdict missing = JudgeSdoVersion("16", false, "");
  EXPECT_FALSE(missing.mustUpdate);
  EXPECT_TRUE(missing.showMessage);
  EXPECT_EQ(missing.text, "The Sage v16 SDO has not been installed on this computer");
  EXPECT_EQ(missing.style, 16u);
  EXPECT_EQ(missing.title, "SDO Not Found");

  for (const char* data : {"11", "09", "19"}) {
    SdoVersionVerdict none = JudgeSdoVersion(data, false, "1.0.0.0");
    EXPECT_FALSE(none.mustUpdate) << data;
    EXPECT_FALSE(none.showMessage) << data;
  }
}

TEST(AccessMode, SuffixForEachActivityCode) {
  EXPECT_EQ(AccessModeSuffix(1), " (Maint)");
  EXPECT_EQ(AccessModeSuffix(2), " (Backup)");
  EXPECT_EQ(AccessModeSuffix(3), " (Restore)");
  EXPECT_EQ(AccessModeSuffix(7), "");
  EXPECT_EQ(AccessModeSuffix(87), " (Config)");
  EXPECT_EQ(AccessModeSuffix(5), " (Settings)");
  EXPECT_EQ(AccessModeSuffix(0), " (Settings)");
}

}  // namespace
}  // namespace lw
