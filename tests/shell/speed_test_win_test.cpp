// The speed test in the real main window against the stand-in engine, on a clock that runs on the
// engine's moves: the labels each run fills, Stop, a slow engine, too few records, a refused log-in,
// midnight, the journal's question before a write test, and the records compared field by field
// after every run. What a run decides is tested natively (tests/sdo/speed_run_test.cpp).
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/sdo/sdo_session_win.h"
#include "app/sdo/speed_journal_win.h"
#include "app/state/app_state.h"
#include "app/state/program_win.h"
#include "app/state/settings_win.h"
#include "app/tools/files_win.h"
#include "app/tools/text.h"
#include "tests/fixtures/main_window_win.h"
#include "tests/fixtures/sdo_standin_win.h"

namespace lw {
namespace {

std::vector<fixtures::SdoCustomer> Customers(int n) {
  std::vector<fixtures::SdoCustomer> rows;
  for (int i = 1; i <= n; ++i) rows.push_back({"Customer " + std::to_string(i), "Rep " + std::to_string(i)});
  return rows;
}

class SpeedTestWindow : public fixtures::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    App.ProgramCode = "A";
    data.customers = Customers(150);
    for (int i = 1; i <= 120; ++i) data.nominals.push_back({"Nominal " + std::to_string(i), std::to_string(i)});
    for (int i = 1; i <= 130; ++i) data.splits.push_back({"Split " + std::to_string(i)});
  }
  // The window on the data folder, logged in; from 10:00 the clock moves on a twentieth of a
  // second with every record the engine moves to: 20 records a second.
  void OpenWithEngine() {
    fixtures::WriteSageInstallation(recipe);
    fixtures::InstallSdoStandIn(18, "18.0.10.208");
    fixtures::WriteDataFolder(dir.Path("Wickham"), setup);
    fixtures::WriteSdoData(DataPath(), data);
    form = std::make_unique<frmMain>();
    form->Load();
    Analyse();
    const long atOpen = Moves();
    SetTimeOfDayClock([this, atOpen] {
      const long moves = Moves();
      if (onClock) onClock(moves);
      return 10 * 3600 + double(moves - atOpen) / 20;  // whole seconds exact, also in x87 registers
    });
  }
  // Chooses the test and presses Start; returns once the run is over.
  void Run(int index) {
    form->optTest[size_t(index)]->SetValue(true);
    Click(form->cmdSpeed);
  }
  // The records moved since the window logged in.
  long Moves() const { return fixtures::SdoStandInMoves(18); }
  // Stop as a user presses it: the click waits in the queue until the run lets events run.
  void PressStopAt(long moves) {
    onClock = [this, moves, pressed = false](long now) mutable {
      if (pressed || now < moves) return;
      pressed = true;
      PostMessageA(form->cmdExit->Hwnd(), BM_CLICK, 0, 0);
    };
  }
  std::vector<std::string> Rates() const {
    std::vector<std::string> rates;
    for (int i = 0; i < kAllTests; ++i) rates.push_back(Text(Format("lblRps(%d)", i).c_str()));
    return rates;
  }
  // Every record of every class as the test wrote it, and nothing left behind by a run.
  void ExpectDataAsWritten() const {
    const auto fields = [](const fixtures::SdoData& d) {
      std::vector<std::string> all;
      for (const auto& c : d.customers) all.push_back(c.name + "|" + c.salesRep);
      for (const auto& n : d.nominals) all.push_back(n.name + "|" + n.auditRef);
      return all;
    };
    EXPECT_EQ(fields(fixtures::ReadSdoData(DataPath())), fields(data));
    EXPECT_FALSE(FileExists(SpeedJournalPath())) << "the journal ends with the run";
    EXPECT_FALSE(Sdo.Connected) << "the run's session is closed";
    EXPECT_FALSE(App.Busy);
    EXPECT_EQ(Text("cmdExit"), "Exit");
  }

  fixtures::SdoData data;
  std::function<void(long moves)> onClock;
};

TEST_F(SpeedTestWindow, EachTestAloneShowsItsRateBesideItsOptionAndPutsEveryValueBack) {
  OpenWithEngine();
  ASSERT_TRUE(form->cmdSpeed->Enabled());
  const struct {
    int index;
    const char* recs;
    long moves;  // 15 s of 20 records a second end with the pass then under way
  } kTests[] = {{0, "Customer 150 Records", 400},
                {1, "Customer 150 Records", 100 + 400},
                {2, "Nominal 120 Records", 400},
                {3, "Nominal 120 Records", 100 + 400},
                {4, "Split 130 Records", 390}};
  std::vector<std::string> expected(kAllTests, "");
  for (const auto& t : kTests) {
    SCOPED_TRACE(t.index);
    const long before = Moves();
    const size_t updatesBefore = fixtures::ReadSdoUpdates(DataPath()).size();
    Run(t.index);
    EXPECT_EQ(Moves() - before, t.moves);
    expected[size_t(t.index)] = "20";
    EXPECT_EQ(Rates(), expected) << "one label per test";
    EXPECT_EQ(Text("lblSpeed"), "20");
    EXPECT_EQ(form->lblSpeed->ForeColor(), kRunningColour);
    EXPECT_EQ(Text("lblRecs"), t.recs) << "the whole file's count, also with passes of 100";
    EXPECT_EQ(GetAppSetting("DataPath", ""), DataPath());
    ExpectDataAsWritten();
    // A write test changed its field in each of its first 100 records and put it back, two passes over.
    const std::vector<fixtures::SdoUpdateCall> updates = fixtures::ReadSdoUpdates(DataPath());
    EXPECT_EQ(updates.size() - updatesBefore, SpeedTestOf(t.index).writeField ? 400u : 0u);
    for (size_t u = updatesBefore; u < updates.size(); ++u) {
      EXPECT_EQ(updates[u].field, SpeedTestOf(t.index).writeField);
      EXPECT_LE(updates[u].position, 100);
    }
  }
  EXPECT_TRUE(messages.empty()) << messages.front();
}

TEST_F(SpeedTestWindow, AllTestsFillsTheRatesInOrderAndStopEndsATestAtItsNextPassAndSkipsTheRest) {
  OpenWithEngine();
  // What the labels held whenever the clock was read: test by test, only the ones before it.
  std::vector<std::string> seen;
  onClock = [&](long) {
    std::string filled;
    for (const std::string& r : Rates()) filled += r.empty() ? "-" : "R";
    if (seen.empty() || seen.back() != filled) seen.push_back(filled);
  };
  Run(kAllTests);
  EXPECT_EQ(seen, (std::vector<std::string>{"-----", "R----", "RR---", "RRR--", "RRRR-"}));
  EXPECT_EQ(Rates(), std::vector<std::string>(kAllTests, "20"));
  EXPECT_TRUE(form->optTest[kAllTests]->Value());
  EXPECT_EQ(form->SelectedTest, kAllTests);
  EXPECT_EQ(Text("lblRecs"), "Customer 150 Records") << "option 5's log-in check counts the customers";
  for (int i = 0; i <= kAllTests; ++i) EXPECT_TRUE(Enabled(Format("optTest(%d)", i).c_str()));
  ExpectDataAsWritten();

  // Stop, pressed in the first sweep of a read test, is seen when the rate is next shown (record
  // 100), and the pass's second sweep still runs: 200 records.
  for (int i = 0; i < kAllTests; ++i) form->lblRps[size_t(i)]->SetCaption("");
  const long before = Moves();
  PressStopAt(before + 50);
  Run(0);
  EXPECT_EQ(Moves() - before, 200);
  EXPECT_EQ(Rates()[0], "20");

  // During "All Tests": the test under way ends, the rest are skipped, option 5 is chosen again.
  for (int i = 0; i < kAllTests; ++i) form->lblRps[size_t(i)]->SetCaption("");
  PressStopAt(Moves() + 400 + 100 + 50);
  Run(kAllTests);
  EXPECT_EQ(Rates(), (std::vector<std::string>{"20", "20", "", "", ""}));
  EXPECT_TRUE(form->optTest[kAllTests]->Value());
  ExpectDataAsWritten();
}

TEST_F(SpeedTestWindow, AFileOfOneRecordOrARefusedLogInEndsTheRunBeforeAnyRecord) {
  data.customers = Customers(1);
  OpenWithEngine();
  EXPECT_EQ(Text("lblRecs"), "Customer 1 Record");
  const long before = Moves();
  Run(1);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Brenk Ledgerwell|0|The Customer File must have at least 2 records");
  EXPECT_EQ(Text("lblRecs"), "Customer 1 Records");

  // The engine refuses the log-in with the code that leaves the button available.
  data.connectFails = true;
  data.connectErrorCode = 23;
  data.connectErrorText = "Data is in use";
  fixtures::WriteSdoData(DataPath(), data);
  form->txtPw->SetText(" ");
  ASSERT_TRUE(form->cmdSpeed->Enabled());
  Run(0);
  EXPECT_EQ(Text("lblRecs"), "Data is in use");
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(Moves(), before);
  EXPECT_EQ(Rates(), std::vector<std::string>(kAllTests, ""));
  EXPECT_TRUE(form->cmdSpeed->Enabled()) << "the busy state is left";
  ExpectDataAsWritten();
}

TEST_F(SpeedTestWindow, AWriteTestWaitsForTheLastOnesValuesToBePutBack) {
  OpenWithEngine();
  // A journal left by a run that never finished: record 2 still holds its test text.
  data.customers[1].salesRep = TestText(2);
  fixtures::WriteSdoData(DataPath(), data);
  SpeedJournal left = JournalOf(SpeedTestOf(1), DataPath());
  left.entries = {{2, "Customer 2", "Rep 2"}};
  ASSERT_TRUE(SaveSpeedJournal(left));

  answer = IDNO;
  const long before = Moves();
  Run(1);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0],
            "Brenk Ledgerwell|" + std::to_string(MB_YESNO | MB_ICONQUESTION) + "|" + PutBackQuestion(left));
  EXPECT_EQ(messages[1],
            "Brenk Ledgerwell|48|The Customer Write test runs once the original values of the last "
            "speed test are put back.");
  EXPECT_EQ(Moves(), before) << "nothing ran";
  EXPECT_TRUE(FileExists(SpeedJournalPath()));
  Run(0);
  EXPECT_EQ(Rates()[0], "20") << "a read test needs no journal";

  messages.clear();
  answer = IDYES;
  Run(1);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1], "Brenk Ledgerwell|64|1 original value was put back.");
  EXPECT_EQ(Rates()[1], "20");
  data.customers[1].salesRep = "Rep 2";
  ExpectDataAsWritten();
}

}  // namespace
}  // namespace lw
