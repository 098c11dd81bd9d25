#include "app/datafiles/login_queue.h"

#include <algorithm>

#include "app/datafiles/record_counts.h"
#include "app/tools/text.h"

namespace lw {

namespace {

// The interpreted part of a queue record.
constexpr size_t kQueueFields = 83;
constexpr size_t kNameLength = 32;

std::string TextField(const uint8_t* bytes, size_t width) {
  const uint8_t* end = std::find(bytes, bytes + width, uint8_t(0));
  return std::string(bytes, end);
}

int16_t LittleEndian16(const uint8_t* b) { return int16_t(uint16_t(b[0] | b[1] << 8)); }

// Calls visit(record number, record bytes) for every record of queue.dta, a partly present last
// record padded with zeros.
template <typename Visit>
void ForEachQueueRecord(ByteSource& queue, uint64_t length, int dataVersion, Visit visit) {
  const size_t recordLength = size_t(QueueRecordLength(dataVersion));
  const uint64_t records = RoundedRecordCount(length, int(recordLength));
  uint8_t record[100];
  for (uint64_t i = 0; i < records; ++i) {
    ReadPadded(queue, i * recordLength, record, kQueueFields);
    visit(i, record);
  }
}

}  // namespace

int QueueRecordLength(int dataVersion) { return dataVersion >= 15 ? 100 : 83; }

std::vector<QueueEntry> ReadLoginQueue(ByteSource& queue, uint64_t length, int dataVersion) {
  std::vector<QueueEntry> entries;
  ForEachQueueRecord(queue, length, dataVersion, [&entries](uint64_t, const uint8_t* r) {
    int inUse = LittleEndian16(r);
    if (r[2] == 0xFF || r[2] == 0 || inUse != 0) return;
    QueueEntry entry{inUse, Trim(TextField(r + 2, kNameLength)), Trim(TextField(r + 35, kNameLength)),
                     LittleEndian16(r + 68)};
    auto same = std::find_if(entries.begin(), entries.end(), [&](const QueueEntry& e) { return e.user == entry.user; });
    if (same == entries.end())
      entries.push_back(std::move(entry));
    else if (entry.status != 7)
      same->status = entry.status;
  });
  return entries;
}

std::vector<uint64_t> QueueRecordsOfUser(ByteSource& queue, uint64_t length, int dataVersion, std::string_view user) {
  const std::string target = UCase(Trim(user));
  std::vector<uint64_t> matches;
  ForEachQueueRecord(queue, length, dataVersion, [&](uint64_t i, const uint8_t* r) {
    if (UCase(Trim(TextField(r + 2, kNameLength))) == target) matches.push_back(i);
  });
  return matches;
}

int AccessRecordLength(int v) {
  static constexpr int kLengths[] = {3528, 3528, 3528, 3541, 3622, 3680, 3713, 3739, 3788, 3814, 3974, 3989};
  return v >= 7 && v <= 18 ? kLengths[v - 7] : 0;
}

std::vector<std::string> ReadAccessUsers(ByteSource& access, uint64_t length, int dataVersion) {
  std::vector<std::string> users;
  const int recordLength = AccessRecordLength(dataVersion);
  const uint64_t records = RoundedRecordCount(length, recordLength);
  uint8_t name[kNameLength];
  for (uint64_t i = 0; i < records; ++i) {
    ReadPadded(access, i * uint64_t(recordLength), name, sizeof name);
    // Cut at a NUL as well: a NUL-padded name would otherwise never match the name typed in.
    std::string text = TextField(name, sizeof name);
    if (!Trim(text).empty()) users.push_back(RTrim(text));
  }
  return users;
}

}  // namespace lw
