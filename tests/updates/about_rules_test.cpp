#include "app/updates/about_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace lw {
namespace {

constexpr ProgramVersion kVersion{2, 1, 15};

TEST(AboutRules, CheckUrlCarriesRegionVersionAndOnlyTheCompanyDetailsThatExist) {
  EXPECT_EQ(CheckUrlVersion({2, 1, 15}), "02010015");
  EXPECT_EQ(CheckUrlVersion({18, 0, 21}), "18000021");
  EXPECT_EQ(CheckUrlVersion({18, 10, 1234}), "18101234");

  EXPECT_EQ(UpdateCheckUrl("updates.example", "44", kVersion, {}),
            "https://updates.example/updates/l50upd.asp?mode=check&region=44&ver=02010015");

  CheckRequestCompany company;
  company.name = "Smith & Sons Ltd";
  company.address = " Unit 4 Mill Lane^Wickham ";
  company.telephone = "  ";  // blank: left out like an empty one
  company.email = "accounts@smith.example";
  company.vatNumber = "GB 123 4567 89";
  EXPECT_EQ(UpdateCheckUrl("updates.example", "61", kVersion, company),
            "https://updates.example/updates/l50upd.asp?mode=check&region=61&ver=02010015"
            "&coy=Smith%20%26%20Sons%20Ltd&addr=Unit%204%20Mill%20Lane%5EWickham"
            "&ema=accounts%40smith%2Eexample&vat=GB%20123%204567%2089");

  // Each key on its own: the address without a name, the telephone alone.
  CheckRequestCompany partial;
  partial.address = "High St";
  partial.telephone = "01329 555";
  EXPECT_EQ(UpdateQueryKeys("44", kVersion, partial), "&region=44&ver=02010015&addr=High%20St&tel=01329%20555");
}

TEST(AboutRules, ThePublishersPageGetsModeAboutAndTheSameKeys) {
  CheckRequestCompany company;
  company.name = "Acme";
  EXPECT_EQ(AboutPageUrl("https://www.brenkgroup.co.uk", "44", kVersion, company),
            "https://www.brenkgroup.co.uk/?mode=about&region=44&ver=02010015&coy=Acme");
  EXPECT_EQ(AboutPageUrl("https://www.brenkgroup.co.uk/ledgerwell", "44", kVersion, {}),
            "https://www.brenkgroup.co.uk/ledgerwell?mode=about&region=44&ver=02010015");
  EXPECT_EQ(AboutPageUrl("https://www.brenkgroup.co.uk/", "44", kVersion, {}),
            "https://www.brenkgroup.co.uk/?mode=about&region=44&ver=02010015");
}

TEST(AboutRules, VersionKeysPadFourFieldsAndCompareAsText) {
  EXPECT_EQ(VersionKey("2.1.3.4"), "00002000010000300004");
  EXPECT_EQ(VersionKey(""), "00000000000000000000");
  EXPECT_EQ(VersionKey("18.0"), "00018000000000000000");
  EXPECT_EQ(VersionKey("1.2.3.4.5"), "00001000020000300004");     // a fifth field is not part of it
  EXPECT_EQ(VersionKey("x.2"), "00000000020000000000");           // not a number: 0
  EXPECT_EQ(VersionKey("18.0.21\\par"), "00018000000002100000");  // a number followed by RTF
  EXPECT_GT(VersionKey("2.1.10"), VersionKey("2.1.9"));           // by number, not by digit
  EXPECT_GT(VersionKey("2.1.0.1"), VersionKey("2.1"));
  EXPECT_EQ(VersionKey("2.1"), VersionKey("2.1.0.0"));
}

TEST(AboutRules, TheDocumentVersionIsTheWordAfterTheVThatFollowsTheEndMarker) {
  EXPECT_EQ(DocVersionOf("{\\rtf1 Help text\\par End of Document v18.0.21 \\par}"), "18.0.21");
  EXPECT_EQ(DocVersionOf("END OF DOCUMENT  Version 2.1.57 }"), "ersion");  // the first v wins
  EXPECT_EQ(DocVersionOf("text end of document v2.1.57\\par }"), "2.1.57\\par");
  // No marker, no v after it, no blank after that.
  for (const char* text : {"no marker v2.1.57 here", "end of document 2.1.57 ", "end of document v2.1.57", ""})
    EXPECT_EQ(DocVersionOf(text), "") << text;
  // Only the last 200 characters are looked at.
  const std::string marked = "end of document v1.2.3 ";
  EXPECT_EQ(DocVersionOf(marked + std::string(200 - marked.size(), 'x')), "1.2.3");
  EXPECT_EQ(DocVersionOf(marked + std::string(201 - marked.size() + 1, 'x')), "");
  // Up to 20 characters after the v: a blank further away is not found.
  EXPECT_EQ(DocVersionOf("end of document v" + std::string(20, '1') + " "), "");
  EXPECT_EQ(DocVersionOf("end of document v" + std::string(19, '1') + " "), std::string(19, '1'));
}

TEST(AboutRules, TimesAndStatusTexts) {
  const LocalTime t{2026, 3, 7, 9, 5, 2};
  EXPECT_EQ(StampText(t), "20260307090502");
  EXPECT_EQ(CheckTimeText(t), "07/03/2026 09:05");
  EXPECT_EQ(AboutVersionLine({18, 0, 21}, "18.0.10.208"), "Version: 18.0.21   SDO: 18.0.10.208");
  EXPECT_EQ(AboutVersionLine({18, 0, 21}, ""), "Version: 18.0.21   SDO: ");
  EXPECT_EQ(UpdateStatusAtLoad("18.0.22", "01/02/2026 10:00"),
            "UPDATE AVAILABLE Click this button to install 18.0.22 ==>");
  EXPECT_EQ(UpdateStatusAtLoad("", ""), "Click this button to check that your program is up to date ==>");
  EXPECT_EQ(UpdateStatusAtLoad("", "01/02/2026 10:00"), "Last Update Check was 01/02/2026 10:00");
}

constexpr std::string_view kProgramFolder = "C:\\Program Files\\Brenk\\Ledgerwell\\";

UpdateEntry Entry(const std::string& name, bool needReplace, const std::string& path = "") {
  UpdateEntry e;
  e.name = name;
  e.needReplace = needReplace;
  e.path = path;
  return e;
}

TEST(AboutRules, ProgramsAndLibrariesKeepTheComponentsDecision) {
  UpdateEntry exe = Entry("Ledgerwell.exe", false, "c:\\program files\\brenk\\ledgerwell\\Ledgerwell.exe");
  exe.myVersion = "18.0.21.0";
  exe.newVersion = "18.0.21.0";
  EntryReview r = ReviewEntry(exe, {}, kProgramFolder);
  EXPECT_FALSE(r.needReplace);
  EXPECT_EQ(r.countChange, 0);
  EXPECT_EQ(r.path, exe.path);
  EXPECT_EQ(r.reportLine,
            "File: Ledgerwell.exe  Current Version: 18.0.21.0  New Version: 18.0.21.0  Needs Replacing: False");

  // A marked program whose path points elsewhere is put into the program's folder; one that is
  // there already (in another letter case) keeps its path as it was.
  exe.needReplace = true;
  exe.path = "C:\\Windows\\Temp\\Ledgerwell.exe";
  r = ReviewEntry(exe, {}, kProgramFolder);
  EXPECT_TRUE(r.needReplace);
  EXPECT_EQ(r.countChange, 0);
  EXPECT_EQ(r.path, "c:\\program files\\brenk\\ledgerwell\\Ledgerwell.exe");
  EXPECT_EQ(r.reportLine,
            "File: Ledgerwell.exe  Current Version: 18.0.21.0  New Version: 18.0.21.0  Needs Replacing: True");
  exe.path = "C:\\PROGRAM FILES\\Brenk\\Ledgerwell\\LEDGERWELL.EXE";
  EXPECT_EQ(ReviewEntry(exe, {}, kProgramFolder).path, exe.path);

  // A marked library keeps the path the component found for it.
  for (const char* name : {"Updara.dll", "Chart.OCX"}) {
    const UpdateEntry dll = Entry(name, true, "C:\\Windows\\System32\\" + std::string(name));
    r = ReviewEntry(dll, {}, kProgramFolder);
    EXPECT_TRUE(r.needReplace) << name;
    EXPECT_EQ(r.path, dll.path) << name;
  }
}

TEST(AboutRules, DocumentsAreJudgedByTheVersionInTheirText) {
  UpdateEntry rtf = Entry("help.rtf", false, "C:\\Users\\jo\\help.rtf");
  rtf.newVersion = "18.0.22";
  // Without a marker the document counts as version empty: any non-zero new version marks it.
  EntryReview r = ReviewEntry(rtf, {}, kProgramFolder);
  EXPECT_TRUE(r.needReplace);
  EXPECT_EQ(r.countChange, 1);
  EXPECT_EQ(r.myVersion, "");
  EXPECT_EQ(r.path, "c:\\program files\\brenk\\ledgerwell\\help.rtf");
  EXPECT_EQ(r.reportLine, "File: help.rtf  Current Version:   New Version: 18.0.22  Needs Replacing: True");

  rtf.newVersion = "0.0";
  EXPECT_FALSE(ReviewEntry(rtf, {}, kProgramFolder).needReplace);

  // The same version: unmarked though the component marked it, and the document's version shown.
  rtf.newVersion = "18.0.22";
  rtf.needReplace = true;
  rtf.myVersion = "";
  r = ReviewEntry(rtf, {"18.0.22", "", ""}, kProgramFolder);
  EXPECT_FALSE(r.needReplace);
  EXPECT_EQ(r.countChange, -1);
  EXPECT_EQ(r.myVersion, "18.0.22");
  EXPECT_EQ(r.path, rtf.path);  // not marked: not moved
  EXPECT_EQ(r.reportLine, "File: help.rtf  Current Version: 18.0.22  New Version: 18.0.22  Needs Replacing: False");

  // An older local document: marked, and it already was.
  r = ReviewEntry(rtf, {"18.0.9", "", ""}, kProgramFolder);
  EXPECT_TRUE(r.needReplace);
  EXPECT_EQ(r.countChange, 0);
  // A blank document version leaves the component's version in place.
  rtf.myVersion = "1.0";
  EXPECT_EQ(ReviewEntry(rtf, {" ", "", ""}, kProgramFolder).myVersion, "1.0");
}

TEST(AboutRules, DataFilesAreJudgedBySizeAndDate) {
  UpdateEntry data = Entry("countries.dat", false, "C:\\Program Files\\Brenk\\Ledgerwell\\countries.dat");
  data.size = 1200;
  data.newStamp = "20250101120000";
  // The size differs while the date is older: still marked.
  EntryReview r = ReviewEntry(data, {"", "1000", "20260101120000"}, kProgramFolder);
  EXPECT_TRUE(r.needReplace);
  EXPECT_EQ(r.countChange, 1);
  EXPECT_EQ(r.reportLine,
            "File: countries.dat  Current Size/Date: 1000/20260101120000  New Size/Date: 1200/20250101120000  "
            "Needs Replacing: True");
  EXPECT_EQ(r.path, data.path);  // in the program's folder already

  // Same size, older: unmarked; same size, newer: marked.
  data.needReplace = true;
  r = ReviewEntry(data, {"", "1200", "20260101120000"}, kProgramFolder);
  EXPECT_FALSE(r.needReplace);
  EXPECT_EQ(r.countChange, -1);
  EXPECT_TRUE(ReviewEntry(data, {"", "1200", "20240101120000"}, kProgramFolder).needReplace);
  // No local copy: its empty size differs.
  EXPECT_TRUE(ReviewEntry(data, {}, kProgramFolder).needReplace);
  // A server without a date for it: only the size decides.
  data.newStamp.clear();
  EXPECT_FALSE(ReviewEntry(data, {"", "1200", "20240101120000"}, kProgramFolder).needReplace);
}

TEST(AboutRules, AnEntryWhoseNameIsNoPlainFileNameIsNeverMarked) {
  EXPECT_EQ(LocalCopyPath("C:\\Prog", "help.rtf"), "C:\\Prog\\help.rtf");
  EXPECT_EQ(LocalCopyPath("C:\\Prog\\", "help.rtf"), "C:\\Prog\\help.rtf");
  EXPECT_EQ(LocalCopyPath("C:\\Prog", "..\\help.rtf"), "");  // nothing outside the folder is read
  // Whatever the component or the local copy says, such a name is not fetched and not moved.
  const char* names[] = {"..\\..\\Windows\\evil.exe", "sub/a.dat", "C:evil.dll", "readme.rtf.", "con.rtf"};
  for (const char* name : names) {
    const EntryReview r = ReviewEntry(Entry(name, true, "C:\\Windows\\x"), {}, "C:\\Prog");
    EXPECT_FALSE(r.needReplace) << name;
    EXPECT_EQ(r.countChange, -1) << name;
    EXPECT_EQ(r.path, "C:\\Windows\\x") << name;
    EXPECT_NE(r.reportLine.find("Needs Replacing: False"), std::string::npos) << name;
  }
  EXPECT_EQ(KindOf("x/help.RTF"), EntryKind::Document);
  EXPECT_EQ(KindOf("lib.Dll"), EntryKind::Library);
  EXPECT_EQ(KindOf("noextension"), EntryKind::Data);
}

}  // namespace
}  // namespace lw
