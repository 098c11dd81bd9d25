#include "app/tools/shell_win.h"

#include <shellapi.h>

#include <cstring>

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

bool CopyTextToClipboard(HWND owner, const std::string& text) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  if (!memory) return false;
  void* bytes = GlobalLock(memory);
  if (!bytes) {
    GlobalFree(memory);
    return false;
  }
  memcpy(bytes, text.c_str(), text.size() + 1);
  GlobalUnlock(memory);
  if (!OpenClipboard(owner)) {
    GlobalFree(memory);
    return false;
  }
  // Once SetClipboardData has it, the memory is the clipboard's.
  const bool copied = EmptyClipboard() && SetClipboardData(CF_TEXT, memory);
  CloseClipboard();
  if (!copied) GlobalFree(memory);
  return copied;
}

}  // namespace lw
