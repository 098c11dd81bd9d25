#include "app/updates/about_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace lw {
namespace {

constexpr ProgramVersion kVersion{2, 1, 15};

TEST(AboutRules, CheckUrlAndPublishersPageCarryRegionVersionAndOnlyTheCompanyDetailsThatExist) {
  EXPECT_EQ(CheckUrlVersion({18, 10, 1234}), "18101234");
  EXPECT_EQ(UpdateCheckUrl("updates.example", "44", kVersion, {}),
            "https://updates.example/updates/l50upd.asp?mode=check&region=44&ver=02010015");
  CheckRequestCompany company{"Smith & Sons Ltd", " Unit 4 Mill Lane^Wickham ", "  ", "a@smith.example", "GB 12 3"};
  EXPECT_EQ(
      UpdateCheckUrl("updates.example", "61", kVersion, company),
      "https://updates.example/updates/l50upd.asp?mode=check&region=61&ver=02010015"
      "&coy=Smith%20%26%20Sons%20Ltd&addr=Unit%204%20Mill%20Lane%5EWickham&ema=a%40smith%2Eexample&vat=GB%2012%203");
  EXPECT_EQ(UpdateQueryKeys("44", kVersion, {"", "High St", "01329 555", "", ""}),
            "&region=44&ver=02010015&addr=High%20St&tel=01329%20555");
  EXPECT_EQ(AboutPageUrl("https://www.brenkgroup.co.uk", "44", kVersion, {"Acme", "", "", "", ""}),
            "https://www.brenkgroup.co.uk/?mode=about&region=44&ver=02010015&coy=Acme");
  EXPECT_EQ(AboutPageUrl("https://www.brenkgroup.co.uk/ledgerwell", "44", kVersion, {}),
            "https://www.brenkgroup.co.uk/ledgerwell?mode=about&region=44&ver=02010015");
}

TEST(AboutRules, DocumentVersionsAndTimes) {
  // The word after the first "v" that follows the end marker, in the last 200 characters, within
  // 20 characters of the v.
  const std::string marked = "end of document v1.2.3 ";
  const struct {
    std::string text, version;
  } documents[] = {
      {"{\\rtf1 Help text\\par End of Document v18.0.21 \\par}", "18.0.21"},
      {"END OF DOCUMENT  Version 2.1.57 }", "ersion"},
      {"no marker v2.1.57 here", ""},
      {"end of document v2.1.57", ""},
      {marked + std::string(200 - marked.size(), 'x'), "1.2.3"},
      {marked + std::string(201 - marked.size(), 'x'), ""},
      {"end of document v" + std::string(19, '1') + " ", std::string(19, '1')},
      {"end of document v" + std::string(20, '1') + " ", ""},
  };
  for (const auto& d : documents) EXPECT_EQ(DocVersionOf(d.text), d.version) << d.text;

  const LocalTime t{2026, 3, 7, 9, 5, 2};
  EXPECT_EQ(StampText(t), "20260307090502");
  EXPECT_EQ(CheckTimeText(t), "07/03/2026 09:05");
  EXPECT_EQ(UpdateStatusAtLoad("18.0.22", "01/02/2026 10:00"),
            "UPDATE AVAILABLE Click this button to install 18.0.22 ==>");
  EXPECT_EQ(UpdateStatusAtLoad("", "01/02/2026 10:00"), "Last Update Check was 01/02/2026 10:00");
}

UpdateEntry Entry(std::string name, std::string mine, std::string next, bool marked, std::string path, long size = 0,
                  std::string stamp = "") {
  return {name, mine, next, marked, path, size, stamp};
}

TEST(AboutRules, EachEntryIsJudgedByItsKindAndOnlyMarkedOnesGoIntoTheProgramsFolder) {
  const std::string folder = "C:\\Program Files\\Brenk\\Ledgerwell\\", home = "c:\\program files\\brenk\\ledgerwell\\";
  const std::string exe = "C:\\Windows\\Temp\\Ledgerwell.exe";
  const std::string ocx = "C:\\Windows\\System32\\Chart.OCX", rtf = "C:\\Users\\jo\\help.rtf";
  const std::string dat = folder + "countries.dat", day = "20250101120000", later = "20260101120000";
  const struct {
    UpdateEntry entry;
    LocalCopy local;
    bool needReplace;
    int countChange;
    std::string path;
  } cases[] = {
      // Programs and libraries keep the component's decision.
      {Entry("Ledgerwell.exe", "18.0.21.0", "18.0.21.0", false, exe), {}, false, 0, exe},
      {Entry("Ledgerwell.exe", "18.0.21.0", "18.0.22.0", true, exe), {}, true, 0, home + "Ledgerwell.exe"},
      {Entry("Chart.OCX", "1.0", "1.1", true, ocx), {}, true, 0, ocx},
      // Documents by the version in their text; without one any non-zero new version marks it.
      {Entry("help.rtf", "", "18.0.22", false, rtf), {}, true, 1, home + "help.rtf"},
      {Entry("help.rtf", "", "0.0", false, rtf), {}, false, 0, rtf},
      {Entry("help.rtf", "", "18.0.22", true, rtf), {"18.0.22", "", ""}, false, -1, rtf},
      {Entry("help.rtf", "", "18.0.22", true, rtf), {"18.0.9", "", ""}, true, 0, home + "help.rtf"},
      // Other files by size, then by date: another size marks it whatever the dates.
      {Entry("countries.dat", "", "", false, dat, 1200, day), {"", "1000", later}, true, 1, dat},
      {Entry("countries.dat", "", "", true, dat, 1200, day), {"", "1200", later}, false, -1, dat},
      {Entry("countries.dat", "", "", true, dat, 1200, later), {"", "1200", day}, true, 0, dat},
      {Entry("countries.dat", "", "", true, dat, 1200, day), {}, true, 0, dat},  // no local copy
      // No date from the server: the size alone decides.
      {Entry("countries.dat", "", "", true, dat, 1200, ""), {"", "1200", day}, false, -1, dat},
      // A name that is no plain file name is never marked nor moved, whatever the rules say.
      {Entry("..\\..\\Windows\\evil.exe", "", "", true, exe), {}, false, -1, exe},
      {Entry("sub/a.dat", "", "", true, exe, 10), {}, false, -1, exe},
      {Entry("con.rtf", "", "1.0", true, exe), {}, false, -1, exe},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry.name + " " + c.entry.path);
    const EntryReview r = ReviewEntry(c.entry, c.local, folder);
    EXPECT_EQ(r.needReplace, c.needReplace);
    EXPECT_EQ(r.countChange, c.countChange);
    EXPECT_EQ(r.path, c.path);
    EXPECT_TRUE(r.reportLine.ends_with(c.needReplace ? "Needs Replacing: True" : "Needs Replacing: False"));
  }
  EXPECT_EQ(ReviewEntry(cases[5].entry, cases[5].local, folder).reportLine,
            "File: help.rtf  Current Version: 18.0.22  New Version: 18.0.22  Needs Replacing: False");
  EXPECT_EQ(ReviewEntry(cases[7].entry, cases[7].local, folder).reportLine,
            "File: countries.dat  Current Size/Date: 1000/" + later + "  New Size/Date: 1200/" + day +
                "  Needs Replacing: True");
  EXPECT_EQ(LocalCopyPath("C:\\Prog\\", "help.rtf"), "C:\\Prog\\help.rtf");
  EXPECT_EQ(LocalCopyPath("C:\\Prog", "..\\help.rtf"), "") << "nothing outside the folder is read";
}

}  // namespace
}  // namespace lw
