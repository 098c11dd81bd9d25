#include "component/file_replacement_win.h"

#include <algorithm>

namespace updara {
namespace {

constexpr DWORD kRetryMs = 500;

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// One rename over the target on its volume: the target is the old file until it is the new one.
bool MoveOver(const std::string& from, const std::string& to, int tries) {
  for (int i = 0; i < tries; ++i) {
    if (i > 0) Sleep(kRetryMs);
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  }
  return false;
}

// Whether the file may be renamed over now: no other program holds it without letting it be
// deleted. Asked `tries` times, 500 ms apart.
bool WaitUntilReplaceable(const std::string& path, int tries) {
  for (int i = 0; i < tries; ++i) {
    if (i > 0) Sleep(kRetryMs);
    HANDLE file = CreateFileA(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return true;
    }
  }
  return false;
}

// The old file kept under its backup name without touching it: a second name for it where the
// volume has them, else a copy.
bool KeepBackup(const std::string& destination) {
  const std::string backup = BackupPathOf(destination);
  DeleteFileA(backup.c_str());  // a backup no journal knows any more
  return CreateHardLinkA(backup.c_str(), destination.c_str(), nullptr) ||
         CopyFileA(destination.c_str(), backup.c_str(), FALSE);
}

FILETIME AsFileTime(std::uint64_t t) { return FILETIME{DWORD(t & 0xFFFFFFFFu), DWORD(t >> 32)}; }

// Puts back every old file the journal names, last first; false when one could not be put back
// (its backup stays for the next attempt).
bool RestoreAll(const Journal& journal, int tries) {
  bool all = true;
  for (auto e = journal.entries.rbegin(); e != journal.entries.rend(); ++e) {
    // Only what this component could have written: a plain path and its backup beside it.
    if (!IsPlainFullPath(e->path)) continue;
    DeleteFileA(StagedPathOf(e->path).c_str());
    const std::string backup = BackupPathOf(e->path);
    if (e->created) {
      // Nothing was there: the new file goes, its registration with it.
      if (!Exists(e->path)) continue;
      if (e->server) CallServerEntry(e->path, "DllUnregisterServer");
      if (!DeleteFileA(e->path.c_str())) all = false;
      continue;
    }
    if (!Exists(backup)) continue;  // never switched, or already put back
    if (e->server) CallServerEntry(e->path, "DllUnregisterServer");
    if (!MoveOver(backup, e->path, tries)) {
      all = false;
      continue;
    }
    if (e->server) CallServerEntry(e->path, "DllRegisterServer");
  }
  return all;
}

void DeleteBackups(const Journal& journal) {
  for (const JournalEntry& e : journal.entries) {
    if (!IsPlainFullPath(e.path)) continue;
    DeleteFileA(BackupPathOf(e.path).c_str());
    DeleteFileA(StagedPathOf(e.path).c_str());
  }
}

std::optional<Journal> ReadJournal(const std::string& path) {
  const std::optional<std::string> text = ReadSmallFile(path, kMaxReplacementListBytes);
  return text ? ParseJournal(*text) : std::nullopt;
}

}  // namespace

HRESULT CallServerEntry(const std::string& path, const char* entry) {
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module) return HRESULT_FROM_WIN32(GetLastError() ? GetLastError() : ERROR_MOD_NOT_FOUND);
  using Entry = HRESULT(STDAPICALLTYPE*)();
  const auto call = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, entry)));
  const HRESULT hr = call ? call() : S_OK;
  FreeLibrary(module);
  return hr;
}

bool SetFileTimes(const std::string& path, std::uint64_t created, std::uint64_t modified) {
  if (created == 0 && modified == 0) return true;
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const FILETIME c = AsFileTime(created), m = AsFileTime(modified);
  const bool ok = SetFileTime(file, created ? &c : nullptr, created ? &c : nullptr, modified ? &m : nullptr) != FALSE;
  CloseHandle(file);
  return ok;
}

std::string LongPathOf(const std::string& path) {
  char long_[MAX_PATH * 2] = {};
  const DWORD n = GetLongPathNameA(path.c_str(), long_, sizeof long_);
  return n > 0 && n < sizeof long_ ? std::string(long_, n) : path;
}

std::optional<std::string> ReadSmallFile(const std::string& path, size_t limit) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  LARGE_INTEGER size{};
  std::optional<std::string> text;
  if (GetFileSizeEx(file, &size) && size.QuadPart >= 0 && static_cast<unsigned long long>(size.QuadPart) <= limit) {
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (bytes.empty() || (ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr) && got == bytes.size()))
      text = std::move(bytes);
  }
  CloseHandle(file);
  return text;
}

ReplacementRun::ReplacementRun(std::string journalPath, HANDLE journal)
    : journalPath_(std::move(journalPath)), journal_(journal) {}

ReplacementRun::ReplacementRun(ReplacementRun&& other) noexcept
    : journalPath_(std::move(other.journalPath_)), journal_(other.journal_) {
  other.journal_ = INVALID_HANDLE_VALUE;
}

ReplacementRun::~ReplacementRun() {
  if (journal_ != INVALID_HANDLE_VALUE) CloseHandle(journal_);
}

ReplacementRun ReplacementRun::Begin(const std::string& journalPath) {
  HANDLE h = CreateFileA(journalPath.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ReplacementRun run(journalPath, h);
  if (run.Ok() && !run.Append(JournalStart())) {
    CloseHandle(run.journal_);
    run.journal_ = INVALID_HANDLE_VALUE;
    DeleteFileA(journalPath.c_str());
  }
  return run;
}

ReplacementRun ReplacementRun::Continue(const std::string& journalPath) {
  HANDLE h = CreateFileA(journalPath.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ReplacementRun run(journalPath, h);
  if (run.Ok() && !run.Append(kJournalUpdater)) {
    CloseHandle(run.journal_);
    run.journal_ = INVALID_HANDLE_VALUE;
  }
  return run;
}

bool ReplacementRun::Append(std::string_view text) {
  DWORD written = 0;
  // On the disk before anything it announces is done.
  return WriteFile(journal_, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size() &&
         FlushFileBuffers(journal_);
}

ReplacementRun::Outcome ReplacementRun::Replace(const ReplacementFile& file, bool createMissing, int tries) {
  const std::string& destination = file.path;
  const bool existed = Exists(destination);
  if (!existed && !createMissing) return Outcome::Missing;
  // A file another program holds is left as it is, with nothing made beside it.
  if (existed && !WaitUntilReplaceable(destination, tries)) return Outcome::Failed;
  // Recorded first: whatever is made beside the destination from here on, an undo finds.
  if (!Append(JournalLine({file.registerServer, destination, !existed}))) return Outcome::Failed;
  const std::string staged = StagedPathOf(destination), backup = BackupPathOf(destination);
  if (!CopyFileA(file.newPath.c_str(), staged.c_str(), FALSE) || !SetFileTimes(staged, file.created, file.modified) ||
      (existed && !KeepBackup(destination))) {
    DeleteFileA(staged.c_str());
    DeleteFileA(backup.c_str());
    return Outcome::Failed;
  }
  if (existed && file.registerServer) CallServerEntry(destination, "DllUnregisterServer");
  if (!MoveOver(staged, destination, tries)) {
    // Nothing changed: the old server is registered again, and no backup is left to put back.
    if (existed && file.registerServer) CallServerEntry(destination, "DllRegisterServer");
    DeleteFileA(staged.c_str());
    DeleteFileA(backup.c_str());
    return Outcome::Failed;
  }
  if (file.registerServer && FAILED(CallServerEntry(destination, "DllRegisterServer"))) return Outcome::RegisterFailed;
  return Outcome::Replaced;
}

bool ReplacementRun::HandOver() {
  const bool ok = Append(kJournalHandOver);
  CloseHandle(journal_);
  journal_ = INVALID_HANDLE_VALUE;
  return ok;
}

bool ReplacementRun::Commit() {
  if (!Append(kJournalCommit)) return false;
  CloseHandle(journal_);
  journal_ = INVALID_HANDLE_VALUE;
  if (const std::optional<Journal> journal = ReadJournal(journalPath_)) DeleteBackups(*journal);
  DeleteFileA(journalPath_.c_str());
  return true;
}

bool ReplacementRun::RollBack() {
  if (journal_ != INVALID_HANDLE_VALUE) CloseHandle(journal_);
  journal_ = INVALID_HANDLE_VALUE;
  const std::optional<Journal> journal = ReadJournal(journalPath_);
  if (!journal) return false;
  if (!RestoreAll(*journal, 5)) return false;
  DeleteFileA(journalPath_.c_str());
  return true;
}

Recovery RecoverEarlierRun(const std::string& journalPath, bool asUpdater) {
  const std::optional<Journal> journal = ReadJournal(journalPath);
  if (!journal) return Recovery::Nothing;  // none, or nothing this component wrote
  switch (ActionFor(*journal, asUpdater)) {
    case JournalAction::Continue:
      return Recovery::ToContinue;
    case JournalAction::FinishCommit:
      DeleteBackups(*journal);
      break;
    case JournalAction::RollBack:
      // A file still in use is tried once: whoever comes next tries again.
      if (!RestoreAll(*journal, asUpdater ? 5 : 1)) return Recovery::Incomplete;
      break;
  }
  DeleteFileA(journalPath.c_str());
  return Recovery::Finished;
}

}  // namespace updara
