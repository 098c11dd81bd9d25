#include "component/updater_start_win.h"

#include <shellapi.h>

#include <thread>

#include "common/updara_errors.h"
#include "component/carried_programs.h"
#include "component/hand_over.h"
#include "component/module_win.h"
#include "component/processes_win.h"

namespace updara {
namespace {

// All of a write to or a read from a pipe opened for overlapped use, by the deadline; a transfer
// still pending then is cancelled.
bool PipeTransferWithin(HANDLE pipe, bool write, void* buffer, DWORD size, ULONGLONG deadline) {
  OVERLAPPED io{};
  io.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!io.hEvent) return false;
  DWORD done = 0;
  BOOL ok = write ? WriteFile(pipe, buffer, size, &done, &io) : ReadFile(pipe, buffer, size, &done, &io);
  if (!ok && GetLastError() == ERROR_IO_PENDING) {
    const ULONGLONG now = GetTickCount64();
    if (WaitForSingleObject(io.hEvent, now < deadline ? DWORD(deadline - now) : 0) != WAIT_OBJECT_0) {
      CancelIo(pipe);
      WaitForSingleObject(io.hEvent, INFINITE);  // the cancelled transfer no longer touches the buffer
    }
    ok = GetOverlappedResult(pipe, &io, &done, FALSE);
  }
  CloseHandle(io.hEvent);
  return ok && done == size;
}

bool Start(std::string commandLine, PROCESS_INFORMATION& started) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  return CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &started);
}

void Let(PROCESS_INFORMATION& started) {
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
}

std::string HostExecutable() {
  char path[MAX_PATH * 2] = {};
  return std::string(path, GetModuleFileNameA(nullptr, path, sizeof path));
}

// The elevated way: the restarter waits for the hand-over event (it makes it), the service or the
// updater run with administrator rights signals it when done.
long StartElevated(const UpdaterNames& names, const std::string& cmdLine) {
  if (cmdLine.empty() || !WriteCarriedProgram(IDR_UPDARA_RESTARTER, names.restarterExe)) return kUpdaterNotStarted;
  PROCESS_INFORMATION restarter{};
  if (!Start(QuotedArguments({names.restarterExe, HostExecutable(), names.handOverEvent}), restarter))
    return kUpdaterNotStarted;
  HANDLE event = nullptr;
  for (int poll = 0; poll < 20 && !event; ++poll) {
    event = OpenEventA(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, names.handOverEvent.c_str());
    if (!event) Sleep(500);
  }
  // Whatever went wrong from here on, the restarter must not start a second host beside this one
  // (the host stays and reports the failure): it is ended, not signalled.
  auto fail = [&] {
    TerminateProcess(restarter.hProcess, 1);
    WaitForSingleObject(restarter.hProcess, 5000);
    Let(restarter);
    if (event) CloseHandle(event);
    DeleteFileA(names.restarterExe.c_str());
    return kUpdaterNotStarted;
  };
  if (!event) return fail();
  const std::optional<std::uint32_t> service =
      AskUpdaterService({names.updaterExe, names.replacementList, names.handOverEvent});
  if (!service || *service == 0) {
    if (!WriteCarriedProgram(IDR_UPDARA_UPDATER, names.updaterExe)) return fail();
    const std::string parameters = QuotedArguments({names.replacementList, names.handOverEvent});
    SHELLEXECUTEINFOA run{};
    run.cbSize = sizeof run;
    run.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    run.lpVerb = "runas";
    run.lpFile = names.updaterExe.c_str();
    run.lpParameters = parameters.c_str();
    run.nShow = SW_HIDE;
    if (!ShellExecuteExA(&run)) return fail();
  }
  Let(restarter);
  CloseHandle(event);
  return kNoError;
}

}  // namespace

std::optional<std::uint32_t> AskUpdaterService(const std::vector<std::string>& items) {
  // Whoever created the pipe first answers it: it may identify the caller, never act as it. A
  // service that does not answer in time counts as none, so the host is never held up by it.
  constexpr DWORD kAnswerMs = 2000;
  const DWORD flags = FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;
  HANDLE pipe = CreateFileA(kServicePipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, flags, nullptr);
  if (pipe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PIPE_BUSY && WaitNamedPipeA(kServicePipe, kAnswerMs))
    pipe = CreateFileA(kServicePipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, flags, nullptr);
  if (pipe == INVALID_HANDLE_VALUE) return std::nullopt;  // no service: a supported case
  std::string request = ServiceRequest(items);
  unsigned char reply[4] = {};
  const ULONGLONG deadline = GetTickCount64() + kAnswerMs;
  std::optional<std::uint32_t> answer;
  if (PipeTransferWithin(pipe, true, request.data(), DWORD(request.size()), deadline) &&
      PipeTransferWithin(pipe, false, reply, sizeof reply, deadline))
    answer = std::uint32_t(reply[0]) | std::uint32_t(reply[1]) << 8 | std::uint32_t(reply[2]) << 16 |
             std::uint32_t(reply[3]) << 24;
  CloseHandle(pipe);
  return answer;
}

bool WriteCarriedProgram(int resourceId, const std::string& path) {
  HRSRC found = FindResourceA(ModuleInstance(), MAKEINTRESOURCEA(resourceId), MAKEINTRESOURCEA(10));  // RT_RCDATA
  HGLOBAL loaded = found ? LoadResource(ModuleInstance(), found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = found ? SizeofResource(ModuleInstance(), found) : 0;
  if (!bytes || size == 0) return false;
  // A copy still running from an earlier hand-over would keep the file from being written.
  EndProcessesRunning(path, 0);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool whole = WriteFile(file, bytes, size, &written, nullptr) && written == size;
  CloseHandle(file);
  if (!whole) DeleteFileA(path.c_str());
  return whole;
}

long StartUpdater(const UpdaterNames& names, bool elevate, const std::string& cmdLine) {
  if (GetFileAttributesA(names.replacementList.c_str()) == INVALID_FILE_ATTRIBUTES) return kUpdaterNotStarted;
  if (elevate) return StartElevated(names, cmdLine);
  if (!WriteCarriedProgram(IDR_UPDARA_UPDATER, names.updaterExe)) return kUpdaterNotStarted;
  PROCESS_INFORMATION updater{};
  if (!Start(QuotedArguments({names.updaterExe, names.replacementList}), updater)) return kUpdaterNotStarted;
  Let(updater);
  return kNoError;
}

void EndHostWithinASecond() {
  // The DLL stays loaded for the ending thread, whatever the host lets go of meanwhile.
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCSTR>(&EndHostWithinASecond), &self);
  std::thread([] {
    Sleep(1000);
    TerminateProcess(GetCurrentProcess(), 0);
  }).detach();
}

}  // namespace updara
