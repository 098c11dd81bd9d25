// UpdaraStr.exe: starts the host again, without administrator rights, once an updater that ran with
// them is done. Written out and started by Updara.dll with the host's executable and the name of
// the hand-over event; it makes the event and waits for it at most five minutes.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc != 3) return 0;
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, __argv[2]);
  if (!event) return 1;
  const bool signalled = WaitForSingleObject(event, 300000) == WAIT_OBJECT_0;
  CloseHandle(event);
  if (!signalled) return 2;
  std::string line = std::string("\"") + __argv[1] + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(__argv[1], line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 3;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return 0;
}
