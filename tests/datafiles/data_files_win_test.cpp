// The data folder's files read and written through the real file system: counts, the login queue,
// clearing a user, the user list.
#include "app/datafiles/data_files_win.h"

#include <windows.h>

#include <gtest/gtest.h>

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
  void SetUp() override {
    ResetApplicationState();
  }
  void TearDown() override { ResetApplicationState(); }
  void Write(const std::string& name, const std::vector<uint8_t>& bytes) const { fixtures::WriteFile(dir.Path(name), bytes); }
  fixtures::ScratchFolder dir;
};

TEST_F(DataFiles_, CountsComeFromTheFilesAndTheirSizes) {
  App.DataVersion = "18";
  fixtures::AccountDta account;
  account.counts = {5, 3, 120, 4, 66, 901, 17, 9};
  account.transactions = 4321;
  Write("account.dta", fixtures::BuildAccountDta(18, account));
  Write("tablemetadata.dta", fixtures::BuildTableMetadata(18, {{1, 2}, {36, 4400}}));
  Write("prlst.dta", std::vector<uint8_t>(353 * 2));
  Write("price.dta", std::vector<uint8_t>(1000));
  Write("salda.dta", std::vector<uint8_t>(1113 * 3));
  // The folder may be typed in any case, with or without its backslash.
  ReadRecordCounts(" " + dir.Win() + "\\ ");
  const RecordCounts& c = DataFiles.Counts;
  EXPECT_EQ(c.CustomerAccounts, 5);
  EXPECT_EQ(c.PurchaseOrders, 9);
  EXPECT_EQ(c.Transactions, 4321);
  EXPECT_EQ(c.LastTransactionNo, 4400);
  EXPECT_EQ(c.PriceLists, 2);
  EXPECT_EQ(c.PriceRecords, 7);
  EXPECT_EQ(c.CustomerAddresses, 3);
  EXPECT_EQ(c.SupplierAddresses, 0) << "no purda.dta";

  // Version 10 keeps its transactions as the last number, and no address files are counted.
  App.DataVersion = "10";
  Write("account.dta", fixtures::BuildAccountDta(10, account));
  ReadRecordCounts(dir.Win());
  EXPECT_EQ(c.LastTransactionNo, 4321);
  EXPECT_EQ(c.CustomerAddresses, 0);
  EXPECT_EQ(c.PriceRecords, 8) << "1000 / 119 = 8.4";

  DeleteFileA(dir.Win("account.dta").c_str());
  ReadRecordCounts(dir.Win());
  EXPECT_EQ(c.CustomerAccounts, 0);
  EXPECT_EQ(c.Transactions, 0);
}

// Clearing a user while the file changes under it. Each case starts from its records. A record
// "held for a moment" is locked by another program (which Windows does not let anybody read
// meanwhile) until the clear waits for it; then the file becomes what `during` makes of it and the
// lock goes, and another record may be taken from then on. Afterwards the file is compared byte
// for byte with what `during` left, the expected records cleared.
struct ClearCase {
  const char* what;
  int version;
  std::vector<fixtures::QueueRecord> records;
  std::string user = "anne";
  size_t cut = 0;                // bytes cut off the end of the file
  std::vector<uint64_t> held;    // held by another program for the whole clear
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
      {"a partial last record completed meanwhile is cleared whole", 16, {anne, anne}, "anne", 40, {}, 0,
       becomes({anne, anne}), -1, {0, 1}, {}},
      {"a partial last record is left as it is", 16, {anne, anne}, "anne", 40, {}, -1, {}, -1, {0},
       {{1, P::NotWhole}}},
      {"a blank name matches nothing, not even a record that cannot be read", 16, {{"   ", "PC1", 7}, bob}, "  ", 0,
       {1}, -1, {}, -1, {}, {}, QueueClearRefusal::BlankName},
  };
  for (const ClearCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = dir.Win("queue.dta");
    const size_t length = fixtures::QueueRecordBytes(c.version);
    std::vector<uint8_t> bytes = fixtures::BuildQueueDta(c.version, c.records);
    bytes.resize(bytes.size() - c.cut);
    Write("queue.dta", bytes);

    std::vector<std::unique_ptr<fixtures::HeldRange>> held;
    for (uint64_t r : c.held) held.push_back(std::make_unique<fixtures::HeldRange>(file, r * length, length));
    std::unique_ptr<fixtures::HeldRange> moment;
    if (c.heldForAMoment >= 0)
      moment = std::make_unique<fixtures::HeldRange>(file, uint64_t(c.heldForAMoment) * length, length);
    fixtures::ModalSteps meanwhile([&] {
      if (!moment) return true;
      moment->Release();
      c.during(bytes);
      Write("queue.dta", bytes);
      if (c.heldFromThenOn >= 0)
        held.push_back(std::make_unique<fixtures::HeldRange>(file, uint64_t(c.heldFromThenOn) * length, length));
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
  {
    fixtures::LockedFile lock(dir.Win("queue.dta"), 6000);
    EXPECT_EQ(ClearQueueUser(dir.Win(), "ANNE", 100).refusal, QueueClearRefusal::CannotOpen)
        << "given up after the open's 5-second wait";
  }
  EXPECT_EQ(fixtures::ReadFileBytes(dir.Path("queue.dta")), bytes);

  // A file larger than any login queue is neither listed nor written.
  {
    HANDLE h = CreateFileA(dir.Win("queue.dta").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER size{};
    size.QuadPart = LONGLONG(kMaxQueueBytes) + 100;
    ASSERT_TRUE(SetFilePointerEx(h, size, nullptr, FILE_BEGIN) && SetEndOfFile(h));
    CloseHandle(h);
  }
  App.DataVersion = "16";
  ReadLoginQueue(dir.Win());
  EXPECT_TRUE(DataFiles.LoginQueue.empty());
  EXPECT_EQ(ClearQueueUser(dir.Win(), "ANNE", 100).refusal, QueueClearRefusal::TooLarge);

  DeleteFileA(dir.Win("queue.dta").c_str());
  ReadLoginQueue(dir.Win());
  EXPECT_TRUE(DataFiles.LoginQueue.empty());
  EXPECT_EQ(ClearQueueUser(dir.Win(), "ANNE", 100).refusal, QueueClearRefusal::CannotOpen);
}

TEST_F(DataFiles_, UserListKeepsEntryZeroAndFallsBackToTheFolderVersionAndPath) {
  fixtures::SetupDta setup;
  setup.dataVersion = 12;
  fixtures::WriteFile(dir.Path("setup.dta"), fixtures::BuildSetupDta(setup));
  Write("access.dta", fixtures::BuildAccessDta(12, {"ANNE  ", "", "BOB"}));
  DataFiles.UserList = {"manager", "OLD"};

  ReadUserList(dir.Win(), " ");  // the version comes from the folder's setup.dta
  EXPECT_EQ(DataFiles.UserList, (std::vector<std::string>{"manager", "ANNE", "BOB"}));

  App.DataPath = dir.Win();
  App.DataVersion = "12";
  ReadUserList("", "");
  EXPECT_EQ(DataFiles.UserList.size(), 3u);
  ReadUserList(dir.Win(), "6");
  EXPECT_EQ(DataFiles.UserList, (std::vector<std::string>{"manager"}));
}

}  // namespace
}  // namespace lw
