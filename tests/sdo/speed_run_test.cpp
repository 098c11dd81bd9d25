// The speed test's run over a record object in memory, timed on a clock driven by its moves: the
// passes, the slow start, the rate and its colour, the midnight rule, and above all that a write
// test leaves every record as it found it however it ends.
#include "app/sdo/speed_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "app/tools/colours.h"
#include "tests/fixtures/speed_records.h"

namespace lw {
namespace {

using fixtures::Customers;
using fixtures::FakeRecords;
using fixtures::FakeRow;

const SpeedTest& kCustomerRead = SpeedTestOf(0);
const SpeedTest& kCustomerWrite = SpeedTestOf(1);
const SpeedTest& kSplitRead = SpeedTestOf(4);
constexpr const char* kPath = "C:\\Sage\\Wickham\\ACCDATA";

// The window, the clock and the disk of a run. The clock moves on by perMove seconds for every move
// of the records, from base (seconds since midnight, wrapping at midnight); Stop is pressed once
// the records have moved stopAt times. Every change that reaches the records is checked against
// the journal on the disk: it must hold the record's name with the value being written, as its
// test text or as its original, before the change is made.
class FakeHost : public SpeedRunHost {
 private:
  FakeRecords& records_;

 public:
  explicit FakeHost(FakeRecords& records, double perMove = 0.05) : records_(records), perMove(perMove) {
    records_.onUpdate = [this](const FakeRow& record, const FakeRow& changes) {
      for (const auto& [field, value] : changes) {
        ASSERT_TRUE(kept.has_value()) << "a change without a journal: " << field << "=" << value;
        const auto& entries = kept->entries;
        EXPECT_TRUE(std::any_of(entries.begin(), entries.end(), [&](const JournalEntry& e) {
          return e.key == record.at(kept->keyField) && field == kept->field &&
                 (value == e.value || value == TestText(e.position));
        })) << record.at("NAME") << ": " << field << "=" << value << " is not journaled";
      }
    };
  }
  double Now() override { return std::fmod(base + double(records_.moves) * perMove, kSecondsPerDay); }
  void Show(const SpeedView& view) override { shown.push_back({records_.moves, view}); }
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
  struct Shown {
    long moves;
    SpeedView view;
  };
  std::vector<Shown> shown;
};

SpeedRunResult RunTest(const SpeedTest& test, FakeRecords& records, FakeHost& host, long passRecords) {
  return RunSpeedPasses(test, kPath, passRecords, records, host);
}

TEST(SpeedRun, PassesLimitsAndTexts) {
  EXPECT_EQ(PassRecords(kCustomerRead, 250), 100);
  EXPECT_EQ(PassRecords(kCustomerWrite, 37), 37);
  EXPECT_EQ(PassRecords(SpeedTestOf(3), 101), 100);
  EXPECT_EQ(PassRecords(kSplitRead, 2500), 2500) << "the split test walks the whole file";
  EXPECT_EQ(TooFewRecordsText(kCustomerRead, 1), "The Customer File must have at least 2 records");
  EXPECT_EQ(TooFewRecordsText(SpeedTestOf(3), 0), "The Nominal File must have at least 2 records");
  EXPECT_EQ(TooFewRecordsText(kSplitRead, 2), "");
  EXPECT_EQ(RunRecordsText("Split", 1), "Split 1 Records");
  EXPECT_EQ(StartView(), (SpeedView{0, "0", kRunningColour}));
}

TEST(SpeedRun, TheRateIsRoundedAndMeasuredAcrossMidnight) {
  struct Case {
    double start, now;
    long count;
    const char* rate;
  };
  for (const Case& c : {
           Case{100, 115, 1500, "100"},
           Case{100, 116, 1500, "94"},                     // 93.75
           Case{100, 104, 10, "3"},                        // 2.5 rounds up, as the "0" format does
           Case{100, 100, 50, "0"},                        // no time at all
           Case{100, 70, 50, "0"},                         // set back half a minute: no time
           Case{86395, 10, 150, "10"},                     // 15 s across midnight
           Case{86399.5, 0.5, 4, "4"},
       }) {
    EXPECT_EQ(RateText(c.count, RunElapsed(c.start, c.now)), c.rate) << c.start << " " << c.now;
  }
  EXPECT_EQ(RunElapsed(100, 99), 0) << "a clock set back a little";
  EXPECT_EQ(RunElapsed(100, 40), -60) << "a minute back is midnight";
  EXPECT_EQ(RunElapsed(86390, 5), -86385);
}

TEST(SpeedRun, AReadTestRunsFifteenSecondsInTwoSweepsAndShowsEveryHundredRecords) {
  FakeRecords records(Customers(150));
  FakeHost host(records);  // 20 records a second
  const FakeRecords untouched = records;
  SpeedRunResult r = RunTest(kCustomerRead, records, host, PassRecords(kCustomerRead, 150));
  EXPECT_TRUE(r.timed);
  EXPECT_FALSE(r.slowStart);
  // 300 records are 15 s; the run ends at the first pass check after it: 2 sweeps of 100 each.
  EXPECT_EQ(r.passes, 2);
  EXPECT_EQ(r.count, 400);
  EXPECT_EQ(records.moves, 400);
  EXPECT_EQ(r.rate, "20");
  EXPECT_EQ(r.colour, kRunningColour);
  ASSERT_EQ(host.shown.size(), 4u);
  for (size_t i = 0; i < host.shown.size(); ++i) {
    EXPECT_EQ(host.shown[i].moves, long(i + 1) * 100);
    EXPECT_EQ(host.shown[i].view.rate, "20");
    EXPECT_EQ(host.shown[i].view.colour, kRunningColour);
  }
  EXPECT_EQ(host.shown[0].view.bar, 5);
  EXPECT_EQ(host.shown[1].view.bar, 10);
  EXPECT_EQ(host.shown[2].view.bar, std::nullopt) << "15 s and more leave the bar as it is";
  EXPECT_EQ(records.rows, untouched.rows);
  EXPECT_EQ(host.saves, 0) << "a read test keeps no journal";

  // The split test walks its whole file once a pass: 390 records, the pass on 300 runs to its end.
  FakeRecords splits(std::vector<FakeRow>(130, FakeRow{{"DETAILS", "Invoice"}}));
  FakeHost splitHost(splits);
  r = RunTest(kSplitRead, splits, splitHost, PassRecords(kSplitRead, 130));
  EXPECT_EQ(r.passes, 3);
  EXPECT_EQ(r.count, 390);
}

TEST(SpeedRun, ASlowStartShrinksThePassesToTenRecordsAndTurnsTheRateMagenta) {
  FakeRecords records(Customers(60));
  FakeHost host(records, 0.25);  // the first 10 records take 2.5 s
  const FakeRecords untouched = records;
  SpeedRunResult r = RunTest(kCustomerWrite, records, host, 60);
  EXPECT_TRUE(r.slowStart);
  EXPECT_EQ(r.colour, kWarningColour);
  // The journal's reading stops after 10 slow records; then passes of 10 and 10 until 15 s.
  EXPECT_EQ(r.passes, 3);
  EXPECT_EQ(r.count, 60);
  EXPECT_EQ(r.rate, "4");
  ASSERT_GE(host.shown.size(), 6u);
  // The journal's reading shows the start view; then every 10 records, magenta.
  for (const auto& s : host.shown) {
    if (s.moves <= 10) {
      EXPECT_EQ(s.view, StartView());
      continue;
    }
    EXPECT_EQ(s.moves % 10, 0) << s.moves;
    EXPECT_EQ(s.view.colour, kWarningColour);
  }
  EXPECT_EQ(r.written, 10) << "only the first pass's ten records were changed";
  EXPECT_EQ(records.rows, untouched.rows);
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
  r = RunTest(kCustomerWrite, warming, warmingHost, 60);
  EXPECT_FALSE(r.slowStart);
  EXPECT_EQ(warmingHost.saves, 1 + 50);
  EXPECT_EQ(warming.rows, untouched.rows);
  EXPECT_FALSE(warmingHost.kept.has_value());
}

// A write test cut short in its first pass must not put "saved values" back into records it never
// saved, emptying their field. Whatever ends the run, and wherever, every field of every record is
// as it was, and the journal is gone.
TEST(SpeedRun, AWriteTestLeavesEveryRecordAsItWasWhereverItIsStopped) {
  for (int size : {2, 3, 4, 9, 12, 120}) {
    const long n = PassRecords(kCustomerWrite, size);
    // Stop after every record of the first sweep of the first and the second pass.
    for (long at = 1; at <= 2 * n + n; ++at) {
      if (at > n && at <= 2 * n) continue;  // the second sweep of the first pass always ends
      SCOPED_TRACE(testing::Message() << size << " records, stopped after record " << at);
      FakeRecords records(Customers(size));
      FakeHost host(records);
      host.stopAt = n + at;  // after the journal's reading
      SpeedRunResult r = RunTest(kCustomerWrite, records, host, n);
      EXPECT_EQ(records.rows, Customers(size));
      EXPECT_FALSE(host.kept.has_value());
      EXPECT_TRUE(r.left.entries.empty());
      EXPECT_EQ(r.passes, at <= n ? 1 : 2);
      // The pass that saw Stop still walks back over all its records.
      EXPECT_EQ(r.count, (at <= n ? 0 : 2 * n) + std::min(at <= n ? at : at - 2 * n, n) + n);
    }
  }
}

TEST(SpeedRun, WriteTestsThatEndByTimeSlowStartOrMidnightPutEverythingBack) {
  struct Case {
    const char* name;
    int size;
    double perMove, base;
    bool slow;
  };
  for (const Case& c : {
           Case{"time runs out", 100, 0.05, 36000, false},
           // Two and four records meet the tenth record in a later pass; the pass keeps its size.
           Case{"a slow start in the third pass", 2, 0.15, 36000, true},
           Case{"a slow start in the second pass", 4, 0.15, 36000, true},
           Case{"midnight passes", 30, 0.05, kSecondsPerDay - 4, false},
       }) {
    SCOPED_TRACE(c.name);
    FakeRecords records(Customers(c.size));
    FakeHost host(records, c.perMove);
    host.base = c.base;
    SpeedRunResult r = RunTest(kCustomerWrite, records, host, c.size);
    EXPECT_EQ(r.slowStart, c.slow);
    EXPECT_EQ(records.rows, Customers(c.size));
    EXPECT_FALSE(host.kept.has_value());
    EXPECT_NE(r.rate, "0");
  }
}

TEST(SpeedRun, MidnightEndsTheRunOnceItIsSeenAndTheRateIsMeasuredAcrossIt) {
  FakeRecords records(Customers(30));
  FakeHost host(records);
  host.base = kSecondsPerDay - 2;  // midnight after 40 records
  SpeedRunResult r = RunTest(kCustomerRead, records, host, 30);
  // The clock is read again at the hundredth record: after midnight, far behind the start. The
  // bar stays as it is, the rate is taken across midnight, and the pass is the last.
  ASSERT_EQ(host.shown.size(), 1u);
  EXPECT_EQ(host.shown[0].moves, 100);
  EXPECT_EQ(host.shown[0].view.bar, std::nullopt);
  EXPECT_EQ(host.shown[0].view.rate, "20");
  EXPECT_EQ(r.passes, 2);
  EXPECT_EQ(r.count, 120);
  EXPECT_EQ(r.rate, "20") << "120 records in 6 s, across midnight";
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
  SpeedRunResult r = RunTest(kCustomerWrite, records, host, 12);
  EXPECT_GT(r.passes, 3);
  EXPECT_EQ(records.rows, rows);
  EXPECT_EQ(r.written, 9) << "not the refused record, the unreadable one or the one with a test text";
  EXPECT_FALSE(host.kept.has_value());
}

TEST(SpeedRun, NothingIsChangedUnlessItsOriginalIsJournaledFirst) {
  // The host checks every change against the journal; a clean run journals once, up front.
  FakeRecords records(Customers(12));
  FakeHost host(records);
  SpeedRunResult r = RunTest(kCustomerWrite, records, host, 12);
  EXPECT_EQ(host.saves, 1);
  EXPECT_GT(records.updates, 12 * 2);
  EXPECT_EQ(r.written, 12);
  EXPECT_FALSE(host.kept.has_value());

  // A journal that cannot be written: nothing is changed, no rate.
  FakeRecords refused(Customers(12));
  FakeHost noDisk(refused);
  noDisk.refuseSaves = true;
  r = RunTest(kCustomerWrite, refused, noDisk, 12);
  EXPECT_TRUE(r.journalRefused);
  EXPECT_FALSE(r.timed);
  EXPECT_EQ(refused.updates, 0);
  EXPECT_EQ(WriteRunReport(kCustomerWrite, r),
            "The Customer Write test did not run: the original values of the records it changes could not be kept "
            "safe beside Ledgerwell's settings.");

  // Stop while the values are read: nothing changed, no journal, no rate.
  FakeRecords stopped(Customers(40));
  FakeHost early(stopped);
  early.stopAt = 15;
  r = RunTest(kCustomerWrite, stopped, early, 40);
  EXPECT_FALSE(r.timed);
  EXPECT_EQ(early.saves, 0);
  EXPECT_EQ(stopped.updates, 0);
}

TEST(SpeedRun, AValueChangedSinceItWasJournaledIsJournaledAgainBeforeTheWrite) {
  FakeRecords records(Customers(12));
  FakeHost host(records);
  // Another user changes record 4 after the journal was read (12 moves), before the run writes it.
  records.onMove = [&](long moves) {
    if (moves == 13) records.rows[3]["SALES_REP"] = "Rep Four";
  };
  std::vector<FakeRow> expected = Customers(12);
  expected[3]["SALES_REP"] = "Rep Four";
  RunTest(kCustomerWrite, records, host, 12);
  EXPECT_EQ(host.saves, 2);
  EXPECT_EQ(records.rows, expected);
  EXPECT_FALSE(host.kept.has_value());
}

TEST(SpeedRun, WhatCannotBePutBackStaysInTheJournalAndIsReported) {
  FakeRecords records(Customers(12));
  // Record 2 takes its test text but never its original again.
  records.failUpdate = [&](long position) {
    return position == 2 && records.rows[1]["SALES_REP"] == TestText(2);
  };
  FakeHost host(records);
  SpeedRunResult r = RunTest(kCustomerWrite, records, host, 12);
  ASSERT_EQ(r.left.entries.size(), 1u);
  EXPECT_EQ(r.left.entries[0], (JournalEntry{2, "Customer 2", "Rep 2"}));
  ASSERT_TRUE(host.kept.has_value());
  EXPECT_EQ(*host.kept, r.left) << "the journal keeps only what is left";
  EXPECT_EQ(records.rows[1]["SALES_REP"], TestText(2));
  EXPECT_EQ(WriteRunReport(kCustomerWrite, r),
            "The Customer Write test could not put back 1 original value; it is kept and offered again:\r\n"
            "Customer \"Customer 2\" (record 2): SALES_REP was \"Rep 2\"");

  // With the engine well again, the journal puts it back.
  records.failUpdate = nullptr;
  PutBackOutcome outcome = PutBackOriginals(*host.kept, records, 12);
  EXPECT_EQ(outcome.putBack.size(), 1u);
  EXPECT_EQ(records.rows, Customers(12));
}

TEST(SpeedRun, RecordsThatMoveDuringARunAreNeverWrittenOverAndAreFoundAgain) {
  FakeRecords records(Customers(12));
  FakeHost host(records);
  // A new customer sorts first while the run is half-way through its first sweep (record 5
  // written): the written records move one place on.
  const FakeRow newcomer{{"NAME", "Aardvark Ltd"}, {"SALES_REP", "New"}};
  records.onMove = [&](long moves) {
    if (moves == 12 + 6) records.rows.insert(records.rows.begin(), newcomer);
  };
  SpeedRunResult r = RunTest(kCustomerWrite, records, host, 12);
  std::vector<FakeRow> expected = Customers(12);
  expected.insert(expected.begin(), newcomer);
  // The run could not put back what moved away from its place, and says so; nothing else changed.
  ASSERT_TRUE(host.kept.has_value());
  EXPECT_EQ(r.left.entries.size(), 5u);
  for (size_t i = 0; i < records.rows.size(); ++i) {
    if (records.rows[i] != expected[i]) {
      EXPECT_TRUE(IsTestText(records.rows[i]["SALES_REP"])) << i;
    }
  }
  // The journal finds each one by its name and its test text, one place on.
  PutBackOutcome outcome = PutBackOriginals(*host.kept, records, long(records.rows.size()));
  EXPECT_EQ(outcome.putBack.size(), 5u);
  EXPECT_TRUE(outcome.notFound.empty());
  EXPECT_EQ(records.rows, expected);
}

}  // namespace
}  // namespace lw
