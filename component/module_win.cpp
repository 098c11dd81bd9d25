#include "component/module_win.h"

namespace updara {
namespace {

HINSTANCE g_instance = nullptr;
LONG g_moduleRefs = 0;

}  // namespace

void SetModuleInstance(HINSTANCE instance) { g_instance = instance; }
HINSTANCE ModuleInstance() { return g_instance; }

void ModuleAddRef() { InterlockedIncrement(&g_moduleRefs); }
void ModuleRelease() { InterlockedDecrement(&g_moduleRefs); }
bool ModuleInUse() { return InterlockedCompareExchange(&g_moduleRefs, 0, 0) != 0; }

std::wstring ModulePath(HMODULE module) {
  // GetModuleFileNameW truncates silently when the buffer is short; grow until the path fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    if (path.size() >= 32768) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return {};
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace updara
