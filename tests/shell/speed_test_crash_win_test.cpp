// A write test cut short for real: the running program is killed (TerminateProcess) at several
// moments of a run on the stand-in engine, then started again; its question is answered and every
// field must equal its original.
#include <windows.h>

#include <gtest/gtest.h>

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
  static std::string Control(HWND window, const char* name) {
    return fixtures::WindowText(forms::FindControl(window, name));
  }
  // The program's message box once it shows one other than `not`, or null.
  static HWND NextMessageBox(const RunningProgram& program, HWND other) {
    HWND box = nullptr;
    fixtures::PumpUntil(
        [&] {
          box = program.WaitForMessageBox(0);
          return box && box != other;
        },
        30000);
    return box != other ? box : nullptr;
  }
  static void Answer(HWND box, int button) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
  }
  // Records holding a test text now.
  int TestTexts() const {
    int n = 0;
    for (const auto& c : fixtures::ReadSdoData(DataPath()).customers) n += IsTestText(c.salesRep);
    return n;
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
    ASSERT_TRUE(fixtures::PumpUntil([&] { return Control(main, "lblRecs") == "Customer 100 Records"; }, 30000))
        << Control(main, "lblRecs");
    fixtures::SendFromOutside(forms::FindControl(main, "optTest(1)"), BM_CLICK);
    ASSERT_EQ(Control(main, "lblRecs"), "Customer 100 Records");
    PostMessageA(forms::FindControl(main, "cmdSpeed"), BM_CLICK, 0, 0);
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
  if (moment.updates > 0) {
    EXPECT_GT(left, 0) << "the kill left test texts behind";
  }

  if (moment.noFirst) {
    RunningProgram declined;
    HWND question = NextMessageBox(declined, nullptr);
    ASSERT_TRUE(question);
    Answer(question, IDNO);
    HWND main = declined.WaitForMainWindow();
    ASSERT_TRUE(main);
    declined.Close();
    EXPECT_EQ(declined.WaitForExit(), 0);
    EXPECT_TRUE(FileExists(SpeedJournalPath())) << "No keeps the journal for the next start";
    EXPECT_EQ(TestTexts(), left);
  }

  RunningProgram again;
  HWND question = NextMessageBox(again, nullptr);
  ASSERT_TRUE(question);
  EXPECT_TRUE(fixtures::MessageBoxText(question).starts_with(
      "The last speed test did not finish; put back the 100 original values now?"))
      << fixtures::MessageBoxText(question);
  EXPECT_FALSE(again.WaitForMainWindow(0)) << "asked before the main window logs in";
  Answer(question, IDYES);
  HWND report = NextMessageBox(again, question);
  ASSERT_TRUE(report);
  std::string expected = left == 1 ? "1 original value was put back." : Format("%d original values were put back.", left);
  if (left < kRecords)
    expected += Format("\r\n\r\n%d record%s did not hold the speed test's text and %s left as %s", kRecords - left,
                       kRecords - left == 1 ? "" : "s", kRecords - left == 1 ? "was" : "were",
                       kRecords - left == 1 ? "it is." : "they are.");
  EXPECT_EQ(fixtures::MessageBoxText(report), expected);
  Answer(report, IDOK);
  HWND main = again.WaitForMainWindow();
  ASSERT_TRUE(main);
  again.Close();
  EXPECT_EQ(again.WaitForExit(), 0);

  // Every field of every record as it was, and nothing more to offer.
  const fixtures::SdoData now = fixtures::ReadSdoData(DataPath());
  ASSERT_EQ(now.customers.size(), original.customers.size());
  for (size_t i = 0; i < now.customers.size(); ++i) {
    EXPECT_EQ(now.customers[i].name, original.customers[i].name) << i;
    EXPECT_EQ(now.customers[i].salesRep, original.customers[i].salesRep) << i;
  }
  EXPECT_FALSE(FileExists(SpeedJournalPath()));
}

INSTANTIATE_TEST_SUITE_P(Moments, SpeedTestKilled,
                         ::testing::Values(Moment{"JournalWritten", 0, false}, Moment{"FirstSweep", 30, true},
                                           Moment{"PuttingBack", 130, false}, Moment{"SecondPass", 250, false}),
                         [](const ::testing::TestParamInfo<Moment>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lw
