// The pure rules of putting files in place: the replacement list written and read back, the checks
// a list must pass before any of it is acted on, the run's journal and what is done with one that is
// found, the texts passed to the updater, its restarter and the service, and the progress window's
// texts and layout.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "component/hand_over.h"
#include "component/progress_view.h"
#include "component/replacement_journal.h"
#include "component/replacement_list.h"

namespace {

using namespace updara;

const std::string kTemp = "C:\\Users\\ann\\AppData\\Local\\Temp\\";

TEST(ReplacementList, WrittenAsTheUpdaterReadsItAndReadBackWhole) {
  ReplacementList list;
  list.cmdLine = "\"C:\\App\\app.exe\" /x";
  list.visible = true;
  list.cmdBefore = "before.cmd";
  list.processIds = {1234, 77};
  list.files.push_back({true, "C:\\T\\UDX1.tmp", "C:\\App\\a.dll", 0x01D9F0A1B2C3D4E5ULL, 0});
  list.files.push_back({false, "C:\\T\\UDX2.tmp", "C:\\App\\b.exe", 0x00000001FFFFFFFFULL, 0x8000000000000001ULL});
  const std::string text = FormatReplacementList(list);
  EXPECT_EQ(text,
            "#UDA Signature\"C:\\App\\app.exe\" /x\r\n1\r\nbefore.cmd\r\n\r\n?1234\r\n?77\r\n"
            "#C:\\T\\UDX1.tmp>C:\\App\\a.dll|31060129|-1295788827|0|0\r\n"
            "C:\\T\\UDX2.tmp>C:\\App\\b.exe|1|-1|-2147483648|1\r\n");
  EXPECT_EQ(FormatReplacementList({}), "#UDA Signature\r\n0\r\n\r\n\r\n");

  // Read back, it is written as the same text: every value came back.
  const std::optional<ReplacementList> back = ParseReplacementList(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(FormatReplacementList(*back), text);
  // Lone line feeds and empty lines after the header are read as well; "0" alone is hidden.
  const std::optional<ReplacementList> lf = ParseReplacementList("#UDA Signature\n0\n\n\n\nC:\\T\\x>C:\\y|0|0|0|0\n");
  ASSERT_TRUE(lf);
  EXPECT_FALSE(lf->visible);
  ASSERT_EQ(lf->files.size(), 1u);
  EXPECT_EQ(lf->files[0].path, "C:\\y");
}

TEST(ReplacementList, AListWithoutTheSignatureOrWithADamagedLineIsNoList) {
  for (const char* text : {
           "", "#UDA Signatur\r\n", "UDA Signature\r\n0\r\n\r\n\r\n",
           "#UDA Signature\r\n1\r\n\r\n\r\nC:\\T\\UDX1.tmp\r\n",                             // no ">"
           "#UDA Signature\r\n1\r\n\r\n\r\nC:\\T\\UDX1.tmp>C:\\a.dll\r\n",                   // no times
           "#UDA Signature\r\n1\r\n\r\n\r\nC:\\T\\UDX1.tmp>C:\\a.dll|0|0|0\r\n",             // three numbers
           "#UDA Signature\r\n1\r\n\r\n\r\nC:\\T\\UDX1.tmp>C:\\a.dll|0|0|0|0|0\r\n",         // five
           "#UDA Signature\r\n1\r\n\r\n\r\nC:\\T\\UDX1.tmp>C:\\a.dll|0|x|0|0\r\n",           // not a number
           "#UDA Signature\r\n1\r\n\r\n\r\nC:\\T\\UDX1.tmp>C:\\a.dll|2147483648|0|0|0\r\n",  // beyond 32 bits
           "#UDA Signature\r\n1\r\n\r\n\r\n>C:\\a.dll|0|0|0|0\r\n",                          // no source
           "#UDA Signature\r\n1\r\n\r\n\r\nC:\\T\\UDX1.tmp>|0|0|0|0\r\n",                    // no destination
           "#UDA Signature\r\n1\r\n\r\n\r\n?12x\r\n",                                        // a damaged process line
       }) {
    EXPECT_FALSE(ParseReplacementList(text)) << text;
  }
}

TEST(ReplacementList, OnlyTheComponentsOwnDownloadsCount) {
  const struct {
    const char* path;
    bool own;
  } cases[] = {
      {"C:\\Users\\ann\\AppData\\Local\\Temp\\UDX1A2B.tmp", true},
      {"c:\\users\\ann\\appdata\\local\\temp\\udxb57c.TMP", true},  // Wine's names are lower case
      {"C:\\Users\\ann\\AppData\\Local\\Temp\\UDXf.tmp", true},
      {"C:\\Users\\ann\\AppData\\Local\\Temp\\UDX12345.tmp", false},  // five digits: not GetTempFileName's
      {"C:\\Users\\ann\\AppData\\Local\\Temp\\UDX.tmp", false},
      {"C:\\Users\\ann\\AppData\\Local\\Temp\\UDXG1.tmp", false},
      {"C:\\Users\\ann\\AppData\\Local\\Temp\\UDX12.txt", false},
      {"C:\\Users\\ann\\AppData\\Local\\Temp\\sub\\UDX12.tmp", false},  // not directly in the folder
      {"C:\\Users\\ann\\AppData\\Local\\Temp\\..\\UDX12.tmp", false},
      {"C:\\victim\\UDX12.tmp", false},
      {"C:\\victim\\ledger-backup.xlsx", false},
      {"UDX12.tmp", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsOwnDownload(c.path, kTemp), c.own) << c.path;
  EXPECT_FALSE(IsOwnDownload("C:\\Temp\\UDX1.tmp", "C:\\Temp"));  // a folder without its separator
}

TEST(ReplacementList, DestinationsArePlainFullPathsInsideTheirFolders) {
  for (const char* path : {"C:\\App\\a.dll", "c:/App/sub/b.exe", "\\\\server\\share\\app\\a.dll", "Z:\\x"})
    EXPECT_TRUE(IsPlainFullPath(path)) << path;
  for (const char* path :
       {"", "a.dll", "\\App\\a.dll", "C:a.dll", "C:\\", "C:\\App\\..\\Windows\\a.dll", "C:\\App\\.\\a.dll",
        "C:\\App\\\\a.dll", "C:\\App\\nul", "C:\\App\\COM1.txt", "C:\\App\\a*.dll", "C:\\App\\a.dll:stream",
        "C:\\App\\a.dll.", "\\\\?\\C:\\a.dll", "\\\\.\\PhysicalDrive0", "\\\\server\\share", "1:\\a.dll"})
    EXPECT_FALSE(IsPlainFullPath(path)) << path;

  EXPECT_EQ(FolderOf("C:\\App\\sub/a.dll"), "C:\\App\\sub/");
  EXPECT_EQ(FolderOf("a.dll"), "");
  EXPECT_TRUE(IsInsideFolder("c:\\app\\a.dll", "C:\\App\\"));
  EXPECT_TRUE(IsInsideFolder("C:/App/sub/a.dll", "C:\\App\\"));
  EXPECT_FALSE(IsInsideFolder("C:\\Application\\a.dll", "C:\\App\\"));
  EXPECT_FALSE(IsInsideFolder("C:\\App\\", "C:\\App\\"));
  EXPECT_FALSE(IsInsideFolder("C:\\App\\a.dll", "C:\\App"));
}

TEST(ReplacementList, AListIsActedOnOnlyWhenEveryLineMayBe) {
  const std::vector<std::string> folders = {"C:\\App\\", "C:\\Windows\\System32\\"};
  const std::string own = kTemp + "UDX1.tmp";
  const struct {
    ReplacementFile file;
    std::optional<ListFault> withFolders, withoutFolders;
  } cases[] = {
      {{false, own, "C:\\App\\a.exe", 0, 0}, std::nullopt, std::nullopt},
      {{true, own, "C:\\Windows\\System32\\Updara.dll", 0, 0}, std::nullopt, std::nullopt},
      {{false, "C:\\victim\\ledger-backup.xlsx", "C:\\App\\a.exe", 0, 0},
       ListFault::SourceNotOurs,
       ListFault::SourceNotOurs},
      {{false, own, "C:\\victim\\ledger-backup.xlsx", 0, 0}, ListFault::OutsideTheEntriesFolders, std::nullopt},
      {{false, own, "C:\\App\\..\\victim\\x.xlsx", 0, 0},
       ListFault::DestinationNotPlain,
       ListFault::DestinationNotPlain},
      {{false, own, kTemp + "UDX2.tmp", 0, 0}, ListFault::DestinationInTemporary, ListFault::DestinationInTemporary},
  };
  for (const auto& c : cases) {
    ReplacementList list;
    list.files = {{false, own, "C:\\App\\first.dll", 0, 0}, c.file};  // the fault is found after a good line
    const auto with = FindListFault(list, kTemp, &folders);
    const auto without = FindListFault(list, kTemp, nullptr);
    EXPECT_EQ(with ? std::optional(with->fault) : std::nullopt, c.withFolders) << c.file.path;
    EXPECT_EQ(without ? std::optional(without->fault) : std::nullopt, c.withoutFolders) << c.file.path;
    if (with) {
      EXPECT_TRUE(with->path == c.file.path || with->path == c.file.newPath);
    }
  }
  // No entries, no folders: nothing may be put anywhere.
  ReplacementList list;
  list.files = {{false, own, "C:\\App\\a.exe", 0, 0}};
  const std::vector<std::string> none;
  EXPECT_TRUE(FindListFault(list, kTemp, &none));
}

TEST(ReplacementJournal, RecordsEachSwitchAndTheRunsMarkers) {
  std::string text = JournalStart();
  text += JournalLine({false, "C:\\App\\a.exe"});
  text += JournalLine({true, "C:\\App\\b.dll"});
  text += JournalLine({true, "C:\\App\\new.dll", true});
  EXPECT_EQ(text, "#UDJ Journal\r\nR|C:\\App\\a.exe\r\nS|C:\\App\\b.dll\r\nS+|C:\\App\\new.dll\r\n");
  std::optional<Journal> j = ParseJournal(text);
  ASSERT_TRUE(j);
  ASSERT_EQ(j->entries.size(), 3u);
  EXPECT_FALSE(j->entries[0].server || j->entries[0].created);
  EXPECT_EQ(j->entries[0].path, "C:\\App\\a.exe");
  EXPECT_TRUE(j->entries[1].server && !j->entries[1].created);
  EXPECT_TRUE(j->entries[2].server && j->entries[2].created);
  EXPECT_EQ(j->entries[2].path, "C:\\App\\new.dll");
  EXPECT_FALSE(j->handedOver || j->updaterStarted || j->committed);

  // A line cut off while it was written does not count; a foreign line makes it no journal.
  j = ParseJournal(text + "R|C:\\App\\c.e");
  ASSERT_TRUE(j);
  EXPECT_EQ(j->entries.size(), 3u);
  for (const char* foreign : {"X|C:\\App\\c.exe\r\n", "R+C:\\App\\c.exe\r\n", "R|\r\n", "R+|\r\n"})
    EXPECT_FALSE(ParseJournal(text + foreign)) << foreign;
  EXPECT_FALSE(ParseJournal("#UDJ Journa\r\n"));
  EXPECT_FALSE(ParseJournal(""));

  EXPECT_EQ(BackupPathOf("C:\\App\\a.exe"), "C:\\App\\a.exe.updara-old");
  EXPECT_EQ(StagedPathOf("C:\\App\\a.exe"), "C:\\App\\a.exe.updara-new");
}

TEST(ReplacementJournal, AFoundRunIsContinuedOnlyByTheUpdaterItWasHandedTo) {
  const std::string start = JournalStart() + JournalLine({false, "C:\\App\\a.exe"});
  const struct {
    std::string text;
    JournalAction component, updater;
  } cases[] = {
      {start, JournalAction::RollBack, JournalAction::RollBack},  // cut short before the hand-over
      {start + std::string(kJournalHandOver), JournalAction::RollBack, JournalAction::Continue},
      // An updater took the run over and was killed: the next one starts afresh.
      {start + std::string(kJournalHandOver) + std::string(kJournalUpdater), JournalAction::RollBack,
       JournalAction::RollBack},
      {start + std::string(kJournalCommit), JournalAction::FinishCommit, JournalAction::FinishCommit},
      {start + std::string(kJournalHandOver) + std::string(kJournalUpdater) + std::string(kJournalCommit),
       JournalAction::FinishCommit, JournalAction::FinishCommit},
  };
  for (const auto& c : cases) {
    const std::optional<Journal> j = ParseJournal(c.text);
    ASSERT_TRUE(j) << c.text;
    EXPECT_EQ(ActionFor(*j, false), c.component) << c.text;
    EXPECT_EQ(ActionFor(*j, true), c.updater) << c.text;
  }
}

TEST(HandOver, CommandLinesServiceRequestAndTheUpdatersOwnName) {
  EXPECT_EQ(QuotedArguments({"C:\\T\\UpdaraUpd.exe", "C:\\T\\Updara.uda"}),
            "\"C:\\T\\UpdaraUpd.exe\" \"C:\\T\\Updara.uda\"");
  EXPECT_EQ(QuotedArguments({}), "");
  EXPECT_EQ(ServiceRequest({"#TEST#"}), std::string("\0\0\0\x06#TEST#", 10));
  EXPECT_EQ(ServiceRequest({"ab", ""}), std::string("\0\0\0\x02"
                                                    "ab\0\0\0\0",
                                                    10));
  EXPECT_EQ(ServiceRequest({std::string(258, 'x')}).substr(0, 4), std::string("\0\0\x01\x02", 4));

  EXPECT_EQ(ExecutableOf("\"C:\\Program Files\\Brenk\\Ledgerwell.exe\" -M"),
            "C:\\Program Files\\Brenk\\Ledgerwell.exe");
  EXPECT_EQ(ExecutableOf("  C:\\App\\app.exe -M"), "C:\\App\\app.exe");
  EXPECT_EQ(ExecutableOf("C:\\App\\app.exe"), "C:\\App\\app.exe");
  EXPECT_EQ(ExecutableOf("\"C:\\App\\app.exe"), "C:\\App\\app.exe");
  EXPECT_EQ(ExecutableOf(""), "");

  EXPECT_EQ(UpdaterNameOf("C:\\T\\UpdaraUpd.exe"), "Updara");
  EXPECT_EQ(UpdaterNameOf("C:\\T\\LedgerwellUPD.EXE"), "Ledgerwell");
  EXPECT_EQ(UpdaterNameOf("C:\\T\\Upd.exe"), std::nullopt);  // no name before it
  EXPECT_EQ(UpdaterNameOf("C:\\T\\UpdaraStr.exe"), std::nullopt);
  EXPECT_EQ(UpdaterNameOf("C:\\Upd.exe\\x.exe"), std::nullopt);
}

TEST(ProgressView, TextsOfAFetchAsItGoes) {
  EXPECT_EQ(FileLabelOf("/files/Ledgerwell.exe.gz"), "Ledgerwell.exe");
  EXPECT_EQ(FileLabelOf("/updates/l50upd.asp?mode=check&coy=A%2FB"), "l50upd.asp");
  EXPECT_EQ(FileLabelOf("C:\\Updates\\data.gz"), "data");
  EXPECT_EQ(FileLabelOf("\\\\server\\share\\a.dll"), "a.dll");
  EXPECT_EQ(FileLabelOf("/a.GZ"), "a.GZ");

  EXPECT_EQ(ProgressTitle(42, "Downloading"), "(42%) Downloading..");
  EXPECT_EQ(ByteText(2048, 2097152), "2.04 KB / 2.04 MB");
  EXPECT_EQ(ByteText(1000, 0), "1000");
  EXPECT_EQ(PercentOf(0, 0), 0);
  EXPECT_EQ(PercentOf(1, 3), 33);
  EXPECT_EQ(PercentOf(1200, 1000), 100);  // more than announced
}

TEST(ProgressView, TheHighlightSweepsAndTheBarBounces) {
  std::vector<int> places;
  int counter = 0;
  for (int i = 0; i < 75; ++i) places.push_back(std::abs(counter = NextSweep(counter)));
  EXPECT_EQ(places[0], 3);
  EXPECT_EQ(places[35], 108);  // right across 108 pixels ...
  EXPECT_EQ(places[36], 111);  // ... a jump ...
  EXPECT_EQ(places[72], 3);    // ... and back
  EXPECT_EQ(places[73], 0);
  EXPECT_EQ(places[74], 3);

  Bounce bar;
  std::vector<int> positions;
  for (int i = 0; i < 12; ++i) positions.push_back((bar = NextBounce(bar)).position);
  EXPECT_EQ(positions, (std::vector<int>{1, 2, 3, 4, 5, 4, 3, 2, 1, 0, 1, 2}));
}

TEST(ProgressView, PicturesTheNoteLinkAndTheBrowserFallback) {
  EXPECT_EQ(HeaderLeft(358), 0);
  EXPECT_EQ(HeaderLeft(420), 31);
  EXPECT_EQ(HeaderLeft(200), 0);
  EXPECT_FALSE(SeparatorTiled(359));
  EXPECT_TRUE(SeparatorTiled(360));

  // A 100-pixel text in a 400 x 150 client: the link is the bottom 18 rows from x 297 on.
  EXPECT_TRUE(OverNoteLink(297, 132, 400, 150, 100, true));
  EXPECT_TRUE(OverNoteLink(399, 149, 400, 150, 100, true));
  EXPECT_FALSE(OverNoteLink(296, 140, 400, 150, 100, true));
  EXPECT_FALSE(OverNoteLink(350, 131, 400, 150, 100, true));
  EXPECT_FALSE(OverNoteLink(350, 140, 400, 150, 100, false));  // no page to open: plain text

  EXPECT_EQ(HtmCommandFor("\"C:\\Browser\\b.exe\" -osint -url \"%1\"", "https://x.example/a"),
            "\"C:\\Browser\\b.exe\" -osint -url https://x.example/a");
  EXPECT_EQ(HtmCommandFor("C:\\b.exe %1", "u"), "C:\\b.exe u");
  EXPECT_EQ(HtmCommandFor("C:\\b.exe", "u"), "C:\\b.exe u");
}

}  // namespace
