// Entry points of Updara.dll. None lets an exception escape into the host or regsvr32.
#include <windows.h>

#include <new>

#include "component/classes_win.h"
#include "component/module_win.h"
#include "component/registration_win.h"

namespace {

// A failing HRESULT from the last error, never S_OK when the call left the error at zero.
HRESULT LastErrorResult() {
  const DWORD e = GetLastError();
  return e == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(e);
}

template <typename F>
HRESULT Guarded(F&& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    updara::SetModuleInstance(instance);
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID, REFIID, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return updara::ModuleInUse() ? S_FALSE : S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  return Guarded([] {
    const std::wstring path = updara::ModulePath(updara::ModuleInstance());
    if (path.empty()) return LastErrorResult();
    return updara::RegisterServerClasses(HKEY_CLASSES_ROOT, updara::UpdaraClasses(), path);
  });
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return Guarded([] {
    const std::wstring path = updara::ModulePath(updara::ModuleInstance());
    if (path.empty()) return LastErrorResult();
    return updara::UnregisterServerClasses(HKEY_CLASSES_ROOT, updara::UpdaraClasses(), path);
  });
}
