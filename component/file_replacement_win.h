// Putting new files in place so that each destination is, at every instant, either its old file or
// the whole new one: the new file is copied beside the destination first, the old one kept under its
// backup name, and the switch is one rename on that volume. Every switch is recorded in the run's
// journal first, so that a run that fails, or is killed between two files, can be undone. Shared by
// the component's own moves and the updater.
#pragma once

#include <windows.h>

#include <string>

#include "component/replacement_journal.h"
#include "component/replacement_list.h"

namespace updara {

// A COM server's "DllRegisterServer" or "DllUnregisterServer", loaded from the file and called on
// the calling thread (COM initialised there); S_OK when the file has no such entry point.
HRESULT CallServerEntry(const std::string& path, const char* entry);

// The creation and last-access time and the last-write time of a file, each left as it is when 0.
bool SetFileTimes(const std::string& path, std::uint64_t created, std::uint64_t modified);

class ReplacementRun {
 public:
  // A new journal at that path (an older one is replaced), or the journal of a run handed over to
  // this process, continued. Check Ok() before use.
  static ReplacementRun Begin(const std::string& journalPath);
  static ReplacementRun Continue(const std::string& journalPath);
  ReplacementRun(ReplacementRun&& other) noexcept;
  ReplacementRun& operator=(ReplacementRun&&) = delete;
  ~ReplacementRun();
  bool Ok() const { return journal_ != INVALID_HANDLE_VALUE; }

  enum class Outcome { Replaced, Missing, Failed, RegisterFailed };
  // Puts the file's new content in place of its destination. A destination that does not exist is
  // created when `createMissing` (the component's own moves), else left (Missing). A destination
  // another program holds is waited for, and the switch tried, `tries` times 500 ms apart. A
  // registered server has its old file's registration removed before and the new file registered
  // after the switch. Failed leaves the destination as it was; RegisterFailed leaves the new file
  // in place, recorded, for RollBack. The downloaded file is copied, never moved: it is still there
  // when the run is undone.
  Outcome Replace(const ReplacementFile& file, bool createMissing, int tries);

  // The rest of the run goes to the updater; the journal is closed for it.
  bool HandOver();
  // Every file is in place: the backups and the journal go. False when the journal could not be
  // marked; nothing is deleted then.
  bool Commit();
  // Puts back every old file of the run, last first, and deletes the files it created; the journal
  // goes when all is undone.
  bool RollBack();

 private:
  ReplacementRun(std::string journalPath, HANDLE journal);
  bool Append(std::string_view text);
  std::string journalPath_;
  HANDLE journal_ = INVALID_HANDLE_VALUE;
};

// What is found of an earlier run at the journal's path: a committed run has its backups deleted,
// an unfinished one is undone. An updater is told to continue a run the component handed over to
// it (nothing is changed then). Answers whether the journal is gone (or never was).
enum class Recovery { Nothing, Finished, ToContinue, Incomplete };
Recovery RecoverEarlierRun(const std::string& journalPath, bool asUpdater);

// The path with every part in its long form (a temporary folder may be given in 8.3 form), so that
// two names of one file compare equal; the path as it is when that cannot be found.
std::string LongPathOf(const std::string& path);

// A file read whole when it is no larger than the limit; nullopt when it cannot be read.
std::optional<std::string> ReadSmallFile(const std::string& path, size_t limit);

}  // namespace updara
