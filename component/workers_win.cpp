#include "component/workers_win.h"

#include <windows.h>

#include <optional>

#include "component/body_pipeline.h"
#include "component/fetch_win.h"
#include "component/local_machine_win.h"
#include "component/md5_win.h"
#include "common/updara_errors.h"

namespace updara {
namespace {

// The update-information file, kept in memory up to its limit.
class DocumentSink final : public FetchSink {
 public:
  bool Chunk(const char* data, size_t size, long long) override {
    if (body.size() + size > kMaxUpdateInfoBytes) {
      tooLarge = true;
      return false;
    }
    body.append(data, size);
    return true;
  }
  std::string body;
  bool tooLarge = false;
};

// A "UDX" file of the temporary folder, written in pieces of at most 64 KB; it is deleted again
// unless it is kept.
class TempFileStore final : public ByteStore {
 public:
  explicit TempFileStore(const std::string& folder) {
    char name[MAX_PATH] = {};
    if (folder.empty() || !GetTempFileNameA(folder.c_str(), "UDX", 0, name)) return;
    path_ = name;
    file_ = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) DeleteFileA(name);
    buffer_.reserve(kPiece);
  }
  ~TempFileStore() override {
    Close();
    if (!kept_ && !path_.empty()) DeleteFileA(path_.c_str());
  }
  TempFileStore(const TempFileStore&) = delete;
  TempFileStore& operator=(const TempFileStore&) = delete;

  bool Write(const char* data, size_t size) override {
    while (size > 0) {
      if (buffer_.size() == kPiece && !Flush()) return false;
      const size_t take = std::min(size, kPiece - buffer_.size());
      buffer_.insert(buffer_.end(), data, data + take);
      data += take;
      size -= take;
    }
    return file_ != INVALID_HANDLE_VALUE;
  }

  // The file's path once everything is on disk; empty (and no file left) otherwise.
  std::string Keep() {
    const bool whole = file_ != INVALID_HANDLE_VALUE && Flush();
    Close();
    kept_ = whole;
    return whole ? path_ : std::string();
  }

 private:
  static constexpr size_t kPiece = 65535;

  bool Flush() {
    if (file_ == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file_, buffer_.data(), static_cast<DWORD>(buffer_.size()), &written, nullptr) &&
                    written == buffer_.size();
    buffer_.clear();
    if (!ok) Close();
    return ok;
  }
  void Close() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }

  std::string path_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  std::vector<char> buffer_;
  bool kept_ = false;
};

// One entry's body on its way through the pipeline, with a progress report per chunk.
class EntrySink final : public FetchSink {
 public:
  EntrySink(BodyPipeline& pipeline, DownloadEvents& events) : pipeline_(pipeline), events_(events) {}
  bool Chunk(const char* data, size_t size, long long total) override {
    pipeline_.Add(data, size);
    events_.Progress(pipeline_.Received(), total);
    return true;
  }

 private:
  BodyPipeline& pipeline_;
  DownloadEvents& events_;
};

long DownloadEntry(UpdFileObject& entry, const std::string& tempFolder, const std::atomic<bool>& cancel,
                   DownloadEvents& events, FetchObserver* observer) {
  const UpdFileObject::Download spec = entry.DownloadSpec();
  TempFileStore store(tempFolder);
  std::optional<Md5> md5;
  if (!spec.md5.empty()) md5.emplace();
  BodyPipeline pipeline(spec.compressed, md5 ? &*md5 : nullptr, store);
  EntrySink sink(pipeline, events);
  const FetchResult fetched = Fetch(ParseFetchUrl(spec.url), spec.size, cancel, sink, observer);
  if (fetched.error != 0) return fetched.error;
  if (fetched.cancelled) return kCancelled;
  // Fewer bytes than the entry's size, or than the server announced (a connection cut short).
  const long long received = pipeline.Received();
  if ((spec.size != 0 && received < spec.size) || (fetched.announced >= 0 && received < fetched.announced))
    return kInvalidSize;
  if (pipeline.Damaged()) return kDamagedCompressed;
  if (md5 && md5->Hex() != spec.md5) return kInvalidMd5;
  if (pipeline.StoreFailed()) return kStoreFailed;
  std::string path = store.Keep();
  if (path.empty()) return kStoreFailed;
  entry.SetNewPath(std::move(path));
  return kNoError;
}

}  // namespace

CheckResult RunCheck(const CheckRequest& request, UpdFilesObject& files, UpdMessagesObject& messages,
                     const std::atomic<bool>& cancel, FetchObserver* observer) {
  CheckResult result;
  if (request.url.empty()) {  // nothing to check
    result.code = cancel.load() ? kCancelled : kNoError;
    return result;
  }
  FetchUrl target = request.target;
  target.user = request.login;
  target.password = request.password;
  DocumentSink sink;
  const FetchResult fetched = Fetch(target, 0, cancel, sink, observer);
  if (sink.tooLarge) {
    result.code = kUpdateInfoTooLarge;
    return result;
  }
  if (fetched.error != 0) {
    result.code = fetched.error;
    return result;
  }
  // A document cut short by Cancel is no document: it fails the signature test.
  if (fetched.cancelled) sink.body.clear();
  const SystemMacros macros;
  std::optional<UpdateInfo> info = ParseUpdateInfo(sink.body, request.signature, request.url, macros);
  if (!info) {
    result.code = kInvalidSignature;
    return result;
  }
  SystemMachine machine;
  for (const FileEntry& entry : info->files) {
    if (cancel.load()) break;
    if (!files.Append(UpdFileObject::FromEntry(entry, CompleteEntry(entry, machine, request.replaceRule)))) break;
  }
  if (cancel.load()) {
    result.code = kCancelled;
    return result;
  }
  for (const MessageEntry& m : info->messages) messages.Append(UpdMessageObject::FromEntry(m));
  result.global = std::move(info->global);
  return result;
}

long RunDownload(const std::vector<ComRef<UpdFileObject>>& marked, const std::string& tempFolder,
                 const std::atomic<bool>& cancel, DownloadEvents& events, FetchObserver* observer) {
  long firstFailure = kNoError;
  for (const ComRef<UpdFileObject>& entry : marked) {
    if (cancel.load()) break;
    events.FileStarted(entry);
    const long code = DownloadEntry(*entry.get(), tempFolder, cancel, events, observer);
    events.FileDone(code);
    if (firstFailure == kNoError) firstFailure = code;
  }
  return cancel.load() ? kCancelled : firstFailure;
}

}  // namespace updara
