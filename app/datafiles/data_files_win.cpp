#include "app/datafiles/data_files_win.h"

#include <algorithm>

#include "app/discovery/setup_dta_win.h"
#include "app/state/app_state.h"
#include "app/tools/files_win.h"
#include "app/tools/paths.h"
#include "app/tools/text.h"

namespace lw {

DataFilesState DataFiles;

namespace {

int NumericVersion(const std::string& version) { return int(Val(version)); }

uint64_t SizeOf(const std::string& path) {
  uint64_t size = 0;
  return FileSize(path, size) ? size : 0;
}

// Runs read(source, length) over a file opened for reading; false when it is missing or stays locked.
// Reading never asks for write access, so a read-only data folder is read at once.
template <typename Read>
bool WithFile(const std::string& path, Read read) {
  SharedFile file;
  if (!FileExists(path) || !OpenFileBinaryRead(path, file)) return false;
  SharedFileSource source(file);
  read(source, file.Length());
  return true;
}

}  // namespace

void ReadRecordCounts(const std::string& dataFolder) {
  const int version = NumericVersion(App.DataVersion);
  const std::string folder = NormaliseFolder(dataFolder);
  const RecordLayout layout = RecordLayoutFor(version);
  RecordCounts& counts = DataFiles.Counts;
  counts = RecordCounts{};
  WithFile(folder + "account.dta", [&](ByteSource& s, uint64_t) { ReadAccountCounts(s, version, counts); });
  counts.PriceLists = int64_t(RoundedRecordCount(SizeOf(folder + "prlst.dta"), layout.priceListLength));
  counts.PriceRecords = int64_t(RoundedRecordCount(SizeOf(folder + "price.dta"), layout.priceLength));
  counts.CustomerAddresses = int64_t(RoundedRecordCount(SizeOf(folder + "salda.dta"), layout.addressLength));
  counts.SupplierAddresses = int64_t(RoundedRecordCount(SizeOf(folder + "purda.dta"), layout.addressLength));
  if (version < 11) counts.LastTransactionNo = counts.Transactions;
  if (version >= 14)
    WithFile(folder + "tablemetadata.dta", [&](ByteSource& s, uint64_t length) {
      int64_t value = 0;
      if (length <= kMaxTableMetadataBytes && FindLastTransactionNo(s, length, version, value))
        counts.LastTransactionNo = value;
    });
}

void ReadLoginQueue(const std::string& dataFolder) {
  DataFiles.LoginQueue.clear();
  const int version = NumericVersion(App.DataVersion);
  // Without a data version the record layout would be a guess, and so would every entry.
  DataFiles.QueueRecordLength = version > 0 ? QueueRecordLength(version) : 0;
  if (DataFiles.QueueRecordLength == 0) return;
  WithFile(NormaliseFolder(dataFolder) + "queue.dta", [&](ByteSource& s, uint64_t length) {
    if (length <= kMaxQueueBytes) DataFiles.LoginQueue = ReadLoginQueue(s, length, version);
  });
}

QueueClearOutcome ClearQueueUser(const std::string& dataFolder, const std::string& user, int recordLength) {
  QueueClearOutcome outcome;
  auto refuse = [&outcome](QueueClearRefusal why) {
    outcome.refusal = why;
    return outcome;
  };
  if (Trim(user).empty()) return refuse(QueueClearRefusal::BlankName);
  if (recordLength < 1) return refuse(QueueClearRefusal::UnknownRecordLength);
  const std::string path = NormaliseFolder(dataFolder) + "queue.dta";
  SharedFile file;
  if (!FileExists(path) || !OpenFileRandom(path, file, recordLength)) return refuse(QueueClearRefusal::CannotOpen);
  if (file.Length() > kMaxQueueBytes) return refuse(QueueClearRefusal::TooLarge);

  SharedFileSource source(file);
  const QueueScan scan = ScanQueueForUser(source, file.Length(), recordLength, user);
  // Records that could not be read at once are looked at under their locks too: the wait for
  // them happens there, and they may be the user's.
  struct Candidate {
    uint64_t record;
    bool known;  // seen holding the user
  };
  std::vector<Candidate> candidates;
  for (uint64_t r : scan.matches) candidates.push_back({r, true});
  for (uint64_t r : scan.unreadable) candidates.push_back({r, false});
  std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) { return a.record < b.record; });

  const size_t size = size_t(recordLength);
  const std::vector<uint8_t> cleared(size, 0xFF);
  std::vector<uint8_t> bytes;
  auto readBack = [&](uint64_t offset, size_t count) {
    bytes.assign(count, 0);
    size_t got = 0;
    return file.ReadAt(offset, bytes.data(), count, got) && got == count;
  };
  for (const Candidate& c : candidates) {
    // Whatever the file held when it was scanned, what is written is decided here, on the record
    // as it is now, with nobody else able to change it until it is done.
    const uint64_t offset = c.record * size;
    auto problem = [&](QueueRecordProblem p) { outcome.problems.push_back({c.record, p}); };
    RangeLock lock(file, offset, size);
    if (!lock.Held()) {
      problem(c.known ? QueueRecordProblem::Locked : QueueRecordProblem::Unreadable);
      continue;
    }
    const uint64_t length = file.Length();
    const size_t present = offset < length ? size_t(std::min<uint64_t>(size, length - offset)) : 0;
    if (!readBack(offset, present)) {
      problem(QueueRecordProblem::Unreadable);
    } else if (present < size) {
      if (c.known || QueueRecordHoldsUser(bytes, user)) problem(QueueRecordProblem::NotWhole);
    } else if (!QueueRecordHoldsUser(bytes, user)) {
      if (c.known) problem(QueueRecordProblem::NoLongerTheUser);
    } else if (!file.WriteAt(offset, cleared.data(), size)) {
      problem(QueueRecordProblem::NotWritten);
    } else if (!readBack(offset, size) || bytes != cleared) {
      problem(QueueRecordProblem::NotVerified);
    } else {
      ++outcome.cleared;
    }
  }
  return outcome;
}

void ReadUserList(const std::string& dataFolder, const std::string& dataVersion) {
  std::string folder = Trim(dataFolder), version = Trim(dataVersion);
  if (version.empty() && !folder.empty()) version = GetDataVersion(folder);
  if (folder.empty()) folder = App.DataPath;
  if (version.empty()) version = App.DataVersion;
  DataFiles.UserList.resize(1);
  const int v = NumericVersion(version);
  if (AccessRecordLength(v) == 0) return;
  WithFile(NormaliseFolder(folder) + "access.dta", [&](ByteSource& s, uint64_t length) {
    if (length > kMaxAccessBytes) return;
    for (std::string& name : ReadAccessUsers(s, length, v)) DataFiles.UserList.push_back(std::move(name));
  });
}

}  // namespace lw
