// The speed test's run over records in memory, timed on a clock driven by their moves: the rate,
// the slow start, and above all that a write test leaves every record as it found it.
#include "app/sdo/speed_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>
#include <string>
#include <vector>

#include "app/tools/colours.h"
#include "tests/fixtures/speed_records.h"

namespace lw {
namespace {

using fixtures::Customers;
using fixtures::FakeRecords;
using fixtures::FakeRow;

const SpeedTest& kCustomerWrite = SpeedTestOf(1);
constexpr const char* kPath = "C:\\Sage\\Wickham\\ACCDATA";

// The clock (perMove seconds a move from base, wrapping at midnight), Stop (pressed after stopAt
// moves) and the disk of a run. Every change that reaches the records must already be in the
// journal on the disk: the record's name with the value being written, as its test or original text.
class FakeHost : public SpeedRunHost {
 private:
  FakeRecords& records_;

 public:
  explicit FakeHost(FakeRecords& records, double perMove = 0.05) : records_(records), perMove(perMove) {
    records_.onUpdate = [this](const FakeRow& record, const FakeRow& changes) {
      for (const auto& [field, value] : changes)
        EXPECT_TRUE(kept && field == kept->field &&
                    std::ranges::any_of(kept->entries,
                                        [&](const JournalEntry& e) {
                                          return e.key == record.at(kept->keyField) &&
                                                 (value == e.value || value == TestText(e.position));
                                        }))
            << record.at("NAME") << ": " << field << "=" << value << " is not journaled";
    };
  }
  double Now() override { return std::fmod(base + double(records_.moves) * perMove, kSecondsPerDay); }
  void Show(const SpeedView&) override {}
  bool StopRequested() override { return stopAt > 0 && records_.moves >= stopAt; }
  bool SaveJournal(const SpeedJournal& journal) override {
    ++saves;
    if (refuseSaves) return false;
    kept = journal;
    return true;
  }
  void RemoveJournal() override { kept.reset(); }

  double perMove;
  double base = 10 * 3600;
  long stopAt = 0;
  bool refuseSaves = false;
  int saves = 0;
  std::optional<SpeedJournal> kept;  // the journal as the disk holds it
};

TEST(SpeedRun, PassSizesAndTheRateAcrossMidnight) {
  EXPECT_EQ(PassRecords(SpeedTestOf(0), 250), 100);
  EXPECT_EQ(PassRecords(kCustomerWrite, 37), 37);
  EXPECT_EQ(PassRecords(SpeedTestOf(4), 2500), 2500) << "the split test walks the whole file";
  // 93.75; 2.5 rounds up as the "0" format does; no time at all; a clock set back half a minute;
  // 15 s and 1 s across midnight.
  const std::tuple<double, double, long, const char*> rates[] = {{100, 116, 1500, "94"}, {100, 104, 10, "3"},
                                                                 {100, 100, 50, "0"},    {100, 70, 50, "0"},
                                                                 {86395, 10, 150, "10"}, {86399.5, 0.5, 4, "4"}};
  for (const auto& [start, now, count, rate] : rates)
    EXPECT_EQ(RateText(count, RunElapsed(start, now)), rate) << start << " " << now;
  EXPECT_EQ(RunElapsed(100, 40), -60) << "a minute back is midnight";
}

TEST(SpeedRun, ASlowStartShrinksThePassesToTenRecordsAndTurnsTheRateMagenta) {
  FakeRecords records(Customers(60));
  FakeHost host(records, 0.25);  // the first 10 records take 2.5 s
  SpeedRunResult r = RunSpeedPasses(kCustomerWrite, kPath, 60, records, host);
  EXPECT_TRUE(r.slowStart);
  EXPECT_EQ(r.colour, kWarningColour);
  // The journal's reading stops after 10 slow records; then passes of 10 and 10 until 15 s.
  EXPECT_EQ(r.passes, 3);
  EXPECT_EQ(r.count, 60);
  EXPECT_EQ(r.written, 10) << "only the first pass's ten records were changed";
  EXPECT_EQ(records.rows, Customers(60));
  EXPECT_FALSE(host.kept.has_value()) << "everything is back: the journal is gone";

  // An engine slow only at first: the records the journal's reading left out are journaled one
  // by one before they are written (the host checks each change against the journal).
  FakeRecords warming(Customers(60));
  FakeHost warmingHost(warming, 0.25);
  warming.onMove = [&](long moves) {
    if (moves != 10) return;
    warmingHost.base += 10 * (0.25 - 0.05);
    warmingHost.perMove = 0.05;
  };
  r = RunSpeedPasses(kCustomerWrite, kPath, 60, warming, warmingHost);
  EXPECT_FALSE(r.slowStart);
  EXPECT_EQ(warmingHost.saves, 1 + 50);
  EXPECT_EQ(warming.rows, Customers(60));
  EXPECT_FALSE(warmingHost.kept.has_value());
}

// A write test cut short in its first pass must not put "saved values" back into records it never
// saved, emptying their field. Whatever ends the run, and wherever, every field of every record is
// as it was, and the journal is gone.
TEST(SpeedRun, AWriteTestLeavesEveryRecordAsItWasHoweverItEnds) {
  struct Case {
    const char* name;
    int size;
    double perMove, base;
    long stopAt;
  };
  std::vector<Case> cases = {
      {"time runs out", 100, 0.05, 36000, 0},
      // Two and four records meet the tenth record in a later pass; the pass keeps its size.
      {"a slow start in the third pass", 2, 0.15, 36000, 0},
      {"a slow start in the second pass", 4, 0.15, 36000, 0},
      {"midnight passes", 30, 0.05, kSecondsPerDay - 4, 0},
      {"stopped while the values are read", 40, 0.05, 36000, 15},
  };
  // Stop after every record of the first sweep of the first and the second pass (the second sweep
  // of the first pass always ends), counted from the end of the journal's reading.
  for (int size : {2, 3, 4, 9, 12, 120}) {
    const long n = PassRecords(kCustomerWrite, size);
    for (long at = 1; at <= 3 * n; ++at)
      if (at <= n || at > 2 * n) cases.push_back({"stopped", size, 0.05, 36000, n + at});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name << ", " << c.size << " records, after " << c.stopAt << " moves");
    FakeRecords records(Customers(c.size));
    FakeHost host(records, c.perMove);
    host.base = c.base;
    host.stopAt = c.stopAt;
    SpeedRunResult r = RunSpeedPasses(kCustomerWrite, kPath, PassRecords(kCustomerWrite, c.size), records, host);
    EXPECT_EQ(records.rows, Customers(c.size));
    EXPECT_FALSE(host.kept.has_value());
    EXPECT_TRUE(r.left.entries.empty());
    EXPECT_EQ(r.slowStart, c.perMove > 0.1);
    EXPECT_TRUE(c.stopAt || r.rate != "0") << "a run to its end has a rate";
  }
}

TEST(SpeedRun, OnlyRecordsWhoseValueTheFirstPassTookAreEverWritten) {
  // Record 3 is locked by another user during the first pass only; record 5's value cannot be
  // read at first; record 7 already holds a test text from a run whose journal is gone.
  std::vector<FakeRow> rows = Customers(12);
  rows[4].erase("SALES_REP");
  rows[6]["SALES_REP"] = TestText(7);
  FakeRecords records(rows);
  records.refuseEdit = [](long position, int nth) { return position == 3 && nth == 1; };
  FakeHost host(records);
  SpeedRunResult r = RunSpeedPasses(kCustomerWrite, kPath, 12, records, host);
  EXPECT_EQ(records.rows, rows);
  EXPECT_EQ(r.written, 9) << "not the refused record, the unreadable one or the one with a test text";
  EXPECT_FALSE(host.kept.has_value());
}

TEST(SpeedRun, NothingIsChangedUnlessItsOriginalIsJournaledFirst) {
  // A journal that cannot be written: nothing is changed, no rate.
  FakeRecords refused(Customers(12));
  FakeHost noDisk(refused);
  noDisk.refuseSaves = true;
  SpeedRunResult r = RunSpeedPasses(kCustomerWrite, kPath, 12, refused, noDisk);
  EXPECT_TRUE(r.journalRefused);
  EXPECT_FALSE(r.timed);
  EXPECT_EQ(refused.updates, 0);

  // Another user changes record 4 after the journal was read (12 moves), before the run writes it:
  // it is journaled again first, and keeps the other user's value.
  FakeRecords changed(Customers(12));
  FakeHost again(changed);
  changed.onMove = [&](long moves) {
    if (moves == 13) changed.rows[3]["SALES_REP"] = "Rep Four";
  };
  RunSpeedPasses(kCustomerWrite, kPath, 12, changed, again);
  EXPECT_EQ(again.saves, 2);
  std::vector<FakeRow> expected = Customers(12);
  expected[3]["SALES_REP"] = "Rep Four";
  EXPECT_EQ(changed.rows, expected);
  EXPECT_FALSE(again.kept.has_value());
}

TEST(SpeedRun, WhatCannotBePutBackStaysInTheJournalAndIsReported) {
  FakeRecords records(Customers(12));
  // Record 2 takes its test text but never its original again.
  records.failUpdate = [&](long position) { return position == 2 && records.rows[1]["SALES_REP"] == TestText(2); };
  FakeHost host(records);
  SpeedRunResult r = RunSpeedPasses(kCustomerWrite, kPath, 12, records, host);
  EXPECT_EQ(r.left.entries, (std::vector<JournalEntry>{{2, "Customer 2", "Rep 2"}}));
  ASSERT_TRUE(host.kept.has_value());
  EXPECT_EQ(*host.kept, r.left) << "the journal keeps only what is left";
  EXPECT_EQ(records.rows[1]["SALES_REP"], TestText(2));
  EXPECT_EQ(WriteRunReport(kCustomerWrite, r),
            "The Customer Write test could not put back 1 original value; it is kept and offered again:\r\n"
            "Customer \"Customer 2\" (record 2): SALES_REP was \"Rep 2\"");
}

TEST(SpeedRun, RecordsThatMoveDuringARunAreNeverWrittenOver) {
  FakeRecords records(Customers(12));
  FakeHost host(records);
  // A new customer sorts first while the run is half-way through its first sweep (record 5
  // written): the written records move one place on.
  const FakeRow newcomer{{"NAME", "Aardvark Ltd"}, {"SALES_REP", "New"}};
  records.onMove = [&](long moves) {
    if (moves == 12 + 6) records.rows.insert(records.rows.begin(), newcomer);
  };
  SpeedRunResult r = RunSpeedPasses(kCustomerWrite, kPath, 12, records, host);
  std::vector<FakeRow> expected = Customers(12);
  expected.insert(expected.begin(), newcomer);
  // The run could not put back what moved away from its place, and says so; nothing else changed.
  ASSERT_TRUE(host.kept.has_value());
  EXPECT_EQ(r.left.entries.size(), 5u);
  for (size_t i = 0; i < records.rows.size(); ++i)
    EXPECT_TRUE(records.rows[i] == expected[i] || IsTestText(records.rows[i]["SALES_REP"])) << i;
}

}  // namespace
}  // namespace lw
