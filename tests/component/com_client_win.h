// What the component's Windows tests share as a COM client: the built DLL's path, regsvr32 and
// other programs run to their end, a small owning pointer, BSTR helpers and an event sink.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/com_ref_win.h"
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

// A file's bytes, and a file written with them.
inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
inline void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

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
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
    RegDeleteKeyValueA(root, updara::kSequenceKey, updara::kSequenceValue);
}

using lw::ComRef;

// The registered component, created as a host creates it.
inline ComRef<IUpdaraCom> CreateUpdara() {
  CLSID clsid{};
  ComRef<IUpdaraCom> o;
  EXPECT_EQ(CLSIDFromProgID(L"Kivra.UpdaraCom", &clsid), S_OK);
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUpdaraCom, reinterpret_cast<void**>(o.put())),
            S_OK);
  return o;
}

// Makes a folder this process's temporary folder (TMP and TEMP) while it lives; the programs it
// starts inherit it.
class TemporaryFolderAs {
 public:
  explicit TemporaryFolderAs(const std::string& folder) {
    for (Variable& v : saved_) {
      char previous[MAX_PATH] = {};
      v.had = GetEnvironmentVariableA(v.name, previous, sizeof previous) > 0;
      v.value = previous;
      SetEnvironmentVariableA(v.name, folder.c_str());
    }
  }
  TemporaryFolderAs(const TemporaryFolderAs&) = delete;
  TemporaryFolderAs& operator=(const TemporaryFolderAs&) = delete;
  ~TemporaryFolderAs() {
    for (const Variable& v : saved_) SetEnvironmentVariableA(v.name, v.had ? v.value.c_str() : nullptr);
  }

 private:
  struct Variable {
    const char* name;
    bool had = false;
    std::string value;
  };
  Variable saved_[2] = {{"TMP", false, {}}, {"TEMP", false, {}}};
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
  STDMETHODIMP GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
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
      if (V_VT(&v) == VT_I4)
        e.numbers.push_back(V_I4(&v));
      else if (V_VT(&v) == VT_BSTR)
        e.text = V_BSTR(&v) ? V_BSTR(&v) : L"";
      else if (V_VT(&v) == VT_DISPATCH)
        e.withFile = true;
      else
        ADD_FAILURE() << "argument type " << V_VT(&v);
    }
    events.push_back(e);
    if (onEvent) onEvent(events.back());
    return S_OK;
  }
  std::vector<Event> Of(DISPID id) const {
    std::vector<Event> out;
    for (const Event& e : events)
      if (e.id == id) out.push_back(e);
    return out;
  }
  // StateChange's old states, in order.
  std::vector<long> OldStates() const {
    std::vector<long> out;
    for (const Event& e : Of(2)) out.push_back(e.numbers.at(0));
    return out;
  }
};

// The object's one connection point, that of its events.
inline ComRef<IConnectionPoint> EventsPoint(IUpdaraCom* object) {
  ComRef<IConnectionPointContainer> container;
  ComRef<IConnectionPoint> point;
  EXPECT_EQ(object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.put())), S_OK);
  if (container.get()) {
    EXPECT_EQ(container->FindConnectionPoint(DIID__IUpdaraComEvents, point.put()), S_OK);
  }
  return point;
}

// Connects the sink to the object's events; the connection ends with the object.
inline DWORD Connect(IUpdaraCom* object, Sink& sink) {
  DWORD cookie = 0;
  if (ComRef<IConnectionPoint> point = EventsPoint(object); point.get()) {
    EXPECT_EQ(point->Advise(&sink, &cookie), S_OK);
  }
  EXPECT_NE(cookie, 0u);
  return cookie;
}

// A property of one of the component's objects that is a number, a flag or a date, read as a host
// reads it; a getter that answers without writing it leaves a value no property has.
template <class Object, class T>
T ValueOf(Object* o, HRESULT (STDMETHODCALLTYPE Object::*get)(T*)) {
  T value;
  std::memset(&value, 0x5A, sizeof value);
  EXPECT_EQ((o->*get)(&value), S_OK);
  return value;
}
inline UpdateStates StateOf(IUpdaraCom* object) { return ValueOf(object, &IUpdaraCom::get_State); }
// A text property of one of the component's objects.
template <class Object>
std::wstring Get(Object* o, HRESULT (STDMETHODCALLTYPE Object::*get)(BSTR*)) {
  BSTR b = nullptr;
  EXPECT_EQ((o->*get)(&b), S_OK);
  return Text(b);
}
// A property that is one of the component's objects.
template <class Object, class T>
ComRef<T> RefOf(Object* o, HRESULT (STDMETHODCALLTYPE Object::*get)(T**)) {
  ComRef<T> r;
  EXPECT_EQ((o->*get)(r.put()), S_OK);
  return r;
}

// Arguments as a late-bound caller passes them.
inline VARIANT Arg(VARTYPE type) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = type;
  return v;
}
inline VARIANT Short(short value) {
  VARIANT v = Arg(VT_I2);
  V_I2(&v) = value;
  return v;
}
// An optional argument left out, as a late-bound caller passes it.
inline VARIANT MissingArg() {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_ERROR;
  V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
  return v;
}

// The failure an automation client reads the component's error number from.
constexpr HRESULT Err(long code) { return static_cast<HRESULT>(0x800A0000u + static_cast<unsigned>(code)); }

// Text in the system code page and back.
inline std::wstring Wide(const std::string& text) {
  std::wstring out(text.size(), L'\0');
  out.resize(size_t(MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), out.data(), int(out.size()))));
  return out;
}
inline std::string Ansi(const std::wstring& text) {
  std::string out(text.size() * 2, '\0');
  out.resize(size_t(
      WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), out.data(), int(out.size()), nullptr, nullptr)));
  return out;
}

// The updater service on its pipe, played by a thread of the test: it reads one request and answers
// it with the given number, or not at all, and keeps the pipe until the test has its answer (at most
// a minute).
class PipeService {
 public:
  // `items`: the number of text items the request holds.
  explicit PipeService(std::optional<uint32_t> reply, int items = 1) : reply_(reply) {
    pipe_ = CreateNamedPipeA("\\\\.\\Pipe\\UpdaraPipe", PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096,
                             0, nullptr);
    EXPECT_NE(pipe_, INVALID_HANDLE_VALUE);
    answered_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this, items] {
      ConnectNamedPipe(pipe_, nullptr);
      for (int i = 0; i < items; ++i) {
        const std::string length = Read(4);
        if (length.size() < 4) break;
        request += length + Read(uint32_t(uint8_t(length[0])) << 24 | uint32_t(uint8_t(length[1])) << 16 |
                                 uint32_t(uint8_t(length[2])) << 8 | uint8_t(length[3]));
      }
      DWORD n = 0;
      if (reply_) {
        WriteFile(pipe_, &*reply_, sizeof *reply_, &n, nullptr);
        FlushFileBuffers(pipe_);
      }
      callerStillWaiting = WaitForSingleObject(answered_, 60000) != WAIT_OBJECT_0;
      DisconnectNamedPipe(pipe_);
    });
  }
  ~PipeService() {
    SetEvent(answered_);
    thread_.join();
    CloseHandle(pipe_);
    CloseHandle(answered_);
  }
  void Answered() { SetEvent(answered_); }
  std::string request;  // as it arrived
  bool callerStillWaiting = false;

 private:
  std::string Read(uint32_t count) {
    std::string bytes(count, '\0');
    DWORD total = 0;
    while (total < count) {
      DWORD n = 0;
      if (!ReadFile(pipe_, bytes.data() + total, count - total, &n, nullptr) || n == 0) break;
      total += n;
    }
    bytes.resize(total);
    return bytes;
  }
  std::optional<uint32_t> reply_;
  HANDLE pipe_, answered_;
  std::thread thread_;
};

}  // namespace updara_test
