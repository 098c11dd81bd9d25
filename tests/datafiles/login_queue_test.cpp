// The login queue (queue.dta) and the user list (access.dta).
#include "app/datafiles/login_queue.h"

#include <gtest/gtest.h>

#include "tests/fixtures/data_files.h"

namespace lw {
namespace {

std::vector<QueueEntry> Queue(int version, const std::vector<fixtures::QueueRecord>& records, uint64_t length = 0) {
  std::vector<uint8_t> bytes = fixtures::BuildQueueDta(version, records);
  BufferByteSource source(bytes);
  return ReadLoginQueue(source, length ? length : bytes.size(), version);
}

TEST(LoginQueue, LiveRecordsAreListedOncePerUser) {
  // Version 16's 100-byte records; cleared, in-use and nameless records are not listed.
  const std::vector<fixtures::QueueRecord> v16 = {{"", "", 7, 0, true},   {"ANNE", "PC1", 2}, {"  BOB  ", " PC2 ", 7},
                                                  {"CAROL", "PC3", 7, 1}, {"", "PC4", 7},     {"\377DAVE", "PC5", 7}};
  EXPECT_EQ(Queue(16, v16), (std::vector<QueueEntry>{{0, "ANNE", "PC1", 2}, {0, "BOB", "PC2", 7}}));
  // Version 14's 83-byte records.
  EXPECT_EQ(Queue(14, {{"ANNE", "PC1", 2}, {"BOB", "PC2", 1}, {"CAROL", "PC3", 1}}).size(), 3u);
  // One user's rows merge (names told apart by case): a later status replaces the first unless it is 7.
  EXPECT_EQ(Queue(18, {{"ANNE", "PC1", 7}, {"ANNE", "PC2", 1}, {"anne", "PC3", 3}, {"ANNE", "PC4", 7}}),
            (std::vector<QueueEntry>{{0, "ANNE", "PC1", 1}, {0, "anne", "PC3", 3}}));
  // A partial last record counts when it is at least half there.
  EXPECT_EQ(Queue(18, {{"ANNE", "PC1", 7}, {"BOB", "PC2", 7}}, 150).size(), 2u);
  EXPECT_EQ(Queue(18, {{"ANNE", "PC1", 7}, {"BOB", "PC2", 7}}, 149).size(), 1u);
}

// A source some of whose bytes another program holds: every read that touches them fails.
class HeldBytes : public ByteSource {
 public:
  HeldBytes(std::vector<uint8_t> bytes, uint64_t from, uint64_t to) : bytes_(std::move(bytes)), from_(from), to_(to) {}
  size_t ReadAt(uint64_t offset, uint8_t* buffer, size_t count) override {
    return offset < to_ && from_ < offset + count ? 0 : bytes_.ReadAt(offset, buffer, count);
  }

 private:
  BufferByteSource bytes_;
  uint64_t from_, to_;
};

TEST(LoginQueue, AUsersRecordsAreFoundInAnyCaseAndUnreadableOnesAreNeverTakenForData) {
  std::vector<uint8_t> bytes =
      fixtures::BuildQueueDta(12, {{"Anne", "PC1", 7}, {"BOB", "PC2", 7}, {" ANNE ", "PC3", 1}, {"ANNETTE", "PC4", 7}});
  // Record 2 held: it is neither the user's nor skipped, and its neighbours are still read.
  HeldBytes held(bytes, 83, 84);
  QueueScan scan = ScanQueueForUser(held, bytes.size(), 83, " anne");
  EXPECT_EQ(scan.matches, (std::vector<uint64_t>{0, 2}));
  EXPECT_EQ(scan.unreadable, std::vector<uint64_t>{1});
  // A blank name would match every record that reads as empty: it matches none.
  std::vector<uint8_t> blank = fixtures::BuildQueueDta(16, {{"   ", "PC1", 7}, {"", "", 7, 0, true}});
  blank.resize(300);  // a third record of zeros
  BufferByteSource blanks(blank);
  EXPECT_TRUE(ScanQueueForUser(blanks, blank.size(), 100, "  ").matches.empty());
}

TEST(LoginQueue, AClearThatLeftSomethingSaysWhichRecordsAndWhy) {
  QueueClearOutcome outcome;
  outcome.cleared = 1;
  EXPECT_EQ(QueueClearReport("ANNE", outcome), "") << "nothing to tell";
  outcome.problems = {{0, QueueRecordProblem::Unreadable},
                      {3, QueueRecordProblem::NoLongerTheUser},
                      {4, QueueRecordProblem::NotWhole},
                      {5, QueueRecordProblem::NotWritten},
                      {6, QueueRecordProblem::NotVerified}};
  EXPECT_EQ(QueueClearReport(" ANNE ", outcome),
            "Not every record of user ANNE in queue.dta was cleared:\r\n"
            "\r\nRecord 1 is held by another program or could not be read, so it is not known whose it is; it was "
            "left as it is.\r\nRecord 4 no longer belongs to ANNE; it was left as it is."
            "\r\nRecord 5 is not whole in the file; it was left as it is.\r\nRecord 6 could not be written."
            "\r\nRecord 7 did not read back as cleared after it was written.");
  outcome.problems.assign(25, {9, QueueRecordProblem::Locked});
  EXPECT_TRUE(QueueClearReport("ANNE", outcome)
                  .ends_with("Record 10 is held by another program; it was left as it "
                             "is.\r\n... and 5 more."));
  const std::pair<QueueClearRefusal, std::string> kRefusals[] = {
      {QueueClearRefusal::BlankName,
       "A user without a name cannot be cleared: a blank name does not tell the user's records in queue.dta from empty "
       "ones. Nothing was cleared."},
      {QueueClearRefusal::UnknownRecordLength,
       "The data version of this folder was not known when its users were listed, so neither is the length of the "
       "records in queue.dta. Nothing was cleared."},
      {QueueClearRefusal::CannotOpen, "queue.dta could not be opened for writing. Nothing was cleared for user ANNE."},
      {QueueClearRefusal::TooLarge, "queue.dta is too large to be a login queue. Nothing was cleared for user ANNE."},
  };
  for (const auto& [refusal, text] : kRefusals) {
    QueueClearOutcome refused;
    refused.refusal = refusal;
    EXPECT_EQ(QueueClearReport(" ANNE ", refused), text);
  }
}

TEST(LoginQueue, EveryVersionsUserList) {
  for (int v = 7; v <= 18; ++v) {
    std::vector<uint8_t> bytes = fixtures::BuildAccessDta(v, {"ANNE", "  ", "BOB SMITH"});
    BufferByteSource source(bytes);
    EXPECT_EQ(ReadAccessUsers(source, bytes.size(), v), (std::vector<std::string>{"ANNE", "BOB SMITH"})) << v;
  }
}

}  // namespace
}  // namespace lw
