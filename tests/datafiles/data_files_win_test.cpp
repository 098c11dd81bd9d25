// Clearing a user of the login queue through the real file system, and the clears that are refused.
#include "app/datafiles/data_files_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "app/shell/startup_win.h"
#include "app/state/app_state.h"
#include "tests/fixtures/data_files.h"
#include "tests/fixtures/sage_data.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

class DataFiles_ : public ::testing::Test {
 protected:
  void SetUp() override { ResetApplicationState(); }
  void TearDown() override { ResetApplicationState(); }
  void Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    fixtures::WriteFile(dir.Path(name), bytes);
  }
  fixtures::ScratchFolder dir;
};

// Clearing a user while the file changes under it. A record "held for a moment" is locked by
// another program until the clear waits for it; then the file becomes what `during` makes of it,
// the lock goes, and another record may be taken from then on. Afterwards the file must be what
// `during` left, byte for byte, with only the expected records cleared.
struct ClearCase {
  const char* what;
  int version;
  std::vector<fixtures::QueueRecord> records;
  std::string user = "anne";
  size_t cut = 0;              // bytes cut off the end of the file
  std::vector<uint64_t> held;  // held by another program for the whole clear
  int heldForAMoment = -1;
  std::function<void(std::vector<uint8_t>& file)> during;
  int heldFromThenOn = -1;
  std::vector<uint64_t> cleared;
  std::vector<QueueRecordOutcome> problems;
  QueueClearRefusal refusal = QueueClearRefusal::None;
};

TEST_F(DataFiles_, ClearingDecidesEachRecordOnWhatTheFileHoldsWhenItWrites) {
  const fixtures::QueueRecord anne{"ANNE", "PC1", 7}, bob{"BOB", "PC2", 7}, carol{"CAROL", "PC3", 7};
  using P = QueueRecordProblem;
  auto becomes = [](std::vector<fixtures::QueueRecord> records) {
    return [records](std::vector<uint8_t>& f) { f = fixtures::BuildQueueDta(16, records); };
  };
  // clang-format off
  const ClearCase cases[] = {
      {"every record of the user in any case, and none of another", 14,
       {{"Anne", "PC1", 7}, bob, {" ANNE ", "PC3", 1}, {"ANNETTE", "PC4", 2}}, " anne ", 0, {}, -1, {}, -1, {0, 2}, {}},
      {"the file shrank to one record while the clear waited", 16, {bob, anne, carol}, "anne", 0, {}, 0,
       [](std::vector<uint8_t>& f) { f.resize(100); }, -1, {}, {{1, P::NotWhole}}},
      {"another user logged in to the freed slot meanwhile", 16, {bob, anne}, "anne", 0, {}, 0, becomes({bob, carol}),
       -1, {}, {{1, P::NoLongerTheUser}}},
      {"a record held by another program throughout is reported, the others cleared", 16, {anne, bob, anne}, "anne",
       0, {0}, -1, {}, -1, {2}, {{0, P::Unreadable}}},
      {"a record another program takes while the clear waits is reported", 16, {bob, anne, bob, anne}, "anne", 0, {},
       0, becomes({bob, anne, bob, anne}), 3, {1}, {{3, P::Locked}}},
      {"a partial last record is left as it is", 16, {anne, anne}, "anne", 40, {}, -1, {}, -1, {0},
       {{1, P::NotWhole}}},
      {"a blank name matches nothing, not even a record that cannot be read", 16, {{"   ", "PC1", 7}, bob}, "  ", 0,
       {1}, -1, {}, -1, {}, {}, QueueClearRefusal::BlankName},
  };
  // clang-format on
  for (const ClearCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = dir.Win("queue.dta");
    const size_t length = fixtures::QueueRecordBytes(c.version);
    std::vector<uint8_t> bytes = fixtures::BuildQueueDta(c.version, c.records);
    bytes.resize(bytes.size() - c.cut);
    Write("queue.dta", bytes);

    auto hold = [&](int64_t r) { return std::make_unique<fixtures::HeldRange>(file, uint64_t(r) * length, length); };
    std::vector<std::unique_ptr<fixtures::HeldRange>> held;
    for (uint64_t r : c.held) held.push_back(hold(int64_t(r)));
    std::unique_ptr<fixtures::HeldRange> moment = c.heldForAMoment >= 0 ? hold(c.heldForAMoment) : nullptr;
    fixtures::ModalSteps meanwhile([&] {
      if (!moment) return true;
      moment->Release();
      c.during(bytes);
      Write("queue.dta", bytes);
      if (c.heldFromThenOn >= 0) held.push_back(hold(c.heldFromThenOn));
      return true;
    });

    const QueueClearOutcome outcome = ClearQueueUser(dir.Win(), c.user, int(length));
    held.clear();
    EXPECT_EQ(outcome.refusal, c.refusal);
    EXPECT_EQ(outcome.problems, c.problems);
    EXPECT_EQ(outcome.cleared, c.cleared.size());
    for (uint64_t r : c.cleared) std::fill_n(bytes.begin() + std::ptrdiff_t(r * length), length, uint8_t(0xFF));
    EXPECT_EQ(fixtures::ReadFileBytes(dir.Path("queue.dta")), bytes);
  }
}

TEST_F(DataFiles_, AClearThatCannotBeMadeSafelyWritesNothingAndSaysWhy) {
  App.DataVersion = "16";
  const std::vector<uint8_t> bytes = fixtures::BuildQueueDta(16, {{"ANNE", "PC1", 2}, {"BOB", "PC2", 7}});
  Write("queue.dta", bytes);
  // The listing keeps the record length it was read with; without a data version it has none.
  ReadLoginQueue(dir.Win());
  EXPECT_EQ(DataFiles.QueueRecordLength, 100);
  App.DataVersion = "";
  ReadLoginQueue(dir.Win());
  EXPECT_EQ(DataFiles.QueueRecordLength, 0);
  EXPECT_EQ(ClearQueueUser(dir.Win(), "ANNE", DataFiles.QueueRecordLength).refusal,
            QueueClearRefusal::UnknownRecordLength);
  EXPECT_EQ(fixtures::ReadFileBytes(dir.Path("queue.dta")), bytes);

  // A file larger than any login queue is neither listed nor written.
  std::filesystem::resize_file(dir.Path("queue.dta"), kMaxQueueBytes + 100);
  App.DataVersion = "16";
  ReadLoginQueue(dir.Win());
  EXPECT_TRUE(DataFiles.LoginQueue.empty());
  EXPECT_EQ(ClearQueueUser(dir.Win(), "ANNE", 100).refusal, QueueClearRefusal::TooLarge);
}

}  // namespace
}  // namespace lw
