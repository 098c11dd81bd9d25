// File, folder and version helpers over the Windows API, and the waiting opens for shared Sage
// files that another workstation may hold for a moment.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/tools/byte_source.h"

namespace lw {

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// The size of a file (not a folder) without opening it, so a file locked by another program can be
// measured; false when there is none.
bool FileSize(const std::string& path, uint64_t& size);
// Creates the folder and any missing parents; failures are ignored.
void MakePath(const std::string& path);
// "a.b.c.d" from the file's fixed version information, empty when it has none.
std::string GetFileVersion(const std::string& path);
// A text of the file's version information ("LegalCopyright", "LegalTrademarks", ...) in its first
// translation; empty when the file, the resource or the value is missing.
std::string GetFileVersionString(const std::string& path, const std::string& name);
// A shell folder by keyword ("COMMON_APPDATA", "PROGRAM_FILES_COMMON", ...), without trailing
// backslash; empty for an unknown keyword or a failing look-up.
std::string GetSpecialFolder(const std::string& keyword);
std::string GetSystemFolder();
std::string GetWindowsFolder();
// The folder of the running program, with trailing backslash.
std::string ProgramFolder();

// An open file handle, closed when it goes out of scope.
class SharedFile {
 public:
  SharedFile() = default;
  SharedFile(const SharedFile&) = delete;
  SharedFile& operator=(const SharedFile&) = delete;
  ~SharedFile() { Close(); }

  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Handle() const { return handle_; }
  int RecordLength() const { return recordLength_; }
  uint64_t Length() const;
  // Bytes read at the offset (fewer at the end of the file); false on a read error.
  bool ReadAt(uint64_t offset, void* buffer, size_t count, size_t& got) const;
  bool WriteAt(uint64_t offset, const void* buffer, size_t count) const;
  void Close();

 private:
  friend bool OpenShared(const std::string&, SharedFile&, DWORD, int);
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  int recordLength_ = 0;
};

// A shared file as a byte source: a read that fails is tried again for up to 5 seconds from its
// first try, letting window events run meanwhile (another workstation may hold the range).
class SharedFileSource : public ByteSource {
 public:
  explicit SharedFileSource(const SharedFile& file) : file_(file) {}
  size_t ReadAt(uint64_t offset, uint8_t* buffer, size_t count) override;
  size_t ReadAtOnce(uint64_t offset, uint8_t* buffer, size_t count) override;

 private:
  const SharedFile& file_;
};

// An exclusive lock of a byte range of an open file, tried for up to 5 seconds while another
// program holds any of it, letting window events run meanwhile; released when it goes. A range
// past the end of the file can be locked too.
class RangeLock {
 public:
  RangeLock(const SharedFile& file, uint64_t offset, uint64_t count);
  ~RangeLock();
  RangeLock(const RangeLock&) = delete;
  RangeLock& operator=(const RangeLock&) = delete;
  bool Held() const { return held_; }

 private:
  const SharedFile& file_;
  uint64_t offset_, count_;
  bool held_ = false;
};

// Windows refuses a read or a write of a byte range that another handle has locked
// (ERROR_LOCK_VIOLATION); Wine lets it through. A test of what the program does then installs a
// check that answers as Windows would: true when the range is locked by another handle. The
// previous check is returned.
using LockedRangeCheck = std::function<bool(HANDLE file, uint64_t offset, uint64_t count)>;
LockedRangeCheck SetLockedRangeCheck(LockedRangeCheck check);

// The waiting opens: each tries for up to 5 seconds, letting window events run between tries and,
// once the main window is ready, counting down in its caption ("Waiting for setup.dta 2/5").
// Random access: read and write, records of recordLength bytes.
bool OpenFileRandom(const std::string& path, SharedFile& file, int recordLength);
// Read access; other programs may read and write meanwhile.
bool OpenFileBinaryRead(const std::string& path, SharedFile& file);
bool OpenFileInput(const std::string& path, SharedFile& file);

// The whole file as ANSI text (one character per byte); empty when missing, hidden, system,
// unreadable or larger than maxBytes. Every file from outside read whole has a limit that fits
// what it is, so a damaged or hostile file of any size is never taken into memory.
std::string ReadWholeFile(const std::string& path, uint64_t maxBytes);
// As ReadWholeFile, telling a file that could not be read (nullopt) from an empty one.
std::optional<std::string> ReadWholeFileIfReadable(const std::string& path, uint64_t maxBytes);
// As ReadWholeFile, but a file starting FF FE is UTF-16 LE text, converted to ANSI.
std::string ReadTextFile(const std::string& path, uint64_t maxBytes);
// The last count bytes of a file (all of a shorter one), under the same conditions.
std::string ReadFileTail(const std::string& path, size_t count);
// A file's bytes as ReadTextFile takes them: after FF FE, UTF-16 LE converted to ANSI.
std::string AnsiFromFileText(const std::string& bytes);
// As ReadWholeFile, for the installation's small settings files that the data path analysis reads
// on every keystroke: read again only when the file's write time or size has changed (a read
// that failed is tried again the next time).
std::string ReadUnchangedFile(const std::string& path, uint64_t maxBytes);

// Gives an existing file new contents without ever leaving it half-written: the bytes go to a
// temporary file beside it, are read back, and that file then takes the place of the old one,
// which keeps its name, attributes and permissions. Empty when the file now holds exactly the bytes;
// else why not (a read-only file, one another program holds, a full disk), the file as it was and
// no temporary file left behind.
std::string ReplaceFileContents(const std::string& path, const std::string& bytes);

// Forgets the file versions, settings files and special folders kept between calls.
void ForgetFileCaches();

// The window whose caption shows the waiting opens' countdown; set by the main window once it is
// shown, and cleared when it goes.
void SetWaitProgressWindow(HWND window);

// Window events run while a wait goes on, so that timers and clicks are not held up. The program
// installs the pump at start-up (the tools never include the windows); without it a wait only
// sleeps between its tries.
void SetEventPump(std::function<void()> letEventsRun);
void LetEventsRun();

}  // namespace lw
