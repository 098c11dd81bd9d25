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

TEST(SpeedJournal, AnyTextSurvivesTheFileAndADamagedFileIsRefused) {
  SpeedJournal j = JournalOf(SpeedTestOf(1), "C:\\Sage\\Wickham|Joinery\\ACCDATA");
  j.entries = {{1, "Acme Ltd", "AB"},
               {2, "100% Timber", ""},
               {7, "Bell & Co|Ltd", "line one\r\nline two\ttab %41"},
               {100, "\xA3 Pound Stores", "\x7F\x01"}};
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

  // A damaged file is refused naming the line, and nothing half-read is left.
  auto replace = [&](const std::string& from, const std::string& to) {
    std::string t = text;
    t.replace(t.find(from), from.size(), to);
    return t;
  };
  const struct {
    std::string text;
    const char* error;
  } kBad[] = {
      {"LEDGERWELL SPEED TEST JOURNAL 2\r\n", "line 1: not \"LEDGERWELL SPEED TEST JOURNAL 1\""},
      {text.substr(0, text.find("record|7")), "line 6: the journal ends early"},  // cut in the middle
      {text.substr(0, text.size() - 2), "line 8: the last line is cut short"},
      {replace("end|4", "end|3"), "line 8: not end|4"},
      {replace("100%25", "100%G5"), "line 5: a bad escape"},
      {replace("path|", "path "), "line 2: no data folder"},
      {replace("|SALES_REP", ""), "line 3: no record class and fields"},
      {replace("SALES_REP", "AUDIT_REF"), "line 3: no write test changes SalesRecord AUDIT_REF"},
      {replace("record|2|", "record|1|"), "line 5: positions out of order"},
      {replace("record|100|", "record|101|"),
       "line 7: a record line is record|POSITION|NAME|VALUE, the position 1 to 100"},
  };
  for (const auto& bad : kBad) {
    SpeedJournal damaged = j;
    EXPECT_FALSE(ParseSpeedJournal(bad.text, damaged, error)) << bad.text;
    EXPECT_EQ(error, bad.error) << bad.text;
    EXPECT_EQ(damaged, SpeedJournal{}) << bad.text;
  }
}

// The data as a run killed half-way left it: records 1 to 3 hold their test texts.
struct Killed {
  SpeedJournal journal = JournalOf(SpeedTestOf(1), "C:\\Data");
  std::vector<FakeRow> rows = Customers(6);
  Killed() {
    for (long i = 1; i <= 6; ++i)
      journal.entries.push_back({i, "Customer " + std::to_string(i), "Rep " + std::to_string(i)});
    for (int i = 0; i < 3; ++i) rows[size_t(i)]["SALES_REP"] = TestText(i + 1);
  }
};

TEST(SpeedJournal, PuttingBackWritesOnlyRecordsThatStillHoldTheirTestText) {
  struct Case {
    const char* name;
    std::function<void(FakeRecords&)> change;
    size_t putBack, notNeeded, failed, notFound;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"as the run left them", [](auto&) {}, 3, 3, 0, 0},
      {"a record added before them moves them on",
       [](auto& r) { r.rows.insert(r.rows.begin(), FakeRow{{"NAME", "Aardvark"}, {"SALES_REP", "A"}}); }, 3, 3, 0, 0},
      {"a record deleted before them moves them back", [](auto& r) { r.rows.erase(r.rows.begin()); }, 2, 3, 0, 1},
      {"a renamed record is not another's", [](auto& r) { r.rows[1]["NAME"] = "Renamed"; }, 2, 3, 0, 1},
      {"another user put a value in meanwhile", [](auto& r) { r.rows[0]["SALES_REP"] = "Jo"; }, 2, 4, 0, 0},
      {"a locked record", [](auto& r) { r.refuseEdit = [](long p, int) { return p == 2; }; }, 2, 3, 1, 0},
      {"an update that does not stick", [](auto& r) { r.failUpdate = [](long p) { return p == 3; }; }, 2, 3, 1, 0},
      {"fewer records than the journal names", [](auto& r) { r.rows.resize(4); }, 3, 1, 0, 2},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Killed k;
    FakeRecords records(k.rows);
    c.change(records);
    PutBackOutcome outcome = PutBackOriginals(k.journal, records, long(records.rows.size()));
    EXPECT_EQ(
        (std::vector{outcome.putBack.size(), outcome.notNeeded.size(), outcome.failed.size(), outcome.notFound.size()}),
        (std::vector{c.putBack, c.notNeeded, c.failed, c.notFound}));
    // No record ends up with another's value: each row holds its own original, its test text
    // (when it could not be put back), or what another user put there.
    for (const FakeRow& row : records.rows) {
      const std::string name = row.at("NAME"), rep = row.at("SALES_REP");
      EXPECT_TRUE(rep == "Rep " + name.substr(name.find(' ') + 1) || IsTestText(rep) || rep == "Jo" || rep == "A")
          << name << ": " << rep;
    }
  }
}

TEST(SpeedJournal, TheUserIsToldWhatIsPutBackAndWhatStillNeedsIt) {
  const SpeedJournal j = Killed().journal;
  EXPECT_EQ(PutBackQuestion(j),
            "The last speed test did not finish; put back the 6 original values now?\r\n\r\n"
            "Data: C:\\Data\r\nField: SALES_REP of 6 Customer records");
  const std::vector<JournalEntry>& e = j.entries;
  bool ok = false;
  EXPECT_EQ(PutBackReport(j, {{e[0]}, {}, {}, {}}, ok), "1 original value was put back.");
  EXPECT_TRUE(ok);
  EXPECT_EQ(
      PutBackReport(j, {{e[2]}, {e[3], e[4]}, {e[0], e[1]}, {e[5]}}, ok),
      "1 original value was put back.\r\n\r\n2 records did not hold the speed test's text and were left as they "
      "are.\r\n\r\n2 values could not be put back (the engine did not take the change); they are kept and offered "
      "again:\r\nCustomer \"Customer 1\" (record 1): SALES_REP was \"Rep 1\"\r\nCustomer \"Customer 2\" (record 2): "
      "SALES_REP was \"Rep 2\"\r\n\r\n1 record was not found where the speed test left it; a record that still "
      "shows \"Test Record\" and a number needs its value put back by hand:\r\nCustomer \"Customer 6\" (record 6): "
      "SALES_REP was \"Rep 6\"");
  EXPECT_FALSE(ok) << "values still to put back";
  EXPECT_EQ(DamagedJournalText("C:\\T\\Ledgerwell.lsj", "line 1: bad", "C:\\T\\Ledgerwell.lsj.bad"),
            "The record of the original values of the last speed test cannot be used (line 1: bad).\r\n\r\n"
            "It has been kept as C:\\T\\Ledgerwell.lsj.bad for anyone who needs to put the values back by hand.");
  EXPECT_EQ(DamagedJournalText("C:\\T\\Ledgerwell.lsj", "line 1: bad", ""),
            "The record of the original values of the last speed test cannot be used (line 1: bad).\r\n\r\n"
            "It could not be moved aside: C:\\T\\Ledgerwell.lsj");
  EXPECT_EQ(PutBackRefusedReport(j, "the log-in failed"),
            "The original values of the last speed test could not be put back: the log-in failed\r\n\r\n"
            "They are kept and offered again.\r\n\r\nData: C:\\Data");
}

}  // namespace
}  // namespace lw
