// What the component's Windows tests share as a COM client: the built DLL's path, regsvr32 and
// other programs run to their end, a small owning pointer, and BSTR helpers.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>

namespace updara_test {

// The build passes Unix paths; under Wine the root file system is drive Z:.
inline std::wstring WinPath(const char* unixPath) {
  std::wstring p = L"Z:";
  for (const char* c = unixPath; *c; ++c) p += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
  return p;
}
inline const std::wstring kDll = WinPath(LW_UPDARA_DLL);

// Runs a command line and returns its exit code; a program that cannot start or never ends fails.
inline DWORD RunProgram(std::wstring commandLine) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    ADD_FAILURE() << "cannot start, error " << GetLastError();
    return DWORD(-1);
  }
  DWORD code = DWORD(-1);
  if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(pi.hProcess, &code);
  } else {
    ADD_FAILURE() << "did not end within a minute";
    TerminateProcess(pi.hProcess, 1);
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

inline DWORD Regsvr32(const wchar_t* switches) {
  return RunProgram(std::wstring(L"regsvr32.exe ") + switches + L" \"" + kDll + L"\"");
}

template <typename T>
struct Ref {
  T* p = nullptr;
  Ref() = default;
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() { reset(); }
  void reset() {
    if (p) p->Release();
    p = nullptr;
  }
  T** put() {
    reset();
    return &p;
  }
  void** putv() { return reinterpret_cast<void**>(put()); }
  T* operator->() const { return p; }
};

// A BSTR argument that frees itself.
struct Bstr {
  BSTR b;
  explicit Bstr(const wchar_t* text) : b(SysAllocString(text)) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(b); }
  operator BSTR() const { return b; }
};

// The text of a returned BSTR, which it frees.
inline std::wstring Text(BSTR b) {
  std::wstring s = b ? std::wstring(b, SysStringLen(b)) : std::wstring();
  SysFreeString(b);
  return s;
}

}  // namespace updara_test
