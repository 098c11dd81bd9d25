#include "app/tools/command_runner_win.h"

#include <algorithm>
#include <vector>

#include "app/tools/text.h"

namespace lw {

namespace {

constexpr DWORD kPollMs = 10;

// A handle closed when it goes, or earlier by Close().
class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE h = nullptr) : h_(h) {}
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  ~OwnedHandle() { Close(); }
  HANDLE Get() const { return h_; }
  void Close() {
    if (h_) CloseHandle(h_);
    h_ = nullptr;
  }

 private:
  HANDLE h_;
};

std::string Failure(const char* what, DWORD error) { return std::string(what) + " failed. Error: " + std::to_string(error); }

}  // namespace

std::string RunCommand(const std::string& commandLine, DWORD timeoutMs) {
  const std::string report = "Command: " + commandLine + "\r\n";
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return report + Failure("CreatePipe", GetLastError());
  OwnedHandle read(readEnd), write(writeEnd);
  // The command inherits the write end only: were it to hold the read end as well, output beyond
  // what the pipe holds would keep it waiting to write after the one read here.
  if (!SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0)) return report + Failure("CreatePipe", GetLastError());

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  // A console tool started from a window program gets a console of its own; hidden, it neither
  // flashes up nor takes the activation from the window that runs it.
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                      &pi))
    return report + Failure("CreateProcess", GetLastError());
  OwnedHandle process(pi.hProcess), thread(pi.hThread);
  // Only the command holds the write end now, so the pipe breaks when it ends: a command that
  // prints nothing cannot keep the read waiting.
  write.Close();

  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  auto remaining = [deadline] {
    const ULONGLONG now = GetTickCount64();
    return now >= deadline ? DWORD(0) : DWORD(deadline - now);
  };
  // The pipe is looked at before it is read, so the one read never blocks past the time.
  char buffer[kCommandOutputBytes];
  DWORD got = 0, error = 0;
  bool ended = false;
  for (;;) {
    DWORD waiting = 0;
    if (!PeekNamedPipe(read.Get(), nullptr, 0, nullptr, &waiting, nullptr)) {
      error = GetLastError();
      break;
    }
    if (waiting > 0) {
      if (!ReadFile(read.Get(), buffer, sizeof buffer, &got, nullptr)) error = GetLastError();
      break;
    }
    if (remaining() == 0) {
      error = ERROR_TIMEOUT;
      break;
    }
    // A command that has ended but whose pipe is still open (a program it started holds it) is
    // given the rest of the time without spinning.
    if (ended)
      Sleep(std::min(kPollMs, remaining()));
    else
      ended = WaitForSingleObject(process.Get(), std::min(kPollMs, remaining())) == WAIT_OBJECT_0;
  }
  // Output beyond the first read is not wanted: with the read end closed, further writes fail at
  // once instead of waiting for room in the pipe.
  read.Close();
  if (WaitForSingleObject(process.Get(), remaining()) != WAIT_OBJECT_0) {
    TerminateProcess(process.Get(), ERROR_TIMEOUT);
    WaitForSingleObject(process.Get(), kCommandTimeoutMs);
  }

  // A broken pipe before any output is the end of a command that printed nothing.
  if (error != 0 && error != ERROR_BROKEN_PIPE) return report + Failure("ReadFile", error);
  return report + CollapseSpaces(std::string_view(buffer, got));
}

}  // namespace lw
