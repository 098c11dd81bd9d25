// UpdaraUpd.exe: finishes a replacement after the host has ended. Written out and started by
// Updara.dll as T + N + "Upd.exe" with the replacement list T + N + ".uda" (and, when it runs with
// administrator rights for a host that runs without, the hand-over event the restarter waits for).
//
// It waits for the host to let go of the lock N, undoes an earlier run that was cut short, runs the
// list's first command, puts every file in place through the run's journal (the old files kept
// until all are in place, and put back when one fails), runs the last command, and starts the host
// again, whatever happened.
#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

#include "common/updara_errors.h"
#include "component/file_replacement_win.h"
#include "component/hand_over.h"
#include "component/processes_win.h"
#include "component/replacement_journal.h"
#include "component/replacement_list.h"

namespace {

using namespace updara;

class Updater {
 public:
  Updater(std::string listPath, std::string event) : listPath_(std::move(listPath)), event_(std::move(event)) {}

  int Run() {
    char own[MAX_PATH * 2] = {};
    const std::string program = LongPathOf(std::string(own, GetModuleFileNameA(nullptr, own, sizeof own)));
    temp_ = std::string(FolderOf(program));
    const std::optional<std::string> name = UpdaterNameOf(program);
    // Only the list of this updater's own name, beside it, and only one this component wrote.
    std::optional<ReplacementList> list;
    if (name && SamePath(LongPathOf(listPath_), temp_ + *name + ".uda")) {
      if (const std::optional<std::string> text = ReadSmallFile(listPath_, kMaxReplacementListBytes))
        list = ParseReplacementList(*text);
    }
    if (!list) {
      Restart("");
      return 2;
    }
    list_ = std::move(*list);
    HANDLE lock = WaitForTheHost(*name);
    if (!lock) {
      Tell("Could not kill owner process. Failed to update application.", "Error");
      Restart(list_.cmdLine);
      return 3;
    }
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const bool done = PutFilesInPlace(temp_ + *name + ".udj");
    RunAndWait(list_.cmdAfter);
    if (SUCCEEDED(com)) CoUninitialize();
    ReleaseMutex(lock);
    CloseHandle(lock);
    Restart(list_.cmdLine);
    return done ? 0 : 1;
  }

 private:
  // The host holds the lock until its process ends. Up to 20 waits of half a second; after each
  // one in vain, processes still running the host's program are ended.
  HANDLE WaitForTheHost(const std::string& name) {
    HANDLE lock = CreateMutexA(nullptr, FALSE, name.c_str());
    if (!lock) return nullptr;
    const std::string host = ExecutableOf(list_.cmdLine);
    for (int attempt = 0; attempt < 20; ++attempt) {
      const DWORD waited = WaitForSingleObject(lock, 500);
      if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return lock;
      if (!host.empty()) EndProcessesRunning(host, 0);
    }
    CloseHandle(lock);
    return nullptr;
  }

  bool PutFilesInPlace(const std::string& journal) {
    const Recovery earlier = RecoverEarlierRun(journal, true);
    if (earlier == Recovery::Incomplete) {
      Tell(ErrorText(kListRefused), "Failed to update application!");
      return false;
    }
    ReplacementRun run =
        earlier == Recovery::ToContinue ? ReplacementRun::Continue(journal) : ReplacementRun::Begin(journal);
    bool done = run.Ok();
    if (!done)
      Tell("The update's journal could not be written in the temporary folder.", "Failed to update application!");
    if (const std::optional<ListFaultAt> fault = FindListFault(list_, temp_, nullptr); done && fault) {
      Tell(std::string(ErrorText(kListRefused)) + "\r\n" + fault->path, "Failed to update application!");
      done = false;
    }
    if (done) {
      RunAndWait(list_.cmdBefore);
      for (const long id : list_.processIds) EndProcess(static_cast<DWORD>(id), static_cast<UINT>(-1));
      for (const ReplacementFile& file : list_.files) {
        const ReplacementRun::Outcome outcome = run.Replace(file, false, 5);
        if (outcome == ReplacementRun::Outcome::Failed) {
          Tell(Printed("Could not copy to destination %s", file.path), "Failed to update application!");
        } else if (outcome == ReplacementRun::Outcome::RegisterFailed) {
          Tell(file.path, "Failed to register server!");
        } else {
          continue;  // in place, or a destination that is not there (left alone)
        }
        done = false;
        break;
      }
    }
    if (done) {
      run.Commit();
    } else if (run.Ok()) {
      run.RollBack();  // what cannot be put back now is put back when the host takes its name again
    }
    // The run is over either way: its downloads and its list go.
    for (const ReplacementFile& file : list_.files)
      if (IsOwnDownload(file.newPath, temp_)) DeleteFileA(file.newPath.c_str());
    DeleteFileA(listPath_.c_str());
    return done;
  }

  void RunAndWait(const std::string& command) {
    if (command.empty()) return;
    std::string line = command;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }

  // The host starts again: by its command line, or by the restarter once the event is signalled.
  void Restart(const std::string& cmdLine) {
    if (!event_.empty()) {
      if (HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, event_.c_str())) {
        SetEvent(event);
        CloseHandle(event);
      }
      return;
    }
    if (cmdLine.empty()) return;
    std::string line = cmdLine;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
  }

  void Tell(const std::string& text, const char* caption) const {
    if (list_.visible) MessageBoxA(nullptr, text.c_str(), caption, MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
  }

  static std::string Printed(const char* format, const std::string& path) {
    std::string text(std::snprintf(nullptr, 0, format, path.c_str()) + 1, '\0');
    text.resize(std::snprintf(text.data(), text.size(), format, path.c_str()));
    return text;
  }

  std::string listPath_, event_, temp_;
  ReplacementList list_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc < 2) return 2;  // no list to act on
  return Updater(__argv[1], __argc > 2 ? __argv[2] : "").Run();
}
