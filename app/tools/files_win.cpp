#include "app/tools/files_win.h"

#include <shlobj.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "app/tools/paths.h"
#include "app/tools/text.h"
#include "common/com_text_win.h"

namespace lw {

namespace {
HWND gWaitProgressWindow = nullptr;
LockedRangeCheck gLockedRangeCheck;

// What Windows answers for a range another handle has locked, where the check says so.
bool RefusedAsLocked(HANDLE file, uint64_t offset, size_t count) {
  if (!gLockedRangeCheck || !gLockedRangeCheck(file, offset, count)) return false;
  SetLastError(ERROR_LOCK_VIOLATION);
  return true;
}

OVERLAPPED At(uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = DWORD(offset);
  at.OffsetHigh = DWORD(offset >> 32);
  return at;
}

bool HasAttributes(const std::string& path, DWORD& attributes) {
  attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES;
}

std::string WithoutTrailingBackslash(std::string p) {
  while (p.size() > 3 && p.back() == '\\') p.pop_back();
  return p;
}
}  // namespace

bool FileExists(const std::string& path) {
  DWORD a;
  return !Trim(path).empty() && HasAttributes(path, a) && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
  DWORD a;
  return !Trim(path).empty() && HasAttributes(path, a) && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileSize(const std::string& path, uint64_t& size) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (Trim(path).empty() || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  size = uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  return true;
}

void MakePath(const std::string& path) {
  std::string p = WithoutTrailingBackslash(Trim(path));
  if (p.empty() || FolderExists(p)) return;
  std::string parent = SplitPath(p, PathPart::Folder);
  if (!parent.empty() && parent != p) MakePath(parent);
  CreateDirectoryA(p.c_str(), nullptr);
}

namespace {
// The file's whole version information; false when it has none.
bool LoadVersionInfo(const std::string& path, std::vector<char>& info) {
  constexpr DWORD kMaxVersionInfo = 64000;
  DWORD ignored = 0;
  DWORD size = path.empty() ? 0 : GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return false;
  size = std::min(size, kMaxVersionInfo);
  info.assign(size, '\0');
  return GetFileVersionInfoA(path.c_str(), 0, size, info.data()) != FALSE;
}

std::string ReadFileVersion(const std::string& path) {
  std::vector<char> info;
  if (!LoadVersionInfo(path, info)) return {};
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  if (!VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &len) || !fixed ||
      len < sizeof(VS_FIXEDFILEINFO))
    return {};
  return Format("%u.%u.%u.%u", unsigned(HIWORD(fixed->dwFileVersionMS)), unsigned(LOWORD(fixed->dwFileVersionMS)),
                unsigned(HIWORD(fixed->dwFileVersionLS)), unsigned(LOWORD(fixed->dwFileVersionLS)));
}
}  // namespace

std::string GetFileVersionString(const std::string& path, const std::string& name) {
  std::vector<char> info;
  if (name.empty() || !LoadVersionInfo(path, info)) return {};
  struct Translation {
    WORD language, codePage;
  }* translation = nullptr;
  UINT len = 0;
  if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &len) ||
      !translation || len < sizeof *translation)
    return {};
  std::string block = Format("\\StringFileInfo\\%04x%04x\\", unsigned(translation->language), unsigned(translation->codePage)) + name;
  char* value = nullptr;
  if (!VerQueryValueA(info.data(), block.c_str(), reinterpret_cast<void**>(&value), &len) || !value || len == 0)
    return {};
  return std::string(value, strnlen(value, len));
}

namespace {
// Values computed from a file, reused while the file keeps its write time and size: a file that
// is replaced or rewritten gets a new one of either, so an answer is only reused for the very file
// it came from. A failed computation is not kept.
template <class T>
class StampedCache {
 public:
  template <class Compute>
  std::optional<T> Get(const std::string& path, const WIN32_FILE_ATTRIBUTE_DATA& data, Compute compute) {
    std::string key = LCase(path);
    if (auto it = entries_.find(key); it != entries_.end() && Same(it->second, data)) return it->second.value;
    std::optional<T> value = compute();
    if (value) entries_[key] = {data.ftLastWriteTime, data.nFileSizeHigh, data.nFileSizeLow, *value};
    else entries_.erase(key);
    return value;
  }

 private:
  struct Entry {
    FILETIME written;
    DWORD sizeHigh, sizeLow;
    T value;
  };
  static bool Same(const Entry& e, const WIN32_FILE_ATTRIBUTE_DATA& data) {
    return CompareFileTime(&e.written, &data.ftLastWriteTime) == 0 && e.sizeHigh == data.nFileSizeHigh &&
           e.sizeLow == data.nFileSizeLow;
  }
  std::map<std::string, Entry> entries_;
};

// What the program keeps of files and folders between calls, all of it forgotten at once.
struct FileCaches {
  StampedCache<std::string> versions, unchangedFiles;
  std::map<int, std::string> specialFolders;  // by CSIDL
};
FileCaches& Caches() {
  static FileCaches caches;
  return caches;
}
}  // namespace

void ForgetFileCaches() { Caches() = FileCaches{}; }

// Reading a version resource maps the whole file, which costs about a millisecond; the analysis
// asks for the same few files on every keystroke.
std::string GetFileVersion(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return {};
  return Caches().versions.Get(path, data, [&] { return std::optional<std::string>(ReadFileVersion(path)); }).value_or("");
}

std::string GetSpecialFolder(const std::string& keyword) {
  static const struct {
    const char* keyword;
    int csidl;
  } kFolders[] = {
      {"ADMINTOOLS", 48},     {"COMMON_ADMINTOOLS", 47}, {"APPDATA", 26},          {"COMMON_APPDATA", 35},
      {"COMMON_DOCUMENTS", 46}, {"COOKIES", 33},         {"HISTORY", 34},          {"INTERNET_CACHE", 32},
      {"LOCAL_APPDATA", 28},  {"MYPICTURES", 39},        {"PERSONAL", 5},          {"PROGRAM_FILES", 38},
      {"PROGRAM_FILES_COMMON", 43}, {"SYSTEM", 37},      {"WINDOWS", 36},
  };
  // The shell reads each folder from the registry afresh (about 0.15 ms under Wine), and the
  // data path analysis asks for the same ones on every keystroke; they do not move during a run.
  std::map<int, std::string>& found = Caches().specialFolders;
  std::string k = Trim(keyword);
  for (const auto& f : kFolders) {
    if (!EqualsNoCase(k, f.keyword)) continue;
    if (auto it = found.find(f.csidl); it != found.end()) return it->second;
    char buf[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, f.csidl, nullptr, SHGFP_TYPE_CURRENT, buf))) return {};
    return found[f.csidl] = WithoutTrailingBackslash(buf);
  }
  return {};
}

std::string GetSystemFolder() {
  char buf[256] = {};
  UINT n = GetSystemDirectoryA(buf, sizeof buf);
  return n < sizeof buf ? std::string(buf, n) : std::string();
}

std::string GetWindowsFolder() {
  char buf[256] = {};
  UINT n = GetWindowsDirectoryA(buf, sizeof buf);
  return n < sizeof buf ? std::string(buf, n) : std::string();
}

std::string ProgramFolder() {
  char buf[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  std::string path(buf, n);
  return path.substr(0, path.find_last_of('\\') + 1);
}

uint64_t SharedFile::Length() const {
  LARGE_INTEGER size{};
  return IsOpen() && GetFileSizeEx(handle_, &size) ? uint64_t(size.QuadPart) : 0;
}

bool SharedFile::ReadAt(uint64_t offset, void* buffer, size_t count, size_t& got) const {
  got = 0;
  if (!IsOpen() || RefusedAsLocked(handle_, offset, count)) return false;
  OVERLAPPED at = At(offset);
  DWORD n = 0;
  if (!ReadFile(handle_, buffer, DWORD(count), &n, &at)) {
    if (GetLastError() != ERROR_HANDLE_EOF) return false;
  }
  got = n;
  return true;
}

bool SharedFile::WriteAt(uint64_t offset, const void* buffer, size_t count) const {
  if (!IsOpen() || RefusedAsLocked(handle_, offset, count)) return false;
  OVERLAPPED at = At(offset);
  DWORD n = 0;
  return WriteFile(handle_, buffer, DWORD(count), &n, &at) && n == count;
}

void SharedFile::Close() {
  if (IsOpen()) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  recordLength_ = 0;
}

size_t SharedFileSource::ReadAt(uint64_t offset, uint8_t* buffer, size_t count) {
  size_t got = 0;
  ULONGLONG start = GetTickCount64();
  while (!file_.ReadAt(offset, buffer, count, got)) {
    if (GetTickCount64() - start >= 5000) return 0;
    LetEventsRun();
  }
  return got;
}

size_t SharedFileSource::ReadAtOnce(uint64_t offset, uint8_t* buffer, size_t count) {
  size_t got = 0;
  return file_.ReadAt(offset, buffer, count, got) ? got : 0;
}

RangeLock::RangeLock(const SharedFile& file, uint64_t offset, uint64_t count)
    : file_(file), offset_(offset), count_(count) {
  auto attempt = [this] {
    OVERLAPPED at = At(offset_);
    return LockFileEx(file_.Handle(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, DWORD(count_),
                      DWORD(count_ >> 32), &at) != FALSE;
  };
  if (!file_.IsOpen()) return;
  const ULONGLONG start = GetTickCount64();
  while (!(held_ = attempt()) && GetTickCount64() - start < 5000) LetEventsRun();
}

RangeLock::~RangeLock() {
  if (!held_) return;
  OVERLAPPED at = At(offset_);
  UnlockFileEx(file_.Handle(), 0, DWORD(count_), DWORD(count_ >> 32), &at);
}

LockedRangeCheck SetLockedRangeCheck(LockedRangeCheck check) {
  return std::exchange(gLockedRangeCheck, std::move(check));
}

void SetWaitProgressWindow(HWND window) { gWaitProgressWindow = window; }

namespace {
std::function<void()>& EventPump() {
  static std::function<void()> pump;
  return pump;
}
}  // namespace

void SetEventPump(std::function<void()> letEventsRun) { EventPump() = std::move(letEventsRun); }

void LetEventsRun() {
  if (EventPump())
    EventPump()();
  else
    Sleep(10);
}

namespace {
std::string WindowCaption(HWND w) {
  int n = GetWindowTextLengthA(w);
  std::string s(size_t(n) + 1, '\0');
  s.resize(size_t(GetWindowTextA(w, s.data(), n + 1)));
  return s;
}
}  // namespace

bool OpenShared(const std::string& path, SharedFile& file, DWORD access, int recordLength) {
  file.Close();
  auto attempt = [&] {
    SetLastError(0);
    file.handle_ = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    return file.IsOpen();
  };
  bool opened = attempt();
  if (!opened) {
    HWND caption = gWaitProgressWindow;
    std::string remembered = caption ? WindowCaption(caption) : std::string();
    std::string name = FileNameOf(path);
    ULONGLONG start = GetTickCount64();
    for (ULONGLONG elapsed = 0; !opened && elapsed < 5000; elapsed = GetTickCount64() - start) {
      std::string progress = Format("Waiting for %s %d/5", name.c_str(), int(std::nearbyint(elapsed / 1000.0)));
      if (caption && WindowCaption(caption) != progress) SetWindowTextA(caption, progress.c_str());
      LetEventsRun();
      opened = attempt();
    }
    if (caption) SetWindowTextA(caption, remembered.c_str());
  }
  if (opened) file.recordLength_ = recordLength;
  return opened;
}

bool OpenFileRandom(const std::string& path, SharedFile& file, int recordLength) {
  return OpenShared(path, file, GENERIC_READ | GENERIC_WRITE, recordLength);
}

bool OpenFileBinaryRead(const std::string& path, SharedFile& file) { return OpenShared(path, file, GENERIC_READ, 0); }

bool OpenFileInput(const std::string& path, SharedFile& file) { return OpenShared(path, file, GENERIC_READ, 0); }

namespace {
bool Unreadable(DWORD attributes) {
  return attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
}

// The bytes of a file from its start or, with fromEnd, its last ones: at most maxBytes of them,
// and nothing when there are more than that from the start, or when it cannot be opened or read.
std::optional<std::string> ReadBytes(const std::string& path, uint64_t maxBytes, bool fromEnd = false) {
  DWORD a;
  if (!HasAttributes(path, a) || Unreadable(a)) return std::nullopt;
  SharedFile f;
  if (!OpenFileBinaryRead(path, f)) return std::nullopt;
  const uint64_t length = f.Length();
  if (length > maxBytes && !fromEnd) return std::nullopt;
  const uint64_t count = std::min(length, maxBytes);
  std::string bytes(static_cast<size_t>(count), '\0');
  size_t got = 0;
  if (!f.ReadAt(length - count, bytes.data(), bytes.size(), got)) return std::nullopt;
  bytes.resize(got);
  return bytes;
}

}  // namespace

std::string AnsiFromFileText(const std::string& bytes) {
  if (bytes.size() < 2 || uint8_t(bytes[0]) != 0xFF || uint8_t(bytes[1]) != 0xFE) return bytes;
  std::wstring wide((bytes.size() - 2) / 2, L'\0');
  memcpy(wide.data(), bytes.data() + 2, wide.size() * 2);
  return AnsiText(wide);
}

std::string ReadWholeFile(const std::string& path, uint64_t maxBytes) { return ReadBytes(path, maxBytes).value_or(""); }

std::optional<std::string> ReadWholeFileIfReadable(const std::string& path, uint64_t maxBytes) {
  return ReadBytes(path, maxBytes);
}

namespace {
std::string LastErrorText() { return HresultText(HRESULT_FROM_WIN32(GetLastError())); }

// The bytes in a new file; false with the error set when they are not all on the disk.
bool WriteNewFile(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < bytes.size();) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    ok = WriteFile(h, bytes.data() + done, piece, &written, nullptr) && written == piece;
    done += written;
  }
  ok = ok && FlushFileBuffers(h);
  const DWORD error = GetLastError();
  CloseHandle(h);
  SetLastError(error);
  return ok;
}
}  // namespace

std::string ReplaceFileContents(const std::string& path, const std::string& bytes) {
  DWORD attributes;
  if (!HasAttributes(path, attributes) || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return "The file is not there any more.";
  if (attributes & FILE_ATTRIBUTE_READONLY) return "The file is read-only.";
  // The file is replaced under its own name as the disk has it, in its letter case.
  const std::string folder = SplitPath(path, PathPart::Folder);
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return "The file is not there any more.";
  FindClose(search);
  const std::string target = folder + "\\" + found.cFileName;
  // Replacing needs the file to be free for deleting; a program that holds it open without
  // allowing that (Sage while it runs) is found before anything is written.
  HANDLE probe = CreateFileA(target.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return "Another program has it open (is Sage running?): " + LastErrorText() + ".";
  CloseHandle(probe);
  // Beside the file, so that putting it in place is a rename on the same disk.
  char temp[MAX_PATH] = {};
  if (!GetTempFileNameA(folder.c_str(), "lw", 0, temp))
    return "No temporary file could be made beside it: " + LastErrorText() + ".";
  std::string failure;
  if (!WriteNewFile(temp, bytes))
    failure = "It could not be written: " + LastErrorText() + ".";
  else if (ReadBytes(temp, bytes.size()) != bytes)
    failure = "What was written did not read back the same.";
  else if (!ReplaceFileA(target.c_str(), temp, nullptr, REPLACEFILE_WRITE_THROUGH, nullptr, nullptr))
    failure = "It could not take the place of the file: " + LastErrorText() + ".";
  else if (ReadBytes(target, bytes.size()) != bytes)
    return "The file did not read back as saved.";
  DeleteFileA(temp);  // only still there when something failed
  return failure;
}

std::string ReadTextFile(const std::string& path, uint64_t maxBytes) {
  return AnsiFromFileText(ReadWholeFile(path, maxBytes));
}

std::string ReadFileTail(const std::string& path, size_t count) { return ReadBytes(path, count, true).value_or(""); }

std::string ReadUnchangedFile(const std::string& path, uint64_t maxBytes) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) || Unreadable(data.dwFileAttributes)) return {};
  return Caches().unchangedFiles.Get(path, data, [&] { return ReadBytes(path, maxBytes); }).value_or("");
}

bool WriteFileReplacing(const std::string& path, const std::string& bytes) {
  const std::string temporary = path + ".tmp";
  const bool ok = WriteNewFile(temporary, bytes) &&
                  MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileA(temporary.c_str());
  return ok;
}

}  // namespace lw
