#include "app/datafiles/login_queue.h"

#include <algorithm>
#include <unordered_map>

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

// Calls visit(record number, record bytes, read) for every record of queue.dta, with the
// interpreted part of each, a partly present last record padded with zeros; read is false when the
// record could not be read, and its bytes are zeros then. Records are read a run at a time, so a
// long queue costs few reads; a run that cannot be read at once is read record by record (with
// the source's wait when wait is set), so one record held by another program does not hide its
// neighbours.
template <typename Visit>
void ForEachQueueRecord(ByteSource& queue, uint64_t length, int recordLength, bool wait, Visit visit) {
  if (recordLength < int(kQueueFields)) return;
  const size_t size = size_t(recordLength);
  const uint64_t records = RoundedRecordCount(length, recordLength);
  constexpr uint64_t kRun = 64;
  std::vector<uint8_t> run(size * kRun);
  uint8_t record[kQueueFields];
  for (uint64_t first = 0; first < records; first += kRun) {
    const uint64_t count = std::min(kRun, records - first), start = first * size;
    const size_t present = size_t(std::min<uint64_t>(count * size, length > start ? length - start : 0));
    if (queue.ReadAtOnce(start, run.data(), present) == present) {
      std::fill(run.begin() + std::ptrdiff_t(present), run.end(), uint8_t(0));
      for (uint64_t i = 0; i < count; ++i) visit(first + i, run.data() + i * size, true);
      continue;
    }
    for (uint64_t i = first; i < first + count; ++i) {
      const uint64_t offset = i * size;
      const size_t expected = size_t(std::min<uint64_t>(kQueueFields, length > offset ? length - offset : 0));
      const size_t got =
          wait ? queue.ReadAt(offset, record, kQueueFields) : queue.ReadAtOnce(offset, record, kQueueFields);
      std::fill(record + std::min(got, kQueueFields), record + kQueueFields, uint8_t(0));
      visit(i, record, got >= expected);
    }
  }
}

std::string UserNameOf(const uint8_t* record) { return Trim(TextField(record + 2, kNameLength)); }

}  // namespace

int QueueRecordLength(int dataVersion) { return dataVersion >= 15 ? 100 : 83; }

std::vector<QueueEntry> ReadLoginQueue(ByteSource& queue, uint64_t length, int dataVersion) {
  std::vector<QueueEntry> entries;
  std::unordered_map<std::string, size_t> rowOfUser;
  ForEachQueueRecord(queue, length, QueueRecordLength(dataVersion), true, [&](uint64_t, const uint8_t* r, bool) {
    int inUse = LittleEndian16(r);
    if (r[2] == 0xFF || r[2] == 0 || inUse != 0) return;
    QueueEntry entry{inUse, UserNameOf(r), Trim(TextField(r + 35, kNameLength)), LittleEndian16(r + 68)};
    auto [row, added] = rowOfUser.try_emplace(entry.user, entries.size());
    if (added)
      entries.push_back(std::move(entry));
    else if (entry.status != 7)
      entries[row->second].status = entry.status;
  });
  return entries;
}

QueueScan ScanQueueForUser(ByteSource& queue, uint64_t length, int recordLength, std::string_view user) {
  QueueScan scan;
  const std::string target = UCase(Trim(user));
  if (target.empty()) return scan;
  ForEachQueueRecord(queue, length, recordLength, false, [&](uint64_t i, const uint8_t* r, bool read) {
    if (!read)
      scan.unreadable.push_back(i);
    else if (UCase(UserNameOf(r)) == target)
      scan.matches.push_back(i);
  });
  return scan;
}

bool QueueRecordHoldsUser(const std::vector<uint8_t>& record, std::string_view user) {
  const std::string target = UCase(Trim(user));
  return !target.empty() && record.size() >= 2 + kNameLength && UCase(UserNameOf(record.data())) == target;
}

std::string QueueClearReport(const std::string& user, const QueueClearOutcome& outcome) {
  const std::string name = Trim(user);
  switch (outcome.refusal) {
    case QueueClearRefusal::None:
      break;
    case QueueClearRefusal::BlankName:
      return "A user without a name cannot be cleared: a blank name does not tell the user's records in "
             "queue.dta from empty ones. Nothing was cleared.";
    case QueueClearRefusal::UnknownRecordLength:
      return "The data version of this folder was not known when its users were listed, so neither is the "
             "length of the records in queue.dta. Nothing was cleared.";
    case QueueClearRefusal::CannotOpen:
      return "queue.dta could not be opened for writing. Nothing was cleared for user " + name + ".";
    case QueueClearRefusal::TooLarge:
      return "queue.dta is too large to be a login queue. Nothing was cleared for user " + name + ".";
  }
  if (outcome.problems.empty()) return {};
  std::string text = "Not every record of user " + name + " in queue.dta was cleared:\r\n";
  // A damaged file may have a great many; the first ones say what happened.
  constexpr size_t kShown = 20;
  for (size_t i = 0; i < outcome.problems.size() && i < kShown; ++i) {
    const QueueRecordOutcome& p = outcome.problems[i];
    text += "\r\nRecord " + std::to_string(p.record + 1);
    switch (p.problem) {
      case QueueRecordProblem::Unreadable:
        text +=
            " is held by another program or could not be read, so it is not known whose it is; it was left "
            "as it is.";
        break;
      case QueueRecordProblem::Locked:
        text += " is held by another program; it was left as it is.";
        break;
      case QueueRecordProblem::NoLongerTheUser:
        text += " no longer belongs to " + name + "; it was left as it is.";
        break;
      case QueueRecordProblem::NotWhole:
        text += " is not whole in the file; it was left as it is.";
        break;
      case QueueRecordProblem::NotWritten:
        text += " could not be written.";
        break;
      case QueueRecordProblem::NotVerified:
        text += " did not read back as cleared after it was written.";
        break;
    }
  }
  if (outcome.problems.size() > kShown)
    text += "\r\n... and " + std::to_string(outcome.problems.size() - kShown) + " more.";
  return text;
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
