// The accounting package's login queue (queue.dta: who is logged in to the data, and how) and its
// list of defined users (access.dta).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/tools/byte_source.h"

namespace lw {

struct QueueEntry {
  int inUse = 0;  // the record's in-use word; 0 for every listed entry
  std::string user;
  std::string station;
  int status = 0;  // activity code, shown through AccessModeSuffix
  bool operator==(const QueueEntry&) const = default;
};

// The largest queue.dta that is read: one record per user logged in keeps a real queue far
// below it, and a damaged or hostile file of any size is then read in moments.
inline constexpr uint64_t kMaxQueueBytes = 16u << 20;
// The largest access.dta that is read: about a thousand users, each read on its own.
inline constexpr uint64_t kMaxAccessBytes = 4u << 20;

// 100-byte records from data version 15 on, 83 before.
int QueueRecordLength(int dataVersion);

// The live entries, one per user (names compared exactly): a later record of the same user
// replaces the status unless its status is 7.
std::vector<QueueEntry> ReadLoginQueue(ByteSource& queue, uint64_t length, int dataVersion);

// What clearing a user finds before it locks anything, reading without waiting: the numbers
// (from 0) of the records whose user name, trimmed, equals the user's in any letter case, and of
// the records that could not be read at once, which may hold anybody. A blank name matches
// nothing: it cannot tell a user's records from empty ones.
struct QueueScan {
  std::vector<uint64_t> matches;
  std::vector<uint64_t> unreadable;
};
QueueScan ScanQueueForUser(ByteSource& queue, uint64_t length, int recordLength, std::string_view user);
// Whether the bytes of a record (all of it, or the part the file holds) hold the user, as above;
// never when they end before the name does.
bool QueueRecordHoldsUser(const std::vector<uint8_t>& record, std::string_view user);

// Clearing a user: why nothing was tried, or what became of each record that was not cleared.
enum class QueueClearRefusal { None, BlankName, UnknownRecordLength, CannotOpen, TooLarge };
enum class QueueRecordProblem { Unreadable, Locked, NoLongerTheUser, NotWhole, NotWritten, NotVerified };
struct QueueRecordOutcome {
  uint64_t record = 0;  // from 0
  QueueRecordProblem problem = QueueRecordProblem::Unreadable;
  bool operator==(const QueueRecordOutcome&) const = default;
};
struct QueueClearOutcome {
  QueueClearRefusal refusal = QueueClearRefusal::None;
  uint64_t cleared = 0;
  std::vector<QueueRecordOutcome> problems;  // in record order
};
// The message after a clear that left something in place, naming each record (from 1) and why;
// empty when there is nothing to tell.
std::string QueueClearReport(const std::string& user, const QueueClearOutcome& outcome);

// access.dta record length for data versions 7-18, 0 for any other.
int AccessRecordLength(int dataVersion);

// The non-blank user names of access.dta, trailing blanks removed, in file order.
std::vector<std::string> ReadAccessUsers(ByteSource& access, uint64_t length, int dataVersion);

}  // namespace lw
