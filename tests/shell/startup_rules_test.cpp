#include "app/shell/startup_rules.h"

#include <gtest/gtest.h>

namespace lw {
namespace {

constexpr CalendarDate kToday{2026, 12, 6};

TEST(StartupRules, RssCheckRunsOncePerDayUnlessOfflineOrWithoutReader) {
  EXPECT_EQ(FormatIsoDate(kToday), "2026-12-06");
  EXPECT_TRUE(IsRssCheckDue(false, "2026-12-05", kToday, true));
  EXPECT_FALSE(IsRssCheckDue(false, "2026-12-06", kToday, true));
  EXPECT_FALSE(IsRssCheckDue(true, "0000-00-00", kToday, true));
  EXPECT_FALSE(IsRssCheckDue(false, "0000-00-00", kToday, false));
}

TEST(StartupRules, AnnouncedVersionIsStaleUnlessItsRevisionIsNewer) {
  EXPECT_TRUE(IsAnnouncedVersionStale("18.0.20", 20));
  EXPECT_FALSE(IsAnnouncedVersionStale("18.0.20", 19));
  EXPECT_TRUE(IsAnnouncedVersionStale("18.0", 0));  // no third field reads as 0
}

TEST(StartupRules, RegionFollowsTheCountryCode) {
  EXPECT_STREQ(RegionForCountryCode("61").regionCode, "AU");
  EXPECT_STREQ(RegionForCountryCode("1").regionCode, "GB");
  // The update check goes to the region's server, named by host alone (the check URL adds the rest).
  EXPECT_STREQ(RegionForCountryCode("44").updateHost, "www.brenkgroup.co.uk");
  EXPECT_STREQ(RegionForCountryCode("64").updateHost, "www.brenkgroup.com.au");
}

TEST(StartupRules, OnlyAnExactMSwitchAsksForSagesLastFolderAndTheProgramNamesItself) {
  EXPECT_TRUE(WantsLastSageDataPath("  -M  "));
  EXPECT_FALSE(WantsLastSageDataPath("-M x"));
  EXPECT_EQ(ProgramCodeOf("Ledgerwell"), "LL");
  EXPECT_EQ(MainWindowCaption("jo", "ACCTS-PC"), "Ledgerwell - jo on ACCTS-PC");
}

}  // namespace
}  // namespace lw
