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

// A source some of whose bytes cannot be read, as a range another program holds: every read that
// touches them fails, the one that waits as well as the one that does not.
class HeldBytes : public ByteSource {
 public:
  HeldBytes(std::vector<uint8_t> bytes, uint64_t from, uint64_t to) : bytes_(std::move(bytes)), from_(from), to_(to) {}
  size_t ReadAt(uint64_t offset, uint8_t* buffer, size_t count) override {
    ++reads;
    return offset < to_ && from_ < offset + count ? 0 : bytes_.ReadAt(offset, buffer, count);
  }
  int reads = 0;

 private:
  BufferByteSource bytes_;
  uint64_t from_, to_;
};

TEST(LoginQueue, AUsersRecordsAreFoundInAnyCaseAndUnreadableOnesAreNeverTakenForData) {
  std::vector<uint8_t> bytes =
      fixtures::BuildQueueDta(12, {{"Anne", "PC1", 7}, {"BOB", "PC2", 7}, {" ANNE ", "PC3", 1}, {"ANNETTE", "PC4", 7}});
  BufferByteSource source(bytes);
  EXPECT_EQ(ScanQueueForUser(source, bytes.size(), 83, " anne").matches, (std::vector<uint64_t>{0, 2}));
  EXPECT_TRUE(ScanQueueForUser(source, bytes.size(), 83, "carol").matches.empty());

  // Record 2 held: it is neither the user's nor skipped, and its neighbours are still read.
  HeldBytes held(bytes, 83, 84);
  QueueScan scan = ScanQueueForUser(held, bytes.size(), 83, "anne");
  EXPECT_EQ(scan.matches, (std::vector<uint64_t>{0, 2}));
  EXPECT_EQ(scan.unreadable, std::vector<uint64_t>{1});
  // A blank name would match every record that reads as empty: it matches none.
  std::vector<uint8_t> blank = fixtures::BuildQueueDta(16, {{"   ", "PC1", 7}, {"", "", 7, 0, true}});
  blank.resize(300);  // a third record of zeros
  BufferByteSource blanks(blank);
  EXPECT_TRUE(ScanQueueForUser(blanks, blank.size(), 100, "  ").matches.empty());

  const std::vector<uint8_t> record(bytes.begin() + 166, bytes.begin() + 249);
  EXPECT_TRUE(QueueRecordHoldsUser(record, "anne"));
  EXPECT_FALSE(QueueRecordHoldsUser(std::vector<uint8_t>(record.begin(), record.begin() + 33), "anne"))
      << "the name is not all there";
  EXPECT_FALSE(QueueRecordHoldsUser(std::vector<uint8_t>(100, 0), ""));
}

TEST(LoginQueue, ALongQueueIsReadInRunsAndAHeldRecordHidesOnlyItself) {
  std::vector<fixtures::QueueRecord> records;
  for (int i = 0; i < 200; ++i) records.push_back({"USER" + std::to_string(i), "PC", 7});
  std::vector<uint8_t> bytes = fixtures::BuildQueueDta(18, records);
  HeldBytes source(bytes, 150 * 100 + 10, 150 * 100 + 11);
  std::vector<QueueEntry> q = ReadLoginQueue(source, bytes.size(), 18);
  ASSERT_EQ(q.size(), 199u);
  EXPECT_EQ(q[149].user, "USER149");
  EXPECT_EQ(q[150].user, "USER151");
  EXPECT_LT(source.reads, 80) << "four runs, and the records of the run that failed one by one";
}

TEST(LoginQueue, AClearThatLeftSomethingSaysWhichRecordsAndWhy) {
  using P = QueueRecordProblem;
  QueueClearOutcome outcome;
  outcome.cleared = 1;
  EXPECT_EQ(QueueClearReport("ANNE", outcome), "") << "nothing to tell";
  outcome.problems = {{0, P::Unreadable}, {2, P::Locked},     {3, P::NoLongerTheUser},
                      {4, P::NotWhole},   {5, P::NotWritten}, {6, P::NotVerified}};
  EXPECT_EQ(QueueClearReport(" ANNE ", outcome),
            "Not every record of user ANNE in queue.dta was cleared:\r\n"
            "\r\nRecord 1 is held by another program or could not be read, so it is not known whose it is; it was "
            "left as it is."
            "\r\nRecord 3 is held by another program; it was left as it is."
            "\r\nRecord 4 no longer belongs to ANNE; it was left as it is."
            "\r\nRecord 5 is not whole in the file; it was left as it is."
            "\r\nRecord 6 could not be written."
            "\r\nRecord 7 did not read back as cleared after it was written.");
  outcome.problems.assign(25, {9, P::Locked});
  std::string many = QueueClearReport("ANNE", outcome);
  EXPECT_TRUE(many.ends_with("Record 10 is held by another program; it was left as it is.\r\n... and 5 more.")) << many;

  for (auto [refusal, start] : {std::pair{QueueClearRefusal::BlankName, "A user without a name"},
                                std::pair{QueueClearRefusal::UnknownRecordLength, "The data version"},
                                std::pair{QueueClearRefusal::CannotOpen, "queue.dta could not be opened"},
                                std::pair{QueueClearRefusal::TooLarge, "queue.dta is too large"}}) {
    QueueClearOutcome refused;
    refused.refusal = refusal;
    const std::string text = QueueClearReport("ANNE", refused);
    EXPECT_TRUE(text.starts_with(start)) << text;
    EXPECT_TRUE(text.find("Nothing was cleared") != std::string::npos) << text;
  }
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
  // A name ends at a NUL.
  std::vector<uint8_t> bytes = fixtures::BuildAccessDta(18, {"ANNE", "CAROL"});
  std::fill_n(bytes.begin() + 4, 28, uint8_t(0));
  std::fill_n(bytes.begin() + 3989, 32, uint8_t(0));
  BufferByteSource nuls(bytes);
  EXPECT_EQ(ReadAccessUsers(nuls, bytes.size(), 18), (std::vector<std::string>{"ANNE"}));
}

}  // namespace
}  // namespace lw
