// Putting files in place, in real processes: a host of the registered component (lw_updara_host.exe)
// runs Check, Download and Update on a local update-information file; its own file, files held open
// and rights taken away make the updater and the restarter do their part. The component is used in
// this process only where it never hands over (a hand-over ends its host).
#include <gtest/gtest.h>
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <deque>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "app/tools/files_win.h"
#include "common/updara_errors.h"
#include "component/file_replacement_win.h"
#include "component/processes_win.h"
#include "component/replacement_list.h"
#include "tests/component/com_client_win.h"
#include "tests/fixtures/program_win.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/test_env_win.h"
#include "updara_idl.h"

namespace {

using namespace updara_test;
using lw::GetFileVersion;
using lw::fixtures::BuildTreeFile;
using lw::fixtures::PumpUntil;
using lw::fixtures::WriteStampedCopy;

constexpr long kHostWithoutComponent = 8;  // the host's exit code when it could not create the component

std::string HostExe() { return BuildTreeFile(LW_UPDARA_HOST_EXE); }
std::string ServerDll() { return BuildTreeFile(LW_TEST_SERVER_DLL); }

// The version a copy of the test server recorded when it was registered; empty when none is.
std::string RegisteredVersion(const std::string& fileName) {
  return lw::fixtures::ReadRaw(HKEY_CURRENT_USER, "Software\\Ledgerwell Tests\\Servers", fileName).text();
}

// An entry of the update-information file, with further "key=value" lines.
struct Entry {
  std::string name, folder, url, extra = {};
};

// Runs a program with this one's environment to its end and answers its exit code (-1 when it was
// still running after a minute, and is ended); for a user without administrator rights, with the
// Administrators group taken out of its token.
long RunToEnd(std::string commandLine, bool admin) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION process{};
  HANDLE own = nullptr, restricted = nullptr;
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &admins);
  SID_AND_ATTRIBUTES disabled{admins, 0};
  if (!admin && OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &own))
    CreateRestrictedToken(own, 0, 1, &disabled, 0, nullptr, 0, nullptr, &restricted);
  EXPECT_TRUE(admin || restricted) << "no restricted token: " << GetLastError();
  char* line = commandLine.data();
  const BOOL started = admin
                           ? CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process)
                           : CreateProcessAsUserA(restricted, nullptr, line, nullptr, nullptr, FALSE, 0, nullptr,
                                                  nullptr, &si, &process);
  EXPECT_TRUE(started) << commandLine << " error " << GetLastError();
  for (HANDLE h : {restricted, own})
    if (h) CloseHandle(h);
  FreeSid(admins);
  return started ? lw::fixtures::WaitForExitCode(process, 60000) : -1;
}

// A folder of the program, one of its new files, and a temporary folder of the test's own, which
// every process started here inherits with the marker a restarted host writes.
class UpdaraUpdate : public ::testing::Test {
 protected:
  // The component as a build without a key ring makes it: it takes the tests' unsigned documents.
  static void SetUpTestSuite() { ASSERT_EQ(Regsvr32(L"/s", kDllWithoutKeys), 0u); }
  static void TearDownTestSuite() { Regsvr32(L"/u /s", kDllWithoutKeys); }
  void SetUp() override {
    SetEnvironmentVariableA("LW_RESTART_MARKER", marker.c_str());
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  }
  void TearDown() override {
    hosts.clear();
    CoUninitialize();
    SetEnvironmentVariableA("LW_RESTART_MARKER", nullptr);
    for (const char* server : {"server.dll", "refuse.dll"})
      lw::fixtures::DeleteRaw(HKEY_CURRENT_USER, "Software\\Ledgerwell Tests\\Servers", server);
  }

  std::string Folder(const char* name) {
    std::filesystem::create_directories(dir.Path(name));
    return updara::LongPathOf(dir.Win(name)) + "\\";
  }
  // Writes the update-information file of these entries.
  void Document(const std::vector<Entry>& entries) {
    std::string text = "#Update file signature\r\n";
    for (const Entry& e : entries)
      text += "[File]\r\nname=" + e.name + "\r\npath=" + e.folder + "\r\nurl=" + e.url + "\r\n" + e.extra + "\r\n";
    WriteAll(dir.Win("upd.txt"), text);
  }
  // Runs the host (this program's copy at `program`, the built one by default) on the settings
  // and the document; answers its exit code.
  long RunHost(std::map<std::string, std::string> settings, bool admin = true, std::string program = HostExe()) {
    settings.insert({{"log", log}, {"check", dir.Win("upd.txt")}, {"visible", "0"}, {"rule", "255"}});
    std::string text;
    for (const auto& [key, value] : settings) text += key + "=" + value + "\r\n";
    WriteAll(dir.Win("settings.txt"), text);
    const auto run = [&] { return RunToEnd("\"" + program + "\" \"" + dir.Win("settings.txt") + "\"", admin); };
    long code = run();
    // Now and then Wine fails to load a library's Unix side in a new process; the component
    // then cannot be loaded (E_ACCESSDENIED) and the host ends before doing anything.
    if (code == kHostWithoutComponent) {
      std::cerr << "the host could not create the component; starting it again\n";
      DeleteFileA(log.c_str());
      code = run();
    }
    return code;
  }
  // The host logged this line, or a line that starts so (each event is one).
  bool Logged(const std::string& line, const char* end = "\r\n") const {
    return ("\n" + ReadAll(log)).find("\n" + line + end) != npos;
  }
  // A file of the program and its new version, to be fetched from `fresh`.
  void OldAndNew(const std::string& name, const std::string& old, const std::string& next) {
    WriteAll(app + name, old), WriteAll(fresh + name, next);
  }
  // A copy of the test server in the program's folder, registered, and its new version.
  void OldAndNewServer(const std::string& name, const std::string& version, const std::string& text = "") {
    WriteStampedCopy(ServerDll(), app + name, "1.0.0.0");
    ASSERT_EQ(updara::CallServerEntry(app + name, "DllRegisterServer"), S_OK);
    WriteStampedCopy(ServerDll(), fresh + name, version, text);
  }
  std::string Restart() const { return "\"" + HostExe() + "\" --restarted \"" + marker + "\""; }
  // The updater of that name has started the program again and ended.
  bool Restarted(const std::string& name) const {
    return PumpUntil([&] { return lw::FileExists(marker); }, 60000) &&
           PumpUntil([&] { return updara::ProcessesRunning(temp + name + "Upd.exe").empty(); }, 30000);
  }
  // What the component and the updater left in the temporary folder and beside the files.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const std::string& folder : {temp, app})
      for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (e.is_regular_file() && (folder == temp || name.find(".updara-") != npos)) names.push_back(name);
      }
    std::sort(names.begin(), names.end());
    return names;
  }

  // The component in this process, where it never hands over: an object named so, and the sink of
  // its events, which outlives it.
  struct Host {
    Sink sink;
    ComRef<IUpdaraCom> o;
  };
  Host& Create(const wchar_t* name = nullptr) {
    Host& h = hosts.emplace_back();
    h.o = CreateUpdara();
    EXPECT_NE(h.o.get(), nullptr);
    if (h.o.get()) Connect(h.o.get(), h.sink);
    if (h.o.get() && name) {
      EXPECT_EQ(h.o->put_UpdaterName(Bstr(name)), S_OK);
    }
    return h;
  }
  void Add(IUpdaraCom* o, const std::string& path, const std::string& newPath) {
    ComRef<IUpdFile> f;
    const std::string name = std::filesystem::path(path).filename().string();
    EXPECT_EQ(RefOf(o, &IUpdaraCom::get_Files)->Add(Bstr(Wide(name).c_str()), f.put()), S_OK);
    f->put_Path(Bstr(Wide(path).c_str())), f->put_NewPath(Bstr(Wide(newPath).c_str()));
  }
  // The first UpdateDone's code after Update.
  long UpdateCode(Host& h) {
    EXPECT_EQ(h.o->Update(), S_OK);
    EXPECT_TRUE(PumpUntil([&] { return !h.sink.Of(EventUpdateDone).empty(); }, 5000));
    return h.sink.Of(EventUpdateDone).empty() ? -1 : h.sink.Of(EventUpdateDone)[0].numbers.at(0);
  }

  static constexpr size_t npos = std::string::npos;
  lw::fixtures::ScratchFolder dir;
  std::string app = Folder("app"), fresh = Folder("new"), temp = Folder("tmp");
  TemporaryFolderAs tmp{temp};
  std::string marker = dir.Win("marker.txt"), log = dir.Win("log.txt"), victim = Folder("victim");
  std::deque<Host> hosts;
};

// An administrator's files that are not in use are put in place at once; the running program's own
// file is left to the updater, which starts it again with its command line.
TEST_F(UpdaraUpdate, TheRunningProgramsOwnFileIsPutInPlaceByTheUpdaterWhichStartsItAgainWithItsCommandLine) {
  const std::string program = app + "host.exe";
  WriteStampedCopy(HostExe(), program, "1.0.0.0");
  WriteStampedCopy(HostExe(), fresh + "host.exe", "2.0.0.0");
  WriteStampedCopy(ServerDll(), app + "server.dll", "1.0.0.0");
  WriteStampedCopy(ServerDll(), fresh + "server.dll", "2.0.0.0");
  WriteAll(fresh + "data.txt", "new data");
  Document({{"host.exe", app, fresh + "host.exe", "version=2.0.0.0\r\n"},
            {"server.dll", app, fresh + "server.dll", "version=2.0.0.0\r\nregister=1\r\n"},
            {"data.txt", app + "docs\\", fresh + "data.txt"}});
  const std::string cmdLine = "\"" + program + "\" --restarted \"" + marker + "\"";
  RunHost({{"name", "LwOwnFile"}, {"cmdline", cmdLine}}, true, program);
  EXPECT_TRUE(Logged("CloseApp")) << ReadAll(log);
  EXPECT_FALSE(Logged("UpdateDone", ""));
  EXPECT_EQ(GetFileVersion(app + "server.dll"), "2.0.0.0") << "put in place by the host itself";
  EXPECT_EQ(RegisteredVersion("server.dll"), "2.0.0.0");
  // In a folder made for it.
  EXPECT_EQ(ReadAll(app + "docs\\data.txt"), "new data");
  // The updater waited for the program to end, put its new file in place and started it again.
  ASSERT_TRUE(Restarted("LwOwnFile"));
  EXPECT_EQ(ReadAll(marker), cmdLine);
  EXPECT_EQ(GetFileVersion(program), "2.0.0.0");
  EXPECT_EQ(Leftovers(), std::vector<std::string>{"LwOwnFileUpd.exe"});
}

// Where the program could not be started again (no command line), nothing is handed over, and the
// restarter already started is ended rather than signalled, so that no second host starts.
TEST_F(UpdaraUpdate, AnElevatedStartThatFailsEndsTheRestarterInsteadOfStartingASecondHost) {
  OldAndNew("data.txt", "old data", "new data");
  Document({{"data.txt", app, fresh + "data.txt"}});
  RunHost({{"name", "LwElevated"}, {"requireadmin", "1"}, {"cmdline", ""}}, false);
  EXPECT_TRUE(Logged("UpdateDone 30005 Failed to start updater program.")) << ReadAll(log);
  EXPECT_FALSE(Logged("CloseApp"));
  EXPECT_FALSE(PumpUntil([&] { return lw::FileExists(marker); }, 2000)) << "a second host started";
  EXPECT_TRUE(updara::ProcessesRunning(temp + "LwElevatedStr.exe").empty());
}

// The updater is killed while the second of two files is still held by another program: the first
// is the new file, the second the old one, each whole. The component of the program started again by
// hand undoes the run when it takes the updater's name.
TEST_F(UpdaraUpdate, ARunCutShortIsUndoneByTheComponentWhenItTakesItsNameAndItsFilesStillWait) {
  OldAndNew("first.txt", "old first", "new first");
  OldAndNew("second.txt", "old second", "new second");
  Document({{"first.txt", app, fresh + "first.txt"}, {"second.txt", app, fresh + "second.txt"}});
  lw::fixtures::LockedFile holder(app + "second.txt", 60000);
  RunHost({{"name", "LwKilled"}, {"cmdline", Restart()}}, false);
  ASSERT_TRUE(PumpUntil([&] { return ReadAll(app + "first.txt") == "new first"; }, 30000)) << ReadAll(log);
  EXPECT_EQ(updara::EndProcessesRunning(temp + "LwKilledUpd.exe", 1), 1);
  holder.Release();
  EXPECT_EQ(ReadAll(app + "first.txt.updara-old"), "old first");
  EXPECT_EQ(ReadAll(app + "second.txt"), "old second");
  EXPECT_TRUE(lw::FileExists(temp + "LwKilled.udj"));
  EXPECT_FALSE(lw::FileExists(marker)) << "the updater never got to start the program";

  auto& [sink, o] = Create(L"LwKilled");
  PumpUntil([&] { return !sink.Of(EventPrevDetected).empty(); }, 5000);
  EXPECT_EQ(ReadAll(app + "first.txt"), "old first");
  EXPECT_EQ(ReadAll(app + "second.txt"), "old second");
  EXPECT_FALSE(lw::FileExists(app + "first.txt.updara-old"));
  EXPECT_FALSE(lw::FileExists(temp + "LwKilled.udj"));
  // The downloads are still there: the run can be made again, or cleared.
  EXPECT_EQ(sink.Of(EventPrevDetected).size(), 1u);
  ASSERT_EQ(o->Clear(), S_OK);
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
}

// A server that will not register undoes the whole run, registrations and a file new to the
// program included, whoever made it: the host, whose Update then fails with 30008 and leaves the
// object in StateUpdating, or the updater where rights are needed (launched with "runas", there
// being no service), which says what failed; the restarter then still starts the host's program,
// without arguments.
TEST_F(UpdaraUpdate, AFailedRegistrationUndoesTheRunAndIsReportedByTheHostOrTheUpdater) {
  for (const bool admin : {false, true}) {
    SCOPED_TRACE(admin ? "the host" : "the updater");
    const std::string name = admin ? "LwInHost" : "LwByUpdater";
    DeleteFileA(log.c_str());
    OldAndNew("data.txt", "old data", "new data");
    WriteAll(fresh + "added.txt", "a file new to the program");
    OldAndNewServer("server.dll", "2.0.0.0");
    OldAndNewServer("refuse.dll", "3.0.0.0", "refuse");
    Document({{"data.txt", app, fresh + "data.txt"},
              {"added.txt", app, fresh + "added.txt"},
              {"server.dll", app, fresh + "server.dll", "register=1\r\n"},
              {"refuse.dll", app, fresh + "refuse.dll", "register=1\r\n"}});
    RunHost({{"name", name}, {"cmdline", Restart()}, {"visible", admin ? "0" : "1"}, {"requireadmin", "1"}}, admin);
    if (admin) {
      EXPECT_TRUE(Logged("Update 800A7538")) << ReadAll(log);  // 30008 as the method's failure
      EXPECT_TRUE(Logged("State 3"));
      EXPECT_FALSE(Logged("UpdateDone", ""));
      for (const std::string& left : Leftovers()) EXPECT_EQ(left.find(".updara-"), npos) << left;
      EXPECT_FALSE(lw::FileExists(temp + name + ".udj"));
    } else {
      HWND box = nullptr;
      ASSERT_TRUE(
          PumpUntil([&] { return (box = FindWindowA("#32770", "Failed to register server!")) != nullptr; }, 30000))
          << ReadAll(log);
      EXPECT_EQ(lw::fixtures::MessageBoxText(box), app + "refuse.dll");
      EXPECT_FALSE(lw::FileExists(marker)) << "the program starts once the message is read";
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      ASSERT_TRUE(Restarted(name));
      EXPECT_EQ(ReadAll(marker), "\"" + HostExe() + "\"");
      EXPECT_TRUE(PumpUntil([&] { return updara::ProcessesRunning(temp + name + "Str.exe").empty(); }, 10000));
      // The two programs stay until the next object of that name deletes them.
      EXPECT_EQ(Leftovers(), (std::vector<std::string>{name + "Str.exe", name + "Upd.exe"}));
    }
    EXPECT_EQ(ReadAll(app + "data.txt"), "old data");
    EXPECT_FALSE(lw::FileExists(app + "added.txt"));
    for (const char* server : {"server.dll", "refuse.dll"}) {
      EXPECT_EQ(GetFileVersion(app + server), "1.0.0.0") << server;
      EXPECT_EQ(RegisteredVersion(server), "1.0.0.0") << server;
    }
  }
}

TEST_F(UpdaraUpdate, TheUpdaterActsOnlyOnItsOwnListWhenItWasWrittenByTheComponent) {
  const std::string updater = temp + "LwListUpd.exe";
  ASSERT_TRUE(CopyFileA(BuildTreeFile(LW_UPDARA_UPD_EXE).c_str(), updater.c_str(), FALSE));
  // A list naming the customer's file as a source; the other faults of a line are the native
  // suite's cases (FindListFault).
  WriteAll(victim + "ledger-backup.xlsx", "the customer's own file");
  WriteAll(app + "data.txt", "old data");
  WriteAll(temp + "LwList.uda", "#UDA Signature" + Restart() + "\r\n0\r\n\r\n\r\n" + victim + "ledger-backup.xlsx>" +
                                    app + "data.txt|0|0|0|0\r\n");
  EXPECT_NE(RunToEnd("\"" + updater + "\" \"" + temp + "LwList.uda\"", true), -1);
  EXPECT_EQ(ReadAll(victim + "ledger-backup.xlsx"), "the customer's own file");
  EXPECT_EQ(ReadAll(app + "data.txt"), "old data");
}

TEST_F(UpdaraUpdate, TheClearingCallsDeleteOnlyTheComponentsOwnDownloadsWhateverAListNames) {
  const std::string list = temp + "LwClear.uda";
  const std::pair<const char*, HRESULT (*)(IUpdaraCom*)> calls[] = {
      {"Clear", [](IUpdaraCom* o) { return o->Clear(); }},
      {"Reset", [](IUpdaraCom* o) { return o->Reset(); }},
      {"Check", [](IUpdaraCom* o) { return o->Check(MissingArg(), MissingArg()); }},
      {"Download", [](IUpdaraCom* o) { return o->Download(); }},
  };
  for (const auto& [call, run] : calls) {
    SCOPED_TRACE(call);
    // What another program wrote, named like the component's downloads or not, and the component's own.
    for (const std::string& file :
         {victim + "ledger-backup.xlsx", victim + "UDX2.tmp", temp + "notes.txt", temp + "UDX1.tmp", temp + "UDX3.tmp"})
      WriteAll(file, "contents");
    WriteAll(list, "#UDA Signature\"C:\\host.exe\"\r\n0\r\n\r\n\r\n" + victim +
                       "ledger-backup.xlsx>C:\\x.dll|0|0|0|0\r\n" + temp + "UDX1.tmp>C:\\y.dll|0|0|0|0\r\n" + victim +
                       "UDX2.tmp>C:\\z.dll|0|0|0|0\r\n" + temp + "notes.txt>C:\\w.dll|0|0|0|0\r\n");
    auto& [sink, o] = Create(L"LwClear");
    lw::fixtures::PumpFor(100);
    EXPECT_TRUE(sink.Of(EventPrevDetected).empty()) << "a list naming other files is no earlier run of ours";
    Add(o.get(), victim + "a.dll", victim + "ledger-backup.xlsx");
    Add(o.get(), victim + "b.dll", temp + "UDX3.tmp");
    EXPECT_EQ(run(o.get()), S_OK);
    for (const std::string& kept : {victim + "ledger-backup.xlsx", victim + "UDX2.tmp", temp + "notes.txt"})
      EXPECT_TRUE(lw::FileExists(kept)) << kept;
    for (const std::string& gone : {temp + "UDX1.tmp", temp + "UDX3.tmp", list})
      EXPECT_FALSE(lw::FileExists(gone)) << gone;
    PumpUntil([&] { return StateOf(o.get()) == StateNotConnected; }, 5000);
    hosts.clear();
  }
}

TEST_F(UpdaraUpdate, ARunThatLeftItsListIsDetectedAndAListThatCannotBeActedOnIsRefused) {
  // A download that arrived and was never put in place, and its list.
  WriteAll(temp + "UDX1.tmp", "new content");
  updara::ReplacementList earlier;
  earlier.files.push_back({false, temp + "UDX1.tmp", victim + "a.txt", 0, 0});
  WriteAll(temp + "LwEarlier.uda", updara::FormatReplacementList(earlier));

  // The next object of that name finds it.
  Host& first = Create(L"LwEarlier");
  auto& [sink, o] = first;
  EXPECT_TRUE(PumpUntil([&] { return !sink.Of(EventPrevDetected).empty(); }, 5000));

  // The earlier list names a file outside every folder of this object's entries (it has none):
  // Update refuses it, and nothing is handed over.
  EXPECT_EQ(UpdateCode(first), updara::kListRefused);
  EXPECT_TRUE(sink.Of(EventCloseApp).empty());
  EXPECT_FALSE(lw::FileExists(victim + "a.txt"));
  EXPECT_FALSE(lw::FileExists(temp + "LwEarlierUpd.exe"));

  // A second object of the same name holds no lock: its Update touches nothing of the first's, and
  // its Clear leaves the list.
  Host& second = Create();
  EXPECT_EQ(second.o->put_UpdaterName(Bstr(L"LwEarlier")), Err(updara::kNameNotUnique));
  EXPECT_EQ(UpdateCode(second), updara::kNameNotUnique);
  ASSERT_EQ(second.o->Clear(), S_OK);
  EXPECT_TRUE(lw::FileExists(temp + "LwEarlier.uda"));
  EXPECT_TRUE(lw::FileExists(temp + "UDX1.tmp"));
}

}  // namespace
