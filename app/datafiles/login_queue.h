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

// 100-byte records from data version 15 on, 83 before.
int QueueRecordLength(int dataVersion);

// The live entries, one per user (names compared exactly): a later record of the same user
// replaces the status unless its status is 7.
std::vector<QueueEntry> ReadLoginQueue(ByteSource& queue, uint64_t length, int dataVersion);

// Record numbers (from 0) of the records whose user name, trimmed, equals user in any letter case.
std::vector<uint64_t> QueueRecordsOfUser(ByteSource& queue, uint64_t length, int dataVersion, std::string_view user);

// access.dta record length for data versions 7-18, 0 for any other.
int AccessRecordLength(int dataVersion);

// The non-blank user names of access.dta, trailing blanks removed, in file order.
std::vector<std::string> ReadAccessUsers(ByteSource& access, uint64_t length, int dataVersion);

}  // namespace lw
