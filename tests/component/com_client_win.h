// What the component's Windows tests share as a COM client: the built DLL's path, regsvr32 and
// other programs run to their end, a small owning pointer, BSTR helpers and an event sink.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "component/signature_win.h"
#include "updara_idl.h"

namespace updara_test {

// The build passes Unix paths; under Wine the root file system is drive Z:.
inline std::wstring WinPath(const char* unixPath) {
  std::wstring p = L"Z:";
  for (const char* c = unixPath; *c; ++c) p += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
  return p;
}
inline const std::wstring kDll = WinPath(LW_UPDARA_DLL);
// The same component built without a key ring: it takes update-information files as they come.
inline const std::wstring kDllWithoutKeys = WinPath(LW_UPDARA_DLL_WITHOUT_KEYS);

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

inline DWORD Regsvr32(const wchar_t* switches, const std::wstring& dll = kDll) {
  return RunProgram(std::wstring(L"regsvr32.exe ") + switches + L" \"" + dll + L"\"");
}

// The highest update-information sequence accepted, as the component keeps it for the machine or
// the user; forgetting it lets every test start from none.
inline std::optional<std::uint64_t> AcceptedSequence(HKEY root) {
  std::uint64_t value = 0;
  DWORD size = sizeof value;
  if (RegGetValueA(root, updara::kSequenceKey, updara::kSequenceValue, RRF_RT_QWORD, nullptr, &value, &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  return value;
}
inline void ForgetAcceptedSequences() {
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteKeyValueA(root, updara::kSequenceKey, updara::kSequenceValue);
}

template <typename T>
struct Ref {
  T* p = nullptr;
  Ref() = default;
  Ref(Ref&& other) noexcept : p(other.p) { other.p = nullptr; }
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

struct Event {
  DISPID id;
  std::vector<long> numbers;  // the 32-bit arguments in order
  std::wstring text;          // the text argument
  bool withFile;              // a file argument was present
  DWORD thread;
};

// IUnknown and the type-information half of IDispatch for a client object that lives in the test
// (on its stack or in its fixture): counted, never deleted.
template <typename Itf, const IID* Iid>
class ClientObject : public Itf {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, *Iid)) {
      *ppv = static_cast<Itf*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  std::atomic<ULONG> refs{1};
};

// A host's event sink: records every event and may act on one.
class Sink final : public ClientObject<IDispatch, &DIID__IUpdaraComEvents> {
 public:
  std::vector<Event> events;
  std::function<void(const Event&)> onEvent;

  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override {
    EXPECT_EQ(flags, DISPATCH_METHOD);
    Event e{id, {}, {}, false, GetCurrentThreadId()};
    for (UINT i = p->cArgs; i-- > 0;) {  // arguments arrive last first
      const VARIANT& v = p->rgvarg[i];
      if (V_VT(&v) == VT_I4) e.numbers.push_back(V_I4(&v));
      else if (V_VT(&v) == VT_BSTR) e.text = V_BSTR(&v) ? V_BSTR(&v) : L"";
      else if (V_VT(&v) == VT_DISPATCH) e.withFile = true;
      else ADD_FAILURE() << "argument type " << V_VT(&v);
    }
    events.push_back(e);
    if (onEvent) onEvent(events.back());
    return S_OK;
  }
  std::vector<Event> Of(DISPID id) const {
    std::vector<Event> out;
    for (const Event& e : events) if (e.id == id) out.push_back(e);
    return out;
  }
  // StateChange's old states, in order.
  std::vector<long> OldStates() const {
    std::vector<long> out;
    for (const Event& e : Of(2)) out.push_back(e.numbers.at(0));
    return out;
  }
};

}  // namespace updara_test
