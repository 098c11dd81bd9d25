// Keeps the desktop of a Wine prefix in use for as long as its server runs; scripts/wine-run.sh
// starts it with the server, with its output going nowhere a caller waits on.
//
// Wine ends a desktop's desktop process (explorer) a second after the last program using that
// desktop has ended, and the next program to open a window starts a new one. That process
// inherits the output of the program that started it, so whoever reads that output to its end (a
// test runner) waited out the second after every program.
#include <windows.h>

#include <cstdio>

int main() {
  // Asking for the desktop window starts the desktop process and waits for its window.
  DWORD pid = 0;
  GetWindowThreadProcessId(GetDesktopWindow(), &pid);
  HANDLE desktopProcess = pid ? OpenProcess(SYNCHRONIZE, FALSE, pid) : nullptr;
  if (!desktopProcess) return 1;
  std::puts("ready");
  std::fflush(stdout);
  // Should the desktop process end all the same, the next one would be started by some program
  // and hold its output; holding the desktop would then keep that one for good. The keeper goes
  // with it, and Wine is back to a desktop process per program.
  WaitForSingleObject(desktopProcess, INFINITE);
  return 0;
}
