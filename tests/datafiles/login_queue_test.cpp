// The login queue (queue.dta) and the user list (access.dta).
#include "app/datafiles/login_queue.h"

#include <gtest/gtest.h>

#include "tests/fixtures/data_files.h"

namespace lw {
namespace {

std::vector<QueueEntry> Queue(int version, const std::vector<fixtures::QueueRecord>& records) {
  std::vector<uint8_t> bytes = fixtures::BuildQueueDta(version, records);
  BufferByteSource source(bytes);
  return ReadLoginQueue(source, bytes.size(), version);
}

TEST(LoginQueue, LiveRecordsOfEitherLengthAreListed) {
  // Version 16: three 100-byte records in 300 bytes.
  std::vector<QueueEntry> q = Queue(16, {{"", "", 7, 0, true}, {"ANNE", "PC1", 2}, {"  BOB  ", " PC2 ", 7}});
  ASSERT_EQ(q.size(), 2u);
  EXPECT_EQ(q[0], (QueueEntry{0, "ANNE", "PC1", 2}));
  EXPECT_EQ(q[1], (QueueEntry{0, "BOB", "PC2", 7})) << "names and stations are trimmed";
  // Version 14: 83-byte records; read with the 100-byte length they do not line up.
  EXPECT_EQ(Queue(14, {{"ANNE", "PC1", 2}, {"BOB", "PC2", 1}}).size(), 2u);
  std::vector<uint8_t> v14 = fixtures::BuildQueueDta(14, {{"ANNE", "PC1", 2}, {"BOB", "PC2", 1}, {"CAROL", "PC3", 1}});
  BufferByteSource misread(v14);
  EXPECT_NE(ReadLoginQueue(misread, v14.size(), 15).size(), 3u);
}

TEST(LoginQueue, ClearedEmptyAndInUseRecordsAreNotListed) {
  fixtures::QueueRecord inUse{"CAROL", "PC3", 7, 1};
  fixtures::QueueRecord nulName{"", "PC4", 7};
  fixtures::QueueRecord ffName{"\xFF" "DAVE", "PC5", 7};
  EXPECT_TRUE(Queue(18, {{"", "", 7, 0, true}, inUse, nulName, ffName}).empty());
  BufferByteSource empty({});
  EXPECT_TRUE(ReadLoginQueue(empty, 0, 18).empty());
}

TEST(LoginQueue, RowsOfOneUserMergeAndStatus7NeverOverwrites) {
  std::vector<QueueEntry> q = Queue(18, {{"ANNE", "PC1", 7}, {"ANNE", "PC2", 1}, {"anne", "PC3", 3}});
  ASSERT_EQ(q.size(), 2u) << "user names are told apart by case";
  EXPECT_EQ(q[0], (QueueEntry{0, "ANNE", "PC1", 1})) << "the first row's station stays";
  EXPECT_EQ(q[1].user, "anne");
  q = Queue(18, {{"ANNE", "PC1", 1}, {"ANNE", "PC2", 7}});
  ASSERT_EQ(q.size(), 1u);
  EXPECT_EQ(q[0].status, 1);
}

TEST(LoginQueue, PartialLastRecordRoundsToNearest) {
  std::vector<uint8_t> bytes = fixtures::BuildQueueDta(18, {{"ANNE", "PC1", 7}, {"BOB", "PC2", 7}});
  BufferByteSource source(bytes);
  EXPECT_EQ(ReadLoginQueue(source, 151, 18).size(), 2u) << "1.51 records: the second is read";
  EXPECT_EQ(ReadLoginQueue(source, 150, 18).size(), 2u) << "1.5 rounds to 2";
  EXPECT_EQ(ReadLoginQueue(source, 149, 18).size(), 1u);
}

TEST(LoginQueue, RecordsOfAUserAreFoundInAnyCase) {
  std::vector<uint8_t> bytes =
      fixtures::BuildQueueDta(12, {{"Anne", "PC1", 7}, {"BOB", "PC2", 7}, {" ANNE ", "PC3", 1}, {"ANNETTE", "PC4", 7}});
  BufferByteSource source(bytes);
  EXPECT_EQ(QueueRecordsOfUser(source, bytes.size(), 12, " anne"), (std::vector<uint64_t>{0, 2}));
  EXPECT_TRUE(QueueRecordsOfUser(source, bytes.size(), 12, "carol").empty());
}

TEST(LoginQueue, AccessRecordLengthsByVersion) {
  const int expected[] = {3528, 3528, 3528, 3541, 3622, 3680, 3713, 3739, 3788, 3814, 3974, 3989};
  for (int v = 7; v <= 18; ++v) {
    SCOPED_TRACE(v);
    EXPECT_EQ(AccessRecordLength(v), expected[v - 7]);
    std::vector<uint8_t> bytes = fixtures::BuildAccessDta(v, {"ANNE", "  ", "BOB SMITH"});
    BufferByteSource source(bytes);
    EXPECT_EQ(ReadAccessUsers(source, bytes.size(), v), (std::vector<std::string>{"ANNE", "BOB SMITH"}));
  }
  EXPECT_EQ(AccessRecordLength(6), 0);
  EXPECT_EQ(AccessRecordLength(19), 0);
  BufferByteSource empty({});
  EXPECT_TRUE(ReadAccessUsers(empty, 0, 18).empty());
  EXPECT_TRUE(ReadAccessUsers(empty, 1000, 6).empty());
}

TEST(LoginQueue, AccessNamesEndAtANul) {
  std::vector<uint8_t> bytes = fixtures::BuildAccessDta(18, {"ANNE", "CAROL"});
  std::fill_n(bytes.begin() + 4, 28, uint8_t(0));
  std::fill_n(bytes.begin() + 3989, 32, uint8_t(0));
  BufferByteSource source(bytes);
  EXPECT_EQ(ReadAccessUsers(source, bytes.size(), 18), (std::vector<std::string>{"ANNE"}));
}

}  // namespace
}  // namespace lw
