#include "component/processes_win.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>

namespace updara {
namespace {

std::string ModuleFileOf(HANDLE process, HMODULE module) {
  char path[MAX_PATH * 2] = {};
  const DWORD n = GetModuleFileNameExA(process, module, path, sizeof path);
  return std::string(path, n);
}

std::string OwnProgram() {
  char path[MAX_PATH * 2] = {};
  return std::string(path, GetModuleFileNameA(nullptr, path, sizeof path));
}

template <typename Visit>
void ForEachProcess(Visit&& visit) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (entry.th32ProcessID == 0 || entry.th32ProcessID == GetCurrentProcessId()) continue;
    visit(entry);
  }
  CloseHandle(snapshot);
}

}  // namespace

bool SamePath(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

std::vector<RunningProcess> ProcessesUsing(const std::string& path) {
  std::vector<RunningProcess> found;
  if (path.empty()) return found;
  const std::string own = OwnProgram();
  ForEachProcess([&](const PROCESSENTRY32& entry) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID);
    if (!process) return;
    std::vector<HMODULE> modules(256);
    DWORD needed = 0;
    while (EnumProcessModulesEx(process, modules.data(), DWORD(modules.size() * sizeof(HMODULE)), &needed,
                                LIST_MODULES_ALL) &&
           needed > modules.size() * sizeof(HMODULE))
      modules.resize(needed / sizeof(HMODULE));
    const size_t count = std::min<size_t>(modules.size(), needed / sizeof(HMODULE));
    for (size_t i = 0; i < count; ++i) {
      if (!SamePath(ModuleFileOf(process, modules[i]), path)) continue;
      const std::string program = ModuleFileOf(process, nullptr);
      if (!SamePath(program, own)) found.push_back({entry.th32ProcessID, entry.szExeFile, program});
      break;
    }
    CloseHandle(process);
  });
  return found;
}

bool EndProcess(DWORD id, UINT exitCode) {
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
  if (!process) return false;
  const bool ended = TerminateProcess(process, exitCode) != FALSE;
  if (ended) WaitForSingleObject(process, 5000);  // gone, and its files let go of, before going on
  CloseHandle(process);
  return ended;
}

std::vector<DWORD> ProcessesRunning(const std::string& program) {
  std::vector<DWORD> found;
  ForEachProcess([&](const PROCESSENTRY32& entry) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
    if (!process) return;
    char path[MAX_PATH * 2] = {};
    DWORD size = sizeof path;
    const bool named = QueryFullProcessImageNameA(process, 0, path, &size) != FALSE;
    CloseHandle(process);
    if (named && SamePath(std::string(path, size), program)) found.push_back(entry.th32ProcessID);
  });
  return found;
}

int EndProcessesRunning(const std::string& program, UINT exitCode) {
  int ended = 0;
  for (int round = 0; round < 10; ++round) {
    const std::vector<DWORD> found = ProcessesRunning(program);
    if (found.empty()) break;
    for (const DWORD id : found) ended += EndProcess(id, exitCode) ? 1 : 0;
  }
  return ended;
}

}  // namespace updara
