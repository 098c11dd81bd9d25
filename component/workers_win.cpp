#include "component/workers_win.h"

#include <windows.h>

#include <optional>

#include "common/updara_errors.h"
#include "component/body_pipeline.h"
#include "component/digest_win.h"
#include "component/fetch_win.h"
#include "component/local_machine_win.h"
#include "component/signature_win.h"

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
  const UpdFileObject::Download download = entry.DownloadRequest();
  TempFileStore store(tempFolder);
  std::optional<CngDigest> md5, sha256;
  std::vector<Digest*> digests;
  if (!download.md5.empty()) digests.push_back(&md5.emplace(BCRYPT_MD5_ALGORITHM));
  if (!download.sha256.empty()) digests.push_back(&sha256.emplace(BCRYPT_SHA256_ALGORITHM));
  BodyPipeline pipeline(download.compressed, std::move(digests), store);
  EntrySink sink(pipeline, events);
  const FetchResult fetched = Fetch(ParseFetchUrl(download.url), download.size, cancel, sink, observer);
  if (fetched.error != 0) return fetched.error;
  if (fetched.cancelled) return kCancelled;
  // Fewer bytes than the entry's size, or than the server announced (a connection cut short).
  const long long received = pipeline.Received();
  if ((download.size != 0 && received < download.size) || (fetched.announced >= 0 && received < fetched.announced))
    return kInvalidSize;
  if (pipeline.Damaged()) return kDamagedCompressed;
  if (md5 && md5->Hex() != download.md5) return kInvalidMd5;
  if (sha256 && sha256->Hex() != download.sha256) return kInvalidSha256;
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
  const std::optional<std::vector<PublisherKey>> ring = CarriedKeyRing();
  // A document cut short by Cancel is no document: without keys it fails the signature test, with
  // them the check ends as cancelled rather than as unsigned.
  if (fetched.cancelled) {
    if (ring) {
      result.code = kCancelled;
      return result;
    }
    sink.body.clear();
  }
  // With the publisher's keys only what the publisher signed is read, and only if it is current.
  std::string_view document = sink.body;
  if (ring) {
    if (const long code = VerifyDocument(document, *ring, document); code != kNoError) {
      result.code = code;
      return result;
    }
  }
  const SystemMacros macros;
  std::optional<UpdateInfo> info = ParseUpdateInfo(document, request.signature, request.url, macros);
  if (!info) {
    result.code = kInvalidSignature;
    return result;
  }
  if (ring) {
    if (const long code = SignedDocumentProblem(*info, UtcNowStamp(), HighestAcceptedSequence()); code != kNoError) {
      result.code = code;
      return result;
    }
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
  if (ring) RecordAcceptedSequence(*info->global.sequence);
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
