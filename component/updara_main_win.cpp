// Entry points of Updara.dll. None lets an exception escape into the host or regsvr32.
#include <windows.h>
#include <oleauto.h>

#include <new>

#include "component/classes_win.h"
#include "component/factory_win.h"
#include "component/module_win.h"
#include "component/registration_win.h"
#include "updara_idl.h"

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

constexpr wchar_t kTypeLibVersion[] = L"1.0";

// The type library embedded as resource TYPELIB 1, registered for this file, also under the
// neutral locale so that the interfaces can be marshalled to another apartment.
HRESULT RegisterTypeLibrary(const std::wstring& path) {
  ITypeLib* lib = nullptr;
  HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib);
  if (FAILED(hr)) return hr;
  std::wstring file = path;  // the call takes a writable string
  hr = RegisterTypeLib(lib, file.data(), nullptr);
  lib->Release();
  if (FAILED(hr)) return hr;
  return updara::RegisterNeutralTypeLibPath(HKEY_CLASSES_ROOT, LIBID_UPDARACOMLib, kTypeLibVersion, path);
}

HRESULT UnregisterTypeLibrary(const std::wstring& path) {
  // Ours first: with a locale key left over, the version key would outlive the library.
  const HRESULT neutral =
      updara::UnregisterNeutralTypeLibPath(HKEY_CLASSES_ROOT, LIBID_UPDARACOMLib, kTypeLibVersion, path);
#ifdef _WIN64
  constexpr SYSKIND kSys = SYS_WIN64;
#else
  constexpr SYSKIND kSys = SYS_WIN32;
#endif
  // Not registered (any more) is what was asked for; the call itself does not say so reliably.
  ITypeLib* registered = nullptr;
  if (FAILED(LoadRegTypeLib(LIBID_UPDARACOMLib, 1, 0, 0x409, &registered))) return neutral;
  registered->Release();
  const HRESULT hr = UnRegisterTypeLib(LIBID_UPDARACOMLib, 1, 0, 0x409, kSys);
  if (FAILED(neutral)) return neutral;
  return hr == TYPE_E_LIBNOTREGISTERED || hr == TYPE_E_REGISTRYACCESS ? S_OK : hr;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    updara::SetModuleInstance(instance);
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  return Guarded([&] { return updara::GetClassFactory(clsid, iid, ppv); });
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return updara::ModuleInUse() ? S_FALSE : S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  return Guarded([] {
    const std::wstring path = updara::ModulePath(updara::ModuleInstance());
    if (path.empty()) return LastErrorResult();
    HRESULT hr = updara::RegisterServerClasses(HKEY_CLASSES_ROOT, updara::UpdaraClasses(), path);
    if (FAILED(hr)) return hr;
    hr = RegisterTypeLibrary(path);
    if (FAILED(hr)) {
      // No half registration: classes whose type library is missing cannot be bound to.
      UnregisterTypeLibrary(path);
      updara::UnregisterServerClasses(HKEY_CLASSES_ROOT, updara::UpdaraClasses(), path);
    }
    return hr;
  });
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return Guarded([] {
    const std::wstring path = updara::ModulePath(updara::ModuleInstance());
    if (path.empty()) return LastErrorResult();
    const HRESULT classes = updara::UnregisterServerClasses(HKEY_CLASSES_ROOT, updara::UpdaraClasses(), path);
    const HRESULT library = UnregisterTypeLibrary(path);
    return FAILED(classes) ? classes : library;
  });
}
