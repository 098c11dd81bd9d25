#include "app/tools/shell_win.h"

#include <shellapi.h>

#include "app/tools/files_win.h"
#include "app/tools/paths.h"
#include "app/tools/text.h"

namespace lw {

namespace {
std::function<void()>& ShellOpenNotice() {
  static std::function<void()> notice;
  return notice;
}
}  // namespace

void SetShellOpenNotice(std::function<void()> notice) { ShellOpenNotice() = std::move(notice); }

void ShellOpen(const std::string& target, HWND owner) {
  if (ShellOpenNotice()) ShellOpenNotice()();
  LetEventsRun();
  ShellExecuteA(owner, "Open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void ShellMailTo(const std::string& address, HWND owner) { ShellOpen("mailto:" + address, owner); }

std::string ExplorerCommandLine(const std::string& path) {
  if (Trim(path).empty()) return {};
  return NormaliseFolder(GetWindowsFolder()) + "explorer.exe " + NormaliseFolder(path);
}

void OpenFolderInExplorer(const std::string& path) {
  std::string cmd = ExplorerCommandLine(path);
  if (cmd.empty()) return;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION pi{};
  if (CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
}

}  // namespace lw
