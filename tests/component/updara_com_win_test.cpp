// The component object as its hosts see it: Updara.dll registered with regsvr32, objects created
// through COM, called through the vtable and late-bound, events through connection points, error
// objects, and a VBScript client run by cscript.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/updara_errors.h"
#include "tests/component/com_client_win.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/test_env_win.h"
#include "updara_idl.h"

namespace {

using namespace updara_test;

// The description of the thread's current error object; empty when there is none.
std::wstring TakeError() {
  ComRef<IErrorInfo> info;
  BSTR text = nullptr;
  if (GetErrorInfo(0, info.put()) == S_OK && info.get()) info->GetDescription(&text);
  return Text(text);
}

// Lets posted notifications run, as a host's message loop would, until `done` or 5 seconds.
bool Pump(const std::function<bool()>& done) { return lw::fixtures::PumpUntil(done, 5000); }

class UpdaraCom : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(Regsvr32(L"/s"), 0u); }
  static void TearDownTestSuite() { Regsvr32(L"/u /s"); }
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    o = CreateUpdara();
    ASSERT_NE(o.get(), nullptr);
  }
  void TearDown() override {
    o.Reset();
    CoUninitialize();
  }
  // Declared before the object, so that they outlive its references to them.
  Sink sink, other;
  ComRef<IUpdaraCom> o;
};

// ---- properties, arguments and errors ----

TEST_F(UpdaraCom, ReadOnlyValuesAreTheSystemsOwnAnswersWhateverTheHostWrites) {
  EXPECT_EQ(o->put_Version(Bstr(L"9.9")), S_OK);
  EXPECT_EQ(o->put_WinVersion(Bstr(L"9.9")), S_OK);
  EXPECT_EQ(Get(o.get(), &IUpdaraCom::get_Version), L"1.2.4.60");
  // The build as the registry records it; one of Windows 10 or later is not reported as 6.2,
  // whatever this program's manifest says.
  const std::string key = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  const std::string build = lw::fixtures::ReadRaw(HKEY_LOCAL_MACHINE, key, "CurrentBuildNumber").text();
  const std::string version = Ansi(Get(o.get(), &IUpdaraCom::get_WinVersion));
  EXPECT_NE(version.find(".2." + build + "."), std::string::npos) << version;
  EXPECT_TRUE(std::stoi(build) < 10240 || version.rfind("10.0.", 0) == 0) << version;
}

// A caller's by-reference argument without its pointer (or no argument list or name array at all)
// is refused, and nothing is read through it or changed.
TEST_F(UpdaraCom, ArgumentsWithoutTheirPointersAreRefusedAndChangeNothing) {
  VARIANT inner = Arg(VT_BSTR | VT_BYREF), outer = Arg(VT_VARIANT | VT_BYREF);
  V_VARIANTREF(&outer) = &inner;  // a variant by reference holding a text by reference without its pointer
  const VARIANT missing[] = {Arg(VT_BSTR | VT_BYREF), Arg(VT_BOOL | VT_BYREF), Arg(VT_VARIANT | VT_BYREF),
                             Arg(VT_I2 | VT_BYREF), outer};
  ComRef<IUpdFiles> files = RefOf(o.get(), &IUpdaraCom::get_Files);
  ComRef<IUpdFile> file, found;
  ASSERT_EQ(files->Add(Bstr(L"App.exe"), file.put()), S_OK);
  BSTR text = nullptr;
  for (const VARIANT& m : missing) {
    SCOPED_TRACE(V_VT(&m));
    EXPECT_EQ(o->Check(m, MissingArg()), E_POINTER);
    EXPECT_EQ(o->Check(MissingArg(), m), E_POINTER);
    EXPECT_EQ(o->get_StateText(m, &text), E_POINTER);
    EXPECT_EQ(o->put_DialogText(m, nullptr), E_POINTER);
    EXPECT_EQ(files->get_Item(m, found.put()), E_POINTER);
  }
  IDispatch* d = o.get();
  LPOLESTR name = const_cast<LPOLESTR>(L"Check");
  EXPECT_EQ(d->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, nullptr), E_POINTER);
  EXPECT_EQ(d->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
            E_POINTER);
  EXPECT_EQ(StateOf(o.get()), StateNotConnected) << "no check was started";
}

TEST_F(UpdaraCom, FailuresCarryAnErrorObjectWithTheTableTextAndChangeNothing) {
  EXPECT_EQ(o->put_URL(Bstr(L"gopher://example.com/info.txt")), Err(30001));
  EXPECT_EQ(TakeError(), L"Invalid protocol selected.");
  EXPECT_EQ(Get(o.get(), &IUpdaraCom::get_URL), L"");  // the refused URL was not taken

  // Entries are found by name in any case; an unset date is an error, not a date of 1899.
  ComRef<IUpdFiles> files = RefOf(o.get(), &IUpdaraCom::get_Files);
  ComRef<IUpdFile> a, b, found;
  ASSERT_EQ(files->Add(Bstr(L"Ledgerwell.exe"), a.put()), S_OK);
  ASSERT_EQ(files->Add(Bstr(L"Updara.dll"), b.put()), S_OK);
  Bstr name(L"updara.DLL");
  VARIANT byName = Arg(VT_BSTR);
  V_BSTR(&byName) = name;
  ASSERT_EQ(files->get_Item(byName, found.put()), S_OK);
  EXPECT_EQ(found.get(), b.get());
  DATE date = 1;
  EXPECT_EQ(b->get_NewModificationDate(&date), Err(30007));
  EXPECT_EQ(TakeError(), L"Date not set.");
}

// ---- the state machine and its events ----

TEST_F(UpdaraCom, CheckFiresItsEventsOnTheCallersThreadRefusesWhileBusyAndCanBlockAndBeCancelled) {
  Connect(o.get(), sink);
  ASSERT_EQ(o->Check(MissingArg(), MissingArg()), S_OK);
  // Entering the state is announced before Check returns.
  EXPECT_EQ(sink.OldStates(), std::vector<long>{0});
  EXPECT_EQ(StateOf(o.get()), StateCheckingUpdates);
  // Busy: refused with the table's text, and nothing changes.
  EXPECT_EQ(o->Download(), Err(30002));
  EXPECT_EQ(TakeError(), L"Invalid state. Component already busy.");
  EXPECT_EQ(sink.events.size(), 1u);

  Pump([&] { return !sink.Of(EventCheckDone).empty(); });
  ASSERT_EQ(sink.events.size(), 3u);
  EXPECT_EQ(sink.OldStates(), (std::vector<long>{0, 1}));
  EXPECT_EQ(sink.events[2].numbers, (std::vector<long>{0, 0}));  // CheckDone: nothing new, no error
  for (const Event& e : sink.events) EXPECT_EQ(e.thread, GetCurrentThreadId());
  EXPECT_EQ(StateOf(o.get()), StateNotConnected);

  // A blocking call returns after its events; Cancel inside a handler makes it return cancelled.
  sink.events.clear();
  ASSERT_EQ(o->put_Blocking(VARIANT_TRUE), S_OK);
  IUpdaraCom* raw = o.get();
  sink.onEvent = [raw](const Event& e) {
    if (e.id == EventStateChange && e.numbers == std::vector<long>{0}) raw->Cancel();
  };
  EXPECT_EQ(o->Check(MissingArg(), MissingArg()), Err(30004));
  EXPECT_EQ(TakeError(), L"Method was cancelled.");
  ASSERT_EQ(sink.Of(EventCheckDone).size(), 1u);
  EXPECT_EQ(sink.Of(EventCheckDone)[0].numbers, (std::vector<long>{0, 30004}));
  sink.onEvent = nullptr;
  EXPECT_EQ(o->Check(MissingArg(), Short(0)), S_OK) << "the next check starts with the cancel cleared";
  EXPECT_EQ(sink.Of(EventCheckDone).size(), 2u);
  EXPECT_EQ(ValueOf(o.get(), &IUpdaraCom::get_Visible), VARIANT_FALSE);  // set by Check's argument
}

TEST_F(UpdaraCom, UpdateOfAnEntryWithoutAPlainFullPathMovesNothingAndSaysSo) {
  Connect(o.get(), sink);
  lw::fixtures::ScratchFolder dir;
  WriteAll(dir.Win("new.dll"), "new");
  ComRef<IUpdFile> file;
  ASSERT_EQ(RefOf(o.get(), &IUpdaraCom::get_Files)->Add(Bstr(L"a.dll"), file.put()), S_OK);
  ASSERT_EQ(file->put_NewPath(Bstr(Wide(dir.Win("new.dll")).c_str())), S_OK);
  ASSERT_EQ(file->put_Path(Bstr(L"..\\a.dll")), S_OK);
  ASSERT_EQ(o->Update(), S_OK);
  Pump([&] { return !sink.Of(EventUpdateDone).empty(); });
  ASSERT_EQ(sink.Of(EventUpdateDone).size(), 1u);
  EXPECT_EQ(sink.Of(EventUpdateDone)[0].numbers, std::vector<long>{30026});
  EXPECT_TRUE(std::filesystem::exists(dir.Path("new.dll")));
}

TEST_F(UpdaraCom, AHostThatLetsGoInsideAHandlerGetsNoFurtherEvents) {
  Connect(o.get(), sink);
  ASSERT_EQ(o->Check(MissingArg(), MissingArg()), S_OK);
  sink.onEvent = [this](const Event& e) {
    if (e.id == EventStateChange) o.Reset();  // the host's last reference
  };
  ASSERT_TRUE(Pump([&] { return o.get() == nullptr; }));
  lw::fixtures::PumpFor(200);
  EXPECT_TRUE(sink.Of(EventCheckDone).empty());
  EXPECT_EQ(FindWindowA("EmptyUpdaraClass", "EmptyUpdaraWindow"), nullptr);  // the object and its window are gone
}

// An enumerator lists the connections as they were when it was made, each with a reference of the
// caller's own.
TEST_F(UpdaraCom, ConnectionsAreEnumeratedAsTheyWereWhenTheEnumeratorWasMade) {
  ComRef<IConnectionPoint> point = EventsPoint(o.get());
  const DWORD cookieA = Connect(o.get(), sink), cookieB = Connect(o.get(), other);
  ComRef<IEnumConnections> connections;
  ASSERT_EQ(point->EnumConnections(connections.put()), S_OK);
  ASSERT_EQ(point->Unadvise(cookieA), S_OK);
  CONNECTDATA data[3] = {};
  ULONG fetched = 0;
  const ULONG held = other.refs;
  EXPECT_EQ(connections->Next(3, data, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(std::vector<DWORD>({data[0].dwCookie, data[1].dwCookie}), (std::vector<DWORD>{cookieA, cookieB}));
  EXPECT_EQ(data[1].pUnk, static_cast<IUnknown*>(&other));
  EXPECT_EQ(other.refs.load(), held + 1);
  for (ULONG i = 0; i < fetched; ++i) data[i].pUnk->Release();
  connections.Reset();
  EXPECT_EQ(sink.refs.load(), 1u);  // unadvised and no longer listed: let go of
}

// ---- the updater name and the updater service ----

// The name is a lock, and a plain file name: the updater's files are named after it.
TEST_F(UpdaraCom, UpdaterNameHoldsItsMutexAndRefusesATakenNameOrOneThatWouldLeaveTheTemporaryFolder) {
  EXPECT_EQ(o->put_UpdaterName(Bstr(L"..\\..\\Windows\\x")), Err(30016));
  EXPECT_EQ(TakeError(), L"Name not valid, it must be a plain file name. Please use different UpdaterName.");
  EXPECT_EQ(Get(o.get(), &IUpdaraCom::get_UpdaterName), L"Updara");
  HANDLE m = OpenMutexA(SYNCHRONIZE, FALSE, "Updara");
  ASSERT_NE(m, nullptr) << "the lock of the name kept is still held";
  CloseHandle(m);

  ComRef<IUpdaraCom> second = CreateUpdara();
  ASSERT_NE(second.get(), nullptr);
  EXPECT_EQ(second->put_UpdaterName(Bstr(L"Updara")), Err(30003));
  EXPECT_EQ(TakeError(), L"Name not unique, cannot obtain lock. Please use different UpdaterName.");
}

TEST_F(UpdaraCom, TheUpdaterServiceIsAskedOnItsPipeAndOneThatDoesNotAnswerIsNone) {
  const std::pair<std::optional<uint32_t>, VARIANT_BOOL> services[] = {
      {1, VARIANT_TRUE}, {0, VARIANT_FALSE}, {std::nullopt, VARIANT_FALSE}};
  for (const auto& [reply, running] : services) {
    SCOPED_TRACE(reply ? std::to_string(*reply) : "no answer");
    PipeService service(reply);
    EXPECT_EQ(ValueOf(o.get(), &IUpdaraCom::get_ServiceIsRunning), running);
    service.Answered();
    EXPECT_EQ(service.request, std::string("\0\0\0\x06#TEST#", 10));
    EXPECT_FALSE(service.callerStillWaiting) << "the question was not given up on";
  }
}

// The library registered under the header's LIBID (widl can write a wrong one), where each member of
// UpdaraErrors has an error number for its ID and the text its events and errors carry for its help.
TEST_F(UpdaraCom, TheRegisteredTypeLibraryDocumentsEveryErrorNumberWithItsText) {
  ComRef<ITypeLib> lib;
  ASSERT_EQ(LoadRegTypeLib(LIBID_UPDARACOMLib, 1, 0, 0x409, lib.put()), S_OK);

  ComRef<ITypeInfo> errors;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(DIID_UpdaraErrors, errors.put()), S_OK);
  std::vector<long> documented, table;
  FUNCDESC* f = nullptr;
  for (UINT i = 0; errors->GetFuncDesc(i, &f) == S_OK; ++i) {
    BSTR help = nullptr;
    ASSERT_EQ(errors->GetDocumentation(f->memid, nullptr, &help, nullptr, nullptr), S_OK);
    EXPECT_EQ(Ansi(Text(help)), updara::ErrorText(f->memid)) << f->memid;
    documented.push_back(f->memid);
    errors->ReleaseFuncDesc(f);
  }
  // Every number of the component's own part of the table, and nothing else.
  for (long n = updara::kInvalidProtocol; std::string(updara::ErrorText(n)) != "Unrecognized Error."; ++n)
    table.push_back(n);
  EXPECT_EQ(documented, table);
}

// Late-bound by name through the system's dispatcher: an optional argument left out, a text by its
// name in any case and by its index, and a failure as an exception with the table's text.
TEST_F(UpdaraCom, AVBScriptClientUsesTheObjectLateBound) {
  lw::fixtures::ScratchFolder scratch;
  const std::string script = scratch.Win("client.vbs");
  // Each check quits with its own number, so a failure says which one.
  WriteAll(script,
           "Set o = CreateObject(\"Kivra.UpdaraCom\")\n"
           "If o.StateText <> \"Not connected - idle.\" Then WScript.Quit 10\n"
           "If o.StateText(3) <> \"Replacing files.\" Then WScript.Quit 11\n"
           "If o.DialogText(\"cANCEL\") <> \"Cancel\" Then WScript.Quit 12\n"
           "o.DialogText(\"cANCEL\") = \"Abbrechen\"\n"
           "If o.DialogText(1) <> \"Abbrechen\" Then WScript.Quit 13\n"
           "o.Check\n"
           "If o.State <> 1 Then WScript.Quit 14\n"
           "On Error Resume Next\n"
           "o.Check\n"
           "If Err.Number <> 30002 Or Err.Source <> \"Kivra.UpdaraCom.1\" Then WScript.Quit 15\n"
           "If Err.Description <> \"Invalid state. Component already busy.\" Then WScript.Quit 16\n"
           "WScript.Quit 0\n");
  EXPECT_EQ(RunProgram(L"cscript.exe //nologo \"" + Wide(script) + L"\""), 0u);
}

}  // namespace
