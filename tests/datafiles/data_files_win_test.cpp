// The data folder's files read and written through the real file system: counts, the login queue,
// clearing a user, the user list.
#include "app/datafiles/data_files_win.h"

#include <windows.h>

#include <gtest/gtest.h>

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

TEST_F(DataFiles_, ClearingWritesOnlyTheMatchingRecords) {
  App.DataVersion = "16";
  std::vector<uint8_t> before =
      fixtures::BuildQueueDta(16, {{"Anne", "PC1", 7}, {"BOB", "PC2", 7}, {"ANNE", "PC3", 1}, {"ANNETTE", "PC4", 2}});
  // A last record only partly present: still read, and cleared no further than the file goes.
  before.resize(before.size() - 40);
  Write("queue.dta", before);
  ReadLoginQueue(dir.Win());
  ASSERT_EQ(DataFiles.LoginQueue.size(), 4u);

  ClearQueueUser(dir.Win(), " anne ");
  std::vector<uint8_t> after = fixtures::ReadFileBytes(dir.Path("queue.dta"));
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i) {
    bool cleared = i < 100 || (i >= 200 && i < 300);
    ASSERT_EQ(after[i], cleared ? 0xFF : before[i]) << "byte " << i;
  }
  ReadLoginQueue(dir.Win());
  ASSERT_EQ(DataFiles.LoginQueue.size(), 2u);
  EXPECT_EQ(DataFiles.LoginQueue[0].user, "BOB");

  ClearQueueUser(dir.Win(), "annette");
  after = fixtures::ReadFileBytes(dir.Path("queue.dta"));
  ASSERT_EQ(after.size(), before.size()) << "the partial record grows no longer";
  for (size_t i = 300; i < after.size(); ++i) ASSERT_EQ(after[i], 0xFF) << "byte " << i;
}

TEST_F(DataFiles_, AQueueThatStaysLockedIsNeverWritten) {
  App.DataVersion = "14";
  const std::vector<uint8_t> bytes = fixtures::BuildQueueDta(14, {{"ANNE", "PC1", 2}});
  Write("queue.dta", bytes);
  {
    fixtures::LockedFile lock(dir.Win("queue.dta"), 6000);
    ClearQueueUser(dir.Win(), "ANNE");  // gives up after the open's 5-second wait
  }
  EXPECT_EQ(fixtures::ReadFileBytes(dir.Path("queue.dta")), bytes);

  DeleteFileA(dir.Win("queue.dta").c_str());
  ReadLoginQueue(dir.Win());
  EXPECT_TRUE(DataFiles.LoginQueue.empty());
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
