#include "app/datafiles/data_files_win.h"

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
      if (FindLastTransactionNo(s, length, version, value)) counts.LastTransactionNo = value;
    });
}

void ReadLoginQueue(const std::string& dataFolder) {
  DataFiles.LoginQueue.clear();
  const int version = NumericVersion(App.DataVersion);
  WithFile(NormaliseFolder(dataFolder) + "queue.dta", [&](ByteSource& s, uint64_t length) {
    DataFiles.LoginQueue = ReadLoginQueue(s, length, version);
  });
}

void ClearQueueUser(const std::string& dataFolder, const std::string& user) {
  const std::string path = NormaliseFolder(dataFolder) + "queue.dta";
  const int version = NumericVersion(App.DataVersion);
  const uint64_t recordLength = uint64_t(QueueRecordLength(version));
  SharedFile file;
  if (!FileExists(path) || !OpenFileRandom(path, file, int(recordLength))) return;
  SharedFileSource source(file);
  const uint64_t length = file.Length();
  const std::vector<uint8_t> cleared(recordLength, 0xFF);
  for (uint64_t record : QueueRecordsOfUser(source, length, version, user)) {
    // A last record that is only partly there is cleared as far as the file goes, never beyond.
    uint64_t offset = record * recordLength;
    if (offset < length) file.WriteAt(offset, cleared.data(), size_t(std::min(recordLength, length - offset)));
  }
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
    for (std::string& name : ReadAccessUsers(s, length, v)) DataFiles.UserList.push_back(std::move(name));
  });
}

}  // namespace lw
