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
#include <vector>

#include "common/com_ref_win.h"
#include "common/com_text_win.h"
#include "component/signature_win.h"
#include "tests/fixtures/test_env_win.h"
#include "updara_idl.h"

namespace updara_test {

// Text in the system code page and back.
inline std::wstring Wide(const std::string& text) { return lw::WideText(text); }
inline std::string Ansi(const std::wstring& text) { return lw::AnsiText(text); }

// A file of the build, given by its Unix path, as a Windows path.
inline std::wstring WinPath(const char* unixPath) { return Wide(lw::fixtures::BuildTreeFile(unixPath)); }
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
inline DWORD RunProgram(const std::wstring& commandLine) {
  const long code = lw::fixtures::WaitForExitCode(lw::fixtures::StartProcess(Ansi(commandLine)), 60000);
  if (code == -1) ADD_FAILURE() << "did not end within a minute";
  return DWORD(code);
}

inline DWORD Regsvr32(const wchar_t* switches, const std::wstring& dll = kDll) {
  return RunProgram(std::wstring(L"regsvr32.exe ") + switches + L" \"" + dll + L"\"");
}

// The highest update-information sequence accepted, as the component keeps it for the machine or
// the user; forgetting it lets every test start from none.
inline std::optional<std::uint64_t> AcceptedSequence(HKEY root) {
  std::uint64_t value = 0;
  DWORD size = sizeof value;
  const LSTATUS read =
      RegGetValueA(root, updara::kSequenceKey, updara::kSequenceValue, RRF_RT_QWORD, nullptr, &value, &size);
  return read == ERROR_SUCCESS ? std::optional(value) : std::nullopt;
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
    for (int i = 0; i < 2; ++i) {
      char previous[MAX_PATH] = {};
      if (GetEnvironmentVariableA(kNames[i], previous, sizeof previous) > 0) saved_[i] = previous;
      SetEnvironmentVariableA(kNames[i], folder.c_str());
    }
  }
  TemporaryFolderAs(const TemporaryFolderAs&) = delete;
  TemporaryFolderAs& operator=(const TemporaryFolderAs&) = delete;
  ~TemporaryFolderAs() {
    for (int i = 0; i < 2; ++i) SetEnvironmentVariableA(kNames[i], saved_[i] ? saved_[i]->c_str() : nullptr);
  }

 private:
  static constexpr const char* kNames[2] = {"TMP", "TEMP"};
  std::optional<std::string> saved_[2];  // none where the variable was not set
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
  DWORD thread;
};

// A host's event sink, which lives in the test (on its stack or in its fixture): counted, never
// deleted; it records every event and may act on one.
class Sink final : public IDispatch {
 public:
  std::vector<Event> events;
  std::function<void(const Event&)> onEvent;
  std::atomic<ULONG> refs{1};

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, DIID__IUpdaraComEvents)) {
      *ppv = static_cast<IDispatch*>(this);
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
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override {
    EXPECT_EQ(flags, DISPATCH_METHOD);
    Event e{id, {}, {}, GetCurrentThreadId()};
    for (UINT i = p->cArgs; i-- > 0;) {  // arguments arrive last first
      const VARIANT& v = p->rgvarg[i];
      if (V_VT(&v) == VT_I4)
        e.numbers.push_back(V_I4(&v));
      else if (V_VT(&v) == VT_BSTR)
        e.text = V_BSTR(&v) ? V_BSTR(&v) : L"";
      else if (V_VT(&v) != VT_DISPATCH)  // a file
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
  if (ComRef<IConnectionPoint> point = EventsPoint(object); point.get()) point->Advise(&sink, &cookie);
  EXPECT_NE(cookie, 0u) << "not connected";
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
  VARIANT v = Arg(VT_ERROR);
  V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
  return v;
}

// The failure an automation client reads the component's error number from.
constexpr HRESULT Err(long code) { return static_cast<HRESULT>(0x800A0000u + static_cast<unsigned>(code)); }

// The updater service on its pipe, played by a thread of the test: it reads one request and answers
// it with the given number, or not at all, and keeps the pipe until the test has its answer (at most
// a minute).
class PipeService {
 public:
  explicit PipeService(std::optional<uint32_t> reply) {
    EXPECT_NE(pipe_, INVALID_HANDLE_VALUE);
    thread_ = std::thread([this, reply] {
      ConnectNamedPipe(pipe_, nullptr);
      request = Read(4);  // a text item: its length, high byte first, and its bytes
      if (request.size() == 4) request += Read(uint8_t(request[2]) << 8 | uint8_t(request[3]));
      DWORD n = 0;
      if (reply && WriteFile(pipe_, &*reply, sizeof *reply, &n, nullptr)) FlushFileBuffers(pipe_);
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
    std::string bytes;
    char c = 0;
    DWORD n = 0;
    while (bytes.size() < count && ReadFile(pipe_, &c, 1, &n, nullptr) && n == 1) bytes += c;
    return bytes;
  }
  HANDLE pipe_ = CreateNamedPipeA("\\\\.\\Pipe\\UpdaraPipe", PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096,
                                  4096, 0, nullptr);
  HANDLE answered_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread thread_;
};

}  // namespace updara_test
