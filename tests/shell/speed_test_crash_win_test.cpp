// A write test cut short for real: the running program is killed (TerminateProcess) at several
// moments of a run on the stand-in engine, then started again; its question is answered and every
// field must equal its original. What a run decides is tested natively (tests/sdo/speed_run_test.cpp).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "app/forms/forms_win.h"
#include "app/sdo/speed_journal_win.h"
#include "app/state/settings_win.h"
#include "app/tools/files_win.h"
#include "app/tools/text.h"
#include "tests/fixtures/program_win.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/sdo_standin_win.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

using fixtures::RunningProgram;

constexpr int kRecords = 100;

struct Moment {
  const char* name;
  size_t updates;  // killed once the engine has stored this many changes; 0: once the journal is there
  bool noFirst;    // the first start after it is answered No
};

// Names the moment in the test's name.
void PrintTo(const Moment& moment, std::ostream* out) { *out << moment.name; }

class SpeedTestKilled : public ::testing::TestWithParam<Moment> {
 protected:
  void SetUp() override {
    fixtures::ResetProgramState();
    fixtures::SettingsForAStraightStart();
    fixtures::SageInstallation recipe;
    recipe.programFolder = dir.Win("Sage\\Accounts");
    recipe.sageExeVersion = "18.0.10.208";
    fixtures::WriteSageInstallation(recipe);
    fixtures::InstallSdoStandIn(18, "18.0.10.208");
    fixtures::WriteDataFolder(dir.Path("Wickham"), fixtures::SetupDta{});
    for (int i = 1; i <= kRecords; ++i)
      original.customers.push_back({"Customer " + std::to_string(i), "Rep " + std::to_string(i)});
    original.latencyMs = 10;  // a real engine takes its time: the run lasts long enough to be killed in
    fixtures::WriteSdoData(DataPath(), original);
    SaveAppSetting("DataPath", DataPath());
    SaveUserSetting("UserCode", "manager");
  }
  void TearDown() override { fixtures::ResetProgramState(); }

  std::string DataPath() const { return dir.Win("Wickham\\ACCDATA"); }
  // Once the log-in has counted the records, as a user waits for it: the Customer Write test.
  static void StartTheWriteTest(HWND main) {
    const auto recs = [main] { return fixtures::WindowText(forms::FindControl(main, "lblRecs")); };
    ASSERT_TRUE(fixtures::PumpUntil([&] { return recs() == "Customer 100 Records"; }, 30000)) << recs();
    fixtures::SendFromOutside(forms::FindControl(main, "optTest(1)"), BM_CLICK);
    PostMessageA(forms::FindControl(main, "cmdSpeed"), BM_CLICK, 0, 0);
  }
  // The text of the program's next message box (one other than `last`, which it becomes), answered
  // with the button; "none" when no box came.
  static std::string Answer(const RunningProgram& program, int button, HWND& last) {
    HWND box = nullptr;
    fixtures::PumpUntil([&] { return (box = program.WaitForMessageBox(0)) && box != last; }, 30000);
    if (!box || box == last) return "none";
    last = box;
    const std::string text = fixtures::MessageBoxText(box);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), LPARAM(GetDlgItem(box, button)));
    return text;
  }
  // Every record's fields, and the records holding a test text now.
  static std::vector<std::string> Fields(const fixtures::SdoData& data) {
    std::vector<std::string> all;
    for (const auto& c : data.customers) all.push_back(c.name + "|" + c.salesRep);
    return all;
  }
  int TestTexts() const {
    const fixtures::SdoData now = fixtures::ReadSdoData(DataPath());
    return int(
        std::count_if(now.customers.begin(), now.customers.end(), [](auto& c) { return IsTestText(c.salesRep); }));
  }

  fixtures::ScratchFolder dir;
  fixtures::SdoData original;
};

TEST_P(SpeedTestKilled, TheNextStartOffersTheOriginalValuesAndPutsEveryOneBack) {
  const Moment moment = GetParam();
  {
    RunningProgram program;
    HWND main = program.WaitForMainWindow();
    ASSERT_TRUE(main);
    StartTheWriteTest(main);
    ASSERT_TRUE(fixtures::PumpUntil(
        [&] {
          return moment.updates == 0 ? FileExists(SpeedJournalPath())
                                     : fixtures::ReadSdoUpdates(DataPath()).size() >= moment.updates;
        },
        60000));
    program.Kill();
  }
  ASSERT_TRUE(FileExists(SpeedJournalPath())) << "the run was cut short with its journal on disk";
  const int left = TestTexts();
  EXPECT_TRUE(moment.updates == 0 || left > 0) << "the kill left test texts behind";

  HWND last = nullptr;
  if (moment.noFirst) {
    RunningProgram declined;
    EXPECT_NE(Answer(declined, IDNO, last), "none");
    HWND main = declined.WaitForMainWindow();
    ASSERT_TRUE(main);
    // A write test asks again and does not run while the journal stays: a new journal can never
    // take the place of values still to be put back.
    const size_t updates = fixtures::ReadSdoUpdates(DataPath()).size();
    StartTheWriteTest(main);
    EXPECT_NE(Answer(declined, IDNO, last), "none");
    EXPECT_TRUE(Answer(declined, IDOK, last).starts_with("The Customer Write test runs once the original values"));
    declined.Close();
    EXPECT_EQ(declined.WaitForExit(), 0);
    EXPECT_TRUE(FileExists(SpeedJournalPath())) << "No keeps the journal for the next start";
    EXPECT_EQ(fixtures::ReadSdoUpdates(DataPath()).size(), updates);
    EXPECT_EQ(TestTexts(), left);
  }

  RunningProgram again;
  const std::string question = Answer(again, IDYES, last);
  EXPECT_FALSE(again.WaitForMainWindow(0)) << "asked before the main window logs in";
  EXPECT_TRUE(question.starts_with("The last speed test did not finish; put back the 100 original values now?"))
      << question;
  // How the records that needed nothing are counted is the journal's native test.
  const std::string report = Answer(again, IDOK, last);
  EXPECT_TRUE(report.starts_with(left == 1 ? "1 original value was put back."
                                           : Format("%d original values were put back.", left)))
      << report;
  ASSERT_TRUE(again.WaitForMainWindow());
  again.Close();
  EXPECT_EQ(again.WaitForExit(), 0);

  // Every field of every record as it was, and nothing more to offer.
  EXPECT_EQ(Fields(fixtures::ReadSdoData(DataPath())), Fields(original));
  EXPECT_FALSE(FileExists(SpeedJournalPath()));
}

INSTANTIATE_TEST_SUITE_P(Moments, SpeedTestKilled,
                         ::testing::Values(Moment{"JournalWritten", 0, false}, Moment{"FirstSweep", 30, true},
                                           Moment{"PuttingBack", 130, false}, Moment{"SecondPass", 250, false}),
                         [](const ::testing::TestParamInfo<Moment>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lw
