// The pure rules of putting files in place: the replacement list written and read back, the checks
// a list must pass before any of it is acted on, the run's journal and what is done with one that is
// found, and the texts passed to the updater, its restarter and the service.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component/hand_over.h"
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
  // The header, the process lines and a server's line marked "#", as the updater reads them.
  EXPECT_EQ(
      text.find("#UDA Signature\"C:\\App\\app.exe\" /x\r\n1\r\nbefore.cmd\r\n\r\n?1234\r\n?77\r\n#C:\\T\\UDX1.tmp>"),
      0u);
  // Read back, it is written as the same text: every value came back.
  const std::optional<ReplacementList> back = ParseReplacementList(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(FormatReplacementList(*back), text);
  // Lone line feeds and empty lines after the header are read as well.
  EXPECT_EQ(ParseReplacementList("#UDA Signature\n0\n\n\n\nC:\\T\\x>C:\\y|0|0|0|0\n")->files.at(0).path, "C:\\y");
}

TEST(ReplacementList, AListWithoutTheSignatureOrWithADamagedLineIsNoList) {
  for (const char* text : {
           "", "#UDA Signatur\r\n",
           "#UDA Signature\r\n1\r\n\r\n\r\nC:\\T\\UDX1.tmp\r\n",                             // no ">"
           "#UDA Signature\r\n1\r\n\r\n\r\nC:\\T\\UDX1.tmp>C:\\a.dll|0|0|0\r\n",             // three numbers
           "#UDA Signature\r\n1\r\n\r\n\r\nC:\\T\\UDX1.tmp>C:\\a.dll|2147483648|0|0|0\r\n",  // beyond 32 bits
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
      {"c:\\users\\ann\\appdata\\local\\temp\\udxb57c.TMP", true},      // Wine's names are lower case
      {"C:\\Users\\ann\\AppData\\Local\\Temp\\UDX12345.tmp", false},    // five digits: not GetTempFileName's
      {"C:\\Users\\ann\\AppData\\Local\\Temp\\sub\\UDX12.tmp", false},  // not directly in the folder
      {"C:\\Users\\ann\\AppData\\Local\\Temp\\..\\UDX12.tmp", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsOwnDownload(c.path, kTemp), c.own) << c.path;
  EXPECT_FALSE(IsOwnDownload("C:\\Temp\\UDX1.tmp", "C:\\Temp"));  // a folder without its separator
}

TEST(ReplacementList, DestinationsArePlainFullPathsInsideTheirFolders) {
  for (const char* path : {"C:\\App\\a.dll", "c:/App/sub/b.exe", "\\\\server\\share\\app\\a.dll", "Z:\\x"})
    EXPECT_TRUE(IsPlainFullPath(path)) << path;
  for (const char* path : {"", "a.dll", "\\App\\a.dll", "C:a.dll", "C:\\App\\..\\Windows\\a.dll", "C:\\App\\COM1.txt",
                           "C:\\App\\a.dll:stream", "\\\\?\\C:\\a.dll", "\\\\.\\PhysicalDrive0", "\\\\server\\share"})
    EXPECT_FALSE(IsPlainFullPath(path)) << path;

  EXPECT_TRUE(IsInsideFolder("c:\\app\\a.dll", "C:\\App\\"));
  EXPECT_FALSE(IsInsideFolder("C:\\Application\\a.dll", "C:\\App\\"));
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
  }
  // No entries, no folders: nothing may be put anywhere.
  ReplacementList list;
  list.files = {{false, own, "C:\\App\\a.exe", 0, 0}};
  const std::vector<std::string> none;
  EXPECT_TRUE(FindListFault(list, kTemp, &none));
}

TEST(ReplacementJournal, AFoundRunIsContinuedOnlyByTheUpdaterItWasHandedToAndOnlyWholeLinesCount) {
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
      {start + std::string(kJournalHandOver) + std::string(kJournalCommit), JournalAction::FinishCommit,
       JournalAction::FinishCommit},
  };
  for (const auto& c : cases) {
    const std::optional<Journal> j = ParseJournal(c.text);
    ASSERT_TRUE(j) << c.text;
    EXPECT_EQ(ActionFor(*j, false), c.component) << c.text;
    EXPECT_EQ(ActionFor(*j, true), c.updater) << c.text;
  }
  // A line cut off while it was written does not count; a foreign line makes it no journal.
  EXPECT_EQ(ParseJournal(start + "S+|C:\\App\\b.d")->entries.size(), 1u);
  EXPECT_FALSE(ParseJournal(start + "X|C:\\App\\c.exe\r\n"));
}

TEST(HandOver, CommandLinesServiceRequestAndTheUpdatersOwnName) {
  EXPECT_EQ(ServiceRequest({"#TEST#"}), std::string("\0\0\0\x06#TEST#", 10));
  EXPECT_EQ(ServiceRequest({std::string(258, 'x')}).substr(0, 4), std::string("\0\0\x01\x02", 4));

  EXPECT_EQ(ExecutableOf("\"C:\\Program Files\\Brenk\\Ledgerwell.exe\" -M"),
            "C:\\Program Files\\Brenk\\Ledgerwell.exe");
  EXPECT_EQ(ExecutableOf(" \tC:\\App\\app.exe -M"), "C:\\App\\app.exe");  // unquoted: up to the first blank
  EXPECT_EQ(QuotedArguments({"C:\\T\\My App.uda", "Global\\My App__ev"}),
            "\"C:\\T\\My App.uda\" \"Global\\My App__ev\"");

  EXPECT_EQ(UpdaterNameOf("C:\\T\\LedgerwellUPD.EXE"), "Ledgerwell");
  EXPECT_EQ(UpdaterNameOf("C:\\T\\Upd.exe"), std::nullopt);  // no name before it
}

}  // namespace
