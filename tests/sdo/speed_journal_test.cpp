// The write tests' journal: its file format, damaged files, and putting it back through a record
// object that may have changed since the run was cut short.
#include "app/sdo/speed_journal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fixtures/speed_records.h"

namespace lw {
namespace {

using fixtures::Customers;
using fixtures::FakeRecords;
using fixtures::FakeRow;

SpeedJournal Sample() {
  SpeedJournal j = JournalOf(SpeedTestOf(1), "C:\\Sage\\Wickham|Joinery\\ACCDATA");
  j.entries = {{1, "Acme Ltd", "AB"},
               {2, "100% Timber", ""},
               {7, "Bell & Co|Ltd", "line one\r\nline two\ttab %41"},
               {100, "\xA3 Pound Stores", "\x7F\x01"}};
  return j;
}

TEST(SpeedJournal, AnyTextSurvivesTheFileAndTheFileIsLines) {
  const SpeedJournal j = Sample();
  const std::string text = BuildSpeedJournal(j);
  EXPECT_EQ(text,
            "LEDGERWELL SPEED TEST JOURNAL 1\r\n"
            "path|C:\\Sage\\Wickham%7CJoinery\\ACCDATA\r\n"
            "class|SalesRecord|NAME|SALES_REP\r\n"
            "record|1|Acme Ltd|AB\r\n"
            "record|2|100%25 Timber|\r\n"
            "record|7|Bell & Co%7CLtd|line one%0D%0Aline two%09tab %2541\r\n"
            "record|100|\xA3 Pound Stores|%7F%01\r\n"
            "end|4\r\n");
  SpeedJournal back;
  std::string error;
  ASSERT_TRUE(ParseSpeedJournal(text, back, error)) << error;
  EXPECT_EQ(back, j);

  SpeedJournal empty = JournalOf(SpeedTestOf(3), "D:\\Data");
  ASSERT_TRUE(ParseSpeedJournal(BuildSpeedJournal(empty), back, error)) << error;
  EXPECT_EQ(back, empty);
  EXPECT_EQ(back.className, "NominalRecord");
  EXPECT_EQ(back.field, "AUDIT_REF");
}

TEST(SpeedJournal, DamagedFilesAreRefusedNamingTheLine) {
  const std::string good = BuildSpeedJournal(Sample());
  auto replace = [&](const std::string& from, const std::string& to) {
    std::string t = good;
    t.replace(t.find(from), from.size(), to);
    return t;
  };
  const struct {
    std::string text;
    const char* line;
  } kBad[] = {
      {"LEDGERWELL SPEED TEST JOURNAL 2\r\n", "line 1"},
      {good.substr(0, good.size() - 2), "line 8"},              // the last line's end is missing
      {good.substr(0, good.find("record|7")), "line 6"},        // cut in the middle
      {replace("end|4", "end|3"), "line 8"},
      {good + "record|101|x|y\r\n", "line 9"},
      {replace("path|C:\\Sage\\Wickham%7CJoinery\\ACCDATA", "path|  "), "line 2"},
      {replace("class|SalesRecord|NAME|SALES_REP", "class|SalesRecord|NAME|NAME"), "line 3"},
      {replace("record|100|", "record|101|"), "line 7"},
      {replace("record|1|", "record|01|"), "line 4"},
      {replace("record|7|", "record|1|"), "line 6"},             // a position twice
      {replace("100%25", "100%G5"), "line 5"},
      {replace("|AB\r\n", "|AB|C\r\n"), "line 4"},
  };
  for (const auto& bad : kBad) {
    SpeedJournal j = Sample();
    std::string error;
    EXPECT_FALSE(ParseSpeedJournal(bad.text, j, error)) << bad.text;
    EXPECT_EQ(error.rfind(std::string(bad.line) + ":", 0), 0u) << bad.text << " -> " << error;
    EXPECT_EQ(j, SpeedJournal{}) << "nothing half-read is left: " << bad.text;
  }
}

// A value that reads as a test text is never taken for an original.
TEST(SpeedJournal, TestTextsAreKnownAsSuch) {
  for (const char* text : {"Test Record 1", "Test Record 100", "Test Record 12345"}) EXPECT_TRUE(IsTestText(text));
  for (const char* text : {"Test Record ", "Test Record x", "Test Record 1 ", "test record 1", " Test Record 1", ""})
    EXPECT_FALSE(IsTestText(text)) << text;
}

// The data as a run killed half-way left it: records 1 to 3 hold their test texts.
struct Killed {
  SpeedJournal journal = JournalOf(SpeedTestOf(1), "C:\\Data");
  std::vector<FakeRow> rows = Customers(6);
  Killed() {
    for (long i = 1; i <= 6; ++i) journal.entries.push_back({i, "Customer " + std::to_string(i), "Rep " + std::to_string(i)});
    for (int i = 0; i < 3; ++i) rows[size_t(i)]["SALES_REP"] = TestText(i + 1);
  }
};

TEST(SpeedJournal, PuttingBackWritesOnlyRecordsThatStillHoldTheirTestText) {
  Killed k;
  FakeRecords records(k.rows);
  PutBackOutcome outcome = PutBackOriginals(k.journal, records, 6);
  EXPECT_EQ(outcome.putBack.size(), 3u);
  EXPECT_EQ(outcome.notNeeded.size(), 3u);
  EXPECT_TRUE(outcome.failed.empty());
  EXPECT_TRUE(outcome.notFound.empty());
  EXPECT_EQ(records.rows, Customers(6));
  EXPECT_EQ(records.updates, 3);

  // Once every entry is decided the walk ends: a long file is not read to its end.
  Killed first;
  first.journal.entries.resize(2);
  std::vector<FakeRow> many = first.rows;
  for (int i = 7; i <= 5000; ++i) many.push_back({{"NAME", "Other " + std::to_string(i)}, {"SALES_REP", ""}});
  FakeRecords big(many);
  outcome = PutBackOriginals(first.journal, big, 5000);
  EXPECT_EQ(outcome.putBack.size(), 2u);
  EXPECT_EQ(big.moves, 2);
}

TEST(SpeedJournal, ChangedDataIsHandledRecordByRecord) {
  struct Case {
    const char* name;
    std::function<void(std::vector<FakeRow>&, FakeRecords&)> change;
    size_t putBack, notNeeded, failed, notFound;
  };
  for (const Case& c : std::vector<Case>{
           {"a record added before them moves them on",
            [](auto& rows, auto&) { rows.insert(rows.begin(), FakeRow{{"NAME", "Aardvark"}, {"SALES_REP", "A"}}); }, 3,
            3, 0, 0},
           {"a record deleted before them moves them back", [](auto& rows, auto&) { rows.erase(rows.begin()); }, 2, 3,
            0, 1},
           {"a renamed record is not another's", [](auto& rows, auto&) { rows[1]["NAME"] = "Renamed"; }, 2, 3, 0, 1},
           {"another user put a value in meanwhile", [](auto& rows, auto&) { rows[0]["SALES_REP"] = "Jo"; }, 2, 4, 0,
            0},
           {"a locked record", [](auto&, auto& records) { records.refuseEdit = [](long p, int) { return p == 2; }; },
            2, 3, 1, 0},
           {"an update that does not stick",
            [](auto&, auto& records) { records.failUpdate = [](long p) { return p == 3; }; }, 2, 3, 1, 0},
           {"fewer records than the journal names",
            [](auto& rows, auto&) { rows.resize(4); }, 3, 1, 0, 2},
       }) {
    SCOPED_TRACE(c.name);
    Killed k;
    FakeRecords records({});
    c.change(k.rows, records);
    records.rows = k.rows;
    PutBackOutcome outcome = PutBackOriginals(k.journal, records, long(k.rows.size()));
    EXPECT_EQ(outcome.putBack.size(), c.putBack);
    EXPECT_EQ(outcome.notNeeded.size(), c.notNeeded);
    EXPECT_EQ(outcome.failed.size(), c.failed);
    EXPECT_EQ(outcome.notFound.size(), c.notFound);
    EXPECT_EQ(outcome.Left(), outcome.failed);
    // No record ends up with another's value: each row holds its own original, its test text
    // (when it could not be put back), or what another user put there.
    for (const FakeRow& row : records.rows) {
      const std::string name = row.at("NAME"), rep = row.at("SALES_REP");
      EXPECT_TRUE(rep == "Rep " + name.substr(name.find(' ') + 1) || IsTestText(rep) || rep == "Jo" || rep == "A")
          << name << ": " << rep;
    }
  }
}

TEST(SpeedJournal, TheQuestionAndTheReportNameWhatIsLeft) {
  Killed k;
  EXPECT_EQ(PutBackQuestion(k.journal),
            "The last speed test did not finish; put back the 6 original values now?\r\n\r\nData: C:\\Data\r\n"
            "Field: SALES_REP of 6 Customer records");

  Killed f;
  PutBackOutcome outcome;
  outcome.putBack = {f.journal.entries[0]};
  outcome.failed = {f.journal.entries[1]};
  outcome.notFound = {f.journal.entries[2], f.journal.entries[3]};
  bool ok = true;
  EXPECT_EQ(PutBackReport(f.journal, outcome, ok),
            "1 original value was put back.\r\n\r\n"
            "1 value could not be put back (the engine did not take the change); it is kept and offered again:\r\n"
            "Customer \"Customer 2\" (record 2): SALES_REP was \"Rep 2\"\r\n\r\n"
            "2 records were not found where the speed test left them; a record that still shows \"Test Record\" and a "
            "number needs its value put back by hand:\r\n"
            "Customer \"Customer 3\" (record 3): SALES_REP was \"Rep 3\"\r\n"
            "Customer \"Customer 4\" (record 4): SALES_REP was \"Rep 4\"");
  EXPECT_FALSE(ok);

  std::vector<JournalEntry> many(23, JournalEntry{1, "X", "Y"});
  const std::string list = EntryList(f.journal, many);
  EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 21) << "twenty entries, then a count";
  EXPECT_TRUE(list.ends_with("\r\nand 3 more"));
}

}  // namespace
}  // namespace lw
