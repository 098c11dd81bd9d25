// Putting files in place, in real processes: a host of the registered component (lw_updara_host.exe)
// runs Check, Download and Update against a local update-information file; its own program file,
// files held open by another process and rights taken away make the updater and the restarter do
// their part; the updater is killed between two files; lists that are not the component's own are
// handed to it. The component itself is used in this process only where it never hands over (a
// hand-over ends its host).
#include <gtest/gtest.h>
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <deque>
#include <filesystem>
#include <iostream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "component/file_replacement_win.h"
#include "component/hand_over.h"
#include "component/processes_win.h"
#include "component/replacement_list.h"
#include "tests/component/com_client_win.h"
#include "tests/fixtures/program_win.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/test_env_win.h"
#include "updara_idl.h"

namespace {

using lw::fixtures::BuildTreeFile;
using lw::fixtures::LockedFile;
using lw::fixtures::ScratchFolder;
using lw::fixtures::WriteStampedCopy;
using updara_test::Bstr;
using updara_test::ReadAll;
using updara_test::Ref;
using updara_test::Sink;
using updara_test::WriteAll;

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}
bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool WaitFor(const std::function<bool()>& done, DWORD ms) {
  for (const ULONGLONG end = GetTickCount64() + ms; !done(); Sleep(50))
    if (GetTickCount64() > end) return false;
  return true;
}

// The host's exit code when it could not create the component.
constexpr long kHostWithoutComponent = 8;

std::string HostExe() { return BuildTreeFile(LW_UPDARA_HOST_EXE); }
std::string ServerDll() { return BuildTreeFile(LW_TEST_SERVER_DLL); }

// The version a copy of the test server recorded when it was registered; empty when none is.
std::string RegisteredVersion(const std::string& fileName) {
  return lw::fixtures::ReadRaw(HKEY_CURRENT_USER, "Software\\Ledgerwell Tests\\Servers", fileName).text();
}
void Register(const std::string& path) { ASSERT_EQ(updara::CallServerEntry(path, "DllRegisterServer"), S_OK); }

std::string FileVersionOf(const std::string& path) {
  DWORD handle = 0;
  std::vector<char> block(GetFileVersionInfoSizeA(path.c_str(), &handle));
  VS_FIXEDFILEINFO* info = nullptr;
  UINT size = 0;
  if (block.empty() || !GetFileVersionInfoA(path.c_str(), 0, DWORD(block.size()), block.data()) ||
      !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &size))
    return {};
  return std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(info->dwFileVersionLS)) + "." + std::to_string(LOWORD(info->dwFileVersionLS));
}

// A local time as the UTC file time the component sets.
ULONGLONG UtcOf(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
  SYSTEMTIME local{year, month, 0, day, hour, minute, 0, 0}, utc{};
  FILETIME ft{};
  EXPECT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc));
  SystemTimeToFileTime(&utc, &ft);
  return ULONGLONG(ft.dwHighDateTime) << 32 | ft.dwLowDateTime;
}
std::string Halves(ULONGLONG t) {
  return "|" + std::to_string(int32_t(t >> 32)) + "|" + std::to_string(int32_t(t & 0xFFFFFFFF));
}

// An entry of the update-information file.
struct Entry {
  Entry(std::string n, std::string f, std::string u, std::string x = "")
      : name(std::move(n)), folder(std::move(f)), url(std::move(u)), extra(std::move(x)) {}
  std::string name, folder, url;
  std::string extra;  // further "key=value" lines
};

// A process started with the given variables added to this one's environment, and, for a user
// without administrator rights, with the Administrators group taken out of its token.
class Started {
 public:
  Started(std::string commandLine, const std::map<std::string, std::string>& variables, bool admin) {
    std::string block;
    for (const char* e = GetEnvironmentStringsA(); *e; e += strlen(e) + 1) {
      const std::string entry(e);
      const std::string name = entry.substr(0, entry.find('=', 1));
      if (!variables.count(name)) block += entry + '\0';
    }
    for (const auto& [name, value] : variables) block += name + "=" + value + '\0';
    block += '\0';
    STARTUPINFOA si{};
    si.cb = sizeof si;
    BOOL started = FALSE;
    if (admin) {
      started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, block.data(), nullptr, &si,
                               &process_);
    } else {
      HANDLE own = nullptr, restricted = nullptr;
      SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
      PSID admins = nullptr;
      AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &admins);
      SID_AND_ATTRIBUTES disabled{admins, 0};
      if (OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &own) &&
          CreateRestrictedToken(own, 0, 1, &disabled, 0, nullptr, 0, nullptr, &restricted))
        started = CreateProcessAsUserA(restricted, nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                       block.data(), nullptr, &si, &process_);
      if (restricted) CloseHandle(restricted);
      if (own) CloseHandle(own);
      FreeSid(admins);
    }
    EXPECT_TRUE(started) << commandLine << " error " << GetLastError();
  }
  ~Started() {
    if (!process_.hProcess) return;
    if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  Started(const Started&) = delete;
  Started& operator=(const Started&) = delete;
  DWORD Id() const { return process_.dwProcessId; }
  // The exit code once it ended within the time; -1 otherwise.
  long Wait(DWORD ms = 60000) const {
    DWORD code = DWORD(-1);
    if (!process_.hProcess || WaitForSingleObject(process_.hProcess, ms) != WAIT_OBJECT_0) return -1;
    GetExitCodeProcess(process_.hProcess, &code);
    return long(code);
  }

 private:
  PROCESS_INFORMATION process_{};
};

// The component as a build without a key ring makes it: it takes the tests' unsigned documents.
class UpdaraUpdate : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(updara_test::Regsvr32(L"/s", updara_test::kDllWithoutKeys), 0u); }
  static void TearDownTestSuite() { updara_test::Regsvr32(L"/u /s", updara_test::kDllWithoutKeys); }
  void SetUp() override {
    for (const char* folder : {"app", "new", "tmp", "victim"}) std::filesystem::create_directories(dir.Path(folder));
    app = dir.Win("app") + "\\";
    fresh = dir.Win("new") + "\\";
    temp = updara::LongPathOf(dir.Win("tmp")) + "\\";
    marker = dir.Win("marker.txt");
    log = dir.Win("log.txt");
  }
  void TearDown() override {
    lw::fixtures::DeleteRaw(HKEY_CURRENT_USER, "Software\\Ledgerwell Tests\\Servers", "server.dll");
    lw::fixtures::DeleteRaw(HKEY_CURRENT_USER, "Software\\Ledgerwell Tests\\Servers", "refuse.dll");
  }

  // The update-information file of these entries.
  std::string Document(const std::vector<Entry>& entries) {
    std::string text = "#Update file signature\r\n";
    for (const Entry& e : entries)
      text += "[File]\r\nname=" + e.name + "\r\npath=" + e.folder + "\r\nurl=" + e.url + "\r\n" + e.extra + "\r\n";
    const std::string path = dir.Win("upd.txt");
    WriteAll(path, text);
    return path;
  }
  // Runs the host (this program's copy at `program`, the built one by default) on the settings
  // and the document, with this test's temporary folder; answers its exit code.
  long RunHost(std::map<std::string, std::string> settings, bool admin = true, std::string program = "") {
    settings.emplace("log", log);
    settings.emplace("check", dir.Win("upd.txt"));
    settings.emplace("visible", "0");
    settings.emplace("rule", "255");
    std::string text;
    for (const auto& [key, value] : settings) text += key + "=" + value + "\r\n";
    WriteAll(dir.Win("settings.txt"), text);
    if (program.empty()) program = HostExe();
    const auto run = [&] {
      Started host("\"" + program + "\" \"" + dir.Win("settings.txt") + "\"", Variables(), admin);
      return host.Wait();
    };
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
  std::map<std::string, std::string> Variables() const {
    return {{"TMP", temp}, {"TEMP", temp}, {"LW_RESTART_MARKER", marker}};
  }
  std::vector<std::string> Log() const { return Lines(ReadAll(log)); }
  // A file of the program and its new version, to be fetched from `fresh`.
  void OldAndNew(const std::string& name, const std::string& old, const std::string& next) {
    WriteAll(app + name, old);
    WriteAll(fresh + name, next);
  }
  // A copy of the test server in the program's folder, registered, and its new version.
  void OldAndNewServer(const std::string& name, const std::string& version, const std::string& text = "") {
    WriteStampedCopy(ServerDll(), app + name, "1.0.0.0");
    Register(app + name);
    WriteStampedCopy(ServerDll(), fresh + name, version, text);
  }
  std::string Restart() const { return "\"" + HostExe() + "\" --restarted \"" + marker + "\""; }
  // The updater of that name has started the program again and ended.
  bool Restarted(const std::string& name) const {
    return WaitFor([&] { return Exists(marker); }, 60000) &&
           WaitFor([&] { return updara::ProcessesRunning(temp + name + "Upd.exe").empty(); }, 30000);
  }
  // What the component and the updater left in the temporary folder and beside the files.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const char* folder : {"tmp", "app"})
      for (const auto& e : std::filesystem::recursive_directory_iterator(dir.Path(folder))) {
        const std::string name = e.path().filename().string();
        if (e.is_regular_file() && (std::string_view(folder) == "tmp" || name.find(".updara-") != std::string::npos))
          names.push_back(name);
      }
    std::sort(names.begin(), names.end());
    return names;
  }

  ScratchFolder dir;
  std::string app, fresh, temp, marker, log;
};

TEST_F(UpdaraUpdate, AnAdministratorsFilesThatAreNotInUseArePutInPlaceAtOnceWithoutTheUpdater) {
  OldAndNew("data.txt", "old data", "the new data, longer");
  OldAndNewServer("server.dll", "2.0.0.0");
  Document({{"data.txt", app, fresh + "data.txt", "date=20240315102530\r\nmodificationdate=20240316112530\r\n"},
            {"server.dll", app, fresh + "server.dll", "version=2.0.0.0\r\nregister=1\r\n"},
            // A folder the update-information file names is made, with every folder above it.
            {"extra.txt", app + "docs\\extra\\", fresh + "data.txt"}});
  EXPECT_EQ(RunHost({{"name", "LwInPlace"}}), 0);
  const std::vector<std::string> log = Log();
  EXPECT_TRUE(Has(log, "UpdateDone 0 ")) << ReadAll(this->log);
  EXPECT_FALSE(Has(log, "CloseApp"));
  // The dates of the update-information file, local time, as the file's UTC times (the seconds
  // are never read); looked at before the file is read, which changes its last access.
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExA((app + "data.txt").c_str(), GetFileExInfoStandard, &data));
  auto at = [](FILETIME t) { return ULONGLONG(t.dwHighDateTime) << 32 | t.dwLowDateTime; };
  EXPECT_EQ(at(data.ftLastWriteTime), UtcOf(2024, 3, 16, 11, 25));
  EXPECT_EQ(at(data.ftLastAccessTime), UtcOf(2024, 3, 15, 10, 25));
  EXPECT_EQ(ReadAll(app + "data.txt"), "the new data, longer");
  EXPECT_EQ(ReadAll(app + "docs\\extra\\extra.txt"), "the new data, longer");
  EXPECT_EQ(FileVersionOf(app + "server.dll"), "2.0.0.0");
  EXPECT_EQ(RegisteredVersion("server.dll"), "2.0.0.0");
  // No updater, no list, no journal, no download, no backup.
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
}

TEST_F(UpdaraUpdate, AServerThatWillNotRegisterUndoesTheRunAndFailsUpdateWith30008) {
  OldAndNew("data.txt", "old data", "new data");
  OldAndNewServer("refuse.dll", "3.0.0.0", "refuse");
  WriteAll(fresh + "added.txt", "a file new to the program");
  Document({{"data.txt", app, fresh + "data.txt"},
            {"added.txt", app, fresh + "added.txt"},
            {"refuse.dll", app, fresh + "refuse.dll", "version=3.0.0.0\r\nregister=1\r\n"}});
  RunHost({{"name", "LwRefused"}});
  const std::vector<std::string> log = Log();
  EXPECT_TRUE(Has(log, "Update 800A7538")) << ReadAll(this->log);  // 30008 as the method's failure
  EXPECT_TRUE(Has(log, "State 3")) << "the object stays in StateUpdating";
  for (const std::string& line : log) EXPECT_FALSE(line.starts_with("UpdateDone")) << line;
  // Every file of the run is the old one again, the old server registered as before, and the file
  // that was not there before is gone.
  EXPECT_EQ(ReadAll(app + "data.txt"), "old data");
  EXPECT_FALSE(Exists(app + "added.txt"));
  EXPECT_EQ(FileVersionOf(app + "refuse.dll"), "1.0.0.0");
  EXPECT_EQ(RegisteredVersion("refuse.dll"), "1.0.0.0");
  for (const std::string& name : Leftovers()) EXPECT_EQ(name.find(".updara-"), std::string::npos) << name;
  EXPECT_FALSE(Exists(temp + "LwRefused.udj"));
}

TEST_F(UpdaraUpdate, TheRunningProgramsOwnFileIsPutInPlaceByTheUpdaterWhichStartsItAgainWithItsCommandLine) {
  const std::string program = app + "host.exe";
  WriteStampedCopy(HostExe(), program, "1.0.0.0");
  WriteStampedCopy(HostExe(), fresh + "host.exe", "2.0.0.0");
  WriteStampedCopy(ServerDll(), app + "server.dll", "1.0.0.0");
  WriteStampedCopy(ServerDll(), fresh + "server.dll", "2.0.0.0");
  Document({{"host.exe", app, fresh + "host.exe", "version=2.0.0.0\r\ndate=20240315102530\r\n"},
            {"server.dll", app, fresh + "server.dll", "version=2.0.0.0\r\n"}});
  // Another program has the library loaded: with GlobalTerminate it is ended before anything moves.
  Started user("\"" + HostExe() + "\" --load \"" + app + "server.dll\" 60000", {}, true);
  ASSERT_TRUE(WaitFor([&] { return !updara::ProcessesUsing(app + "server.dll").empty(); }, 20000));
  const std::string cmdLine = "\"" + program + "\" --restarted \"" + marker + "\"";
  const std::string list = dir.Win("list.txt");
  RunHost({{"name", "LwOwnFile"}, {"cmdline", cmdLine}, {"copylist", list}, {"globalterminate", "1"}}, true, program);
  EXPECT_EQ(user.Wait(5000), long(0xFFFFFFFF)) << "ended with exit code -1";
  const std::vector<std::string> log = Log();
  EXPECT_TRUE(Has(log, "CloseApp")) << ReadAll(this->log);
  for (const std::string& line : log) EXPECT_FALSE(line.starts_with("UpdateDone")) << line;
  EXPECT_EQ(FileVersionOf(app + "server.dll"), "2.0.0.0") << "put in place by the host itself";

  // The list as the host handed it over: only the program's own file was left for the updater.
  const std::vector<std::string> lines = Lines(ReadAll(list));
  ASSERT_EQ(lines.size(), 5u) << ReadAll(list);
  EXPECT_EQ(lines[0], "#UDA Signature" + cmdLine);
  EXPECT_EQ(lines[1], "0");
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[3], "");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(lines[4], m, std::regex(R"(([^>]*)>(.*)(\|-?\d+\|-?\d+)\|0\|0)"))) << lines[4];
  EXPECT_TRUE(updara::IsOwnDownload(m[1].str(), temp)) << m[1];
  EXPECT_EQ(m[2].str(), program);
  EXPECT_EQ(m[3].str(), Halves(UtcOf(2024, 3, 15, 10, 25)));

  // The updater waited for the program to end, put its new file in place and started it again.
  ASSERT_TRUE(Restarted("LwOwnFile"));
  EXPECT_EQ(ReadAll(marker), cmdLine);
  EXPECT_EQ(FileVersionOf(program), "2.0.0.0");
  EXPECT_EQ(Leftovers(), std::vector<std::string>{"LwOwnFileUpd.exe"});
}

TEST_F(UpdaraUpdate, WithoutAdministratorRightsTheUpdaterPutsEveryFileInPlace) {
  OldAndNew("data.txt", "old data", "new data");
  OldAndNewServer("server.dll", "2.0.0.0");
  Document({{"data.txt", app, fresh + "data.txt"},
            {"server.dll", app, fresh + "server.dll", "version=2.0.0.0\r\nregister=1\r\n"}});
  RunHost({{"name", "LwNoRights"}, {"cmdline", Restart()}}, false);
  EXPECT_TRUE(Has(Log(), "CloseApp")) << ReadAll(log);
  ASSERT_TRUE(Restarted("LwNoRights"));
  EXPECT_EQ(ReadAll(app + "data.txt"), "new data");
  EXPECT_EQ(FileVersionOf(app + "server.dll"), "2.0.0.0");
  EXPECT_EQ(RegisteredVersion("server.dll"), "2.0.0.0");
  EXPECT_EQ(Leftovers(), std::vector<std::string>{"LwNoRightsUpd.exe"});
}

TEST_F(UpdaraUpdate, WhereRightsAreNeededTheRestarterStartsTheProgramOnceTheServiceOrTheUpdaterIsDone) {
  WriteAll(fresh + "data.txt", "new data");
  Document({{"data.txt", app, fresh + "data.txt"}});
  const std::string event = "Global\\LwElevated__ev";

  // No service: the updater is launched with "runas"; the restarter starts the host's program
  // without arguments when the updater signals the event.
  WriteAll(app + "data.txt", "old data");
  RunHost({{"name", "LwElevated"}, {"requireadmin", "1"}, {"cmdline", Restart()}}, false);
  EXPECT_TRUE(Has(Log(), "CloseApp")) << ReadAll(log);
  ASSERT_TRUE(Restarted("LwElevated"));
  EXPECT_EQ(ReadAll(marker), "\"" + HostExe() + "\"");
  EXPECT_EQ(ReadAll(app + "data.txt"), "new data");
  EXPECT_TRUE(WaitFor([&] { return updara::ProcessesRunning(temp + "LwElevatedStr.exe").empty(); }, 10000));

  // A service that takes the job gets the updater, the list and the event; no updater is written.
  WriteAll(app + "data.txt", "old data");
  DeleteFileA(marker.c_str());
  DeleteFileA((temp + "LwElevatedUpd.exe").c_str());
  DeleteFileA(log.c_str());
  {
    updara_test::PipeService service(1, 3);
    RunHost({{"name", "LwElevated"}, {"requireadmin", "1"}, {"cmdline", Restart()}}, false);
    EXPECT_TRUE(Has(Log(), "CloseApp")) << ReadAll(log);
    service.Answered();
    EXPECT_EQ(service.request, updara::ServiceRequest({temp + "LwElevatedUpd.exe", temp + "LwElevated.uda", event}));
    // The service does its work and signals the event; the restarter starts the program.
    HANDLE handOver = OpenEventA(EVENT_MODIFY_STATE, FALSE, event.c_str());
    ASSERT_NE(handOver, nullptr);
    SetEvent(handOver);
    CloseHandle(handOver);
    EXPECT_TRUE(WaitFor([&] { return Exists(marker); }, 30000));
    EXPECT_FALSE(Exists(temp + "LwElevatedUpd.exe"));
    EXPECT_EQ(ReadAll(app + "data.txt"), "old data") << "the service's job, not the component's";
  }

  // Without a command line the program could not be started again: nothing is handed over.
  DeleteFileA(log.c_str());
  RunHost({{"name", "LwElevated"}, {"requireadmin", "1"}, {"cmdline", ""}}, false);
  EXPECT_TRUE(Has(Log(), "UpdateDone 30005 Failed to start updater program.")) << ReadAll(log);
  EXPECT_FALSE(Has(Log(), "CloseApp"));
  EXPECT_TRUE(updara::ProcessesRunning(temp + "LwElevatedStr.exe").empty());
}

// The updater is killed while the second of two files is still held by another program: the first
// is the new file, the second the old one, each whole. What comes next undoes the run, or finishes it.
class KilledUpdater : public UpdaraUpdate {
 protected:
  void KillBetweenTwoFiles() {
    OldAndNew("first.txt", "old first", "new first");
    OldAndNew("second.txt", "old second", "new second");
    Document({{"first.txt", app, fresh + "first.txt"}, {"second.txt", app, fresh + "second.txt"}});
    holder = std::make_unique<LockedFile>(app + "second.txt", 60000);
    RunHost({{"name", "LwKilled"}, {"cmdline", Restart()}}, false);
    ASSERT_TRUE(WaitFor([&] { return ReadAll(app + "first.txt") == "new first"; }, 30000)) << ReadAll(log);
    EXPECT_EQ(updara::EndProcessesRunning(temp + "LwKilledUpd.exe", 1), 1);
    holder->Release();
    EXPECT_EQ(ReadAll(app + "first.txt"), "new first");
    EXPECT_EQ(ReadAll(app + "second.txt"), "old second");
    EXPECT_EQ(ReadAll(app + "first.txt.updara-old"), "old first");
    EXPECT_TRUE(Exists(temp + "LwKilled.udj"));
    EXPECT_FALSE(Exists(marker)) << "the updater never got to start the program";
  }
  std::unique_ptr<LockedFile> holder;
};

TEST_F(KilledUpdater, TheComponentUndoesTheRunWhenItTakesItsNameAndReportsTheFilesStillWaiting) {
  KillBetweenTwoFiles();
  // The component of the program started by hand, with the same temporary folder.
  updara_test::TemporaryFolderAs tmp(temp);
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  {
    Sink sink;
    Ref<IUpdaraCom> o = updara_test::CreateUpdara();
    ASSERT_NE(o.p, nullptr);
    updara_test::Connect(o.p, sink);
    ASSERT_EQ(o->put_UpdaterName(Bstr(L"LwKilled")), S_OK);
    lw::fixtures::PumpUntil([&] { return !sink.Of(EventPrevDetected).empty(); }, 5000);
    EXPECT_EQ(ReadAll(app + "first.txt"), "old first");
    EXPECT_EQ(ReadAll(app + "second.txt"), "old second");
    EXPECT_FALSE(Exists(app + "first.txt.updara-old"));
    EXPECT_FALSE(Exists(temp + "LwKilled.udj"));
    // The downloads are still there: the run can be made again, or cleared.
    EXPECT_EQ(sink.Of(EventPrevDetected).size(), 1u);
    ASSERT_EQ(o->Clear(), S_OK);
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  }
  CoUninitialize();
}

TEST_F(KilledUpdater, TheNextUpdaterUndoesTheRunAndThenFinishesItsList) {
  KillBetweenTwoFiles();
  Started again("\"" + temp + "LwKilledUpd.exe\" \"" + temp + "LwKilled.uda\"", Variables(), false);
  EXPECT_EQ(again.Wait(), 0);
  ASSERT_TRUE(Restarted("LwKilled"));
  EXPECT_EQ(ReadAll(app + "first.txt"), "new first");
  EXPECT_EQ(ReadAll(app + "second.txt"), "new second");
  EXPECT_EQ(Leftovers(), std::vector<std::string>{"LwKilledUpd.exe"});
}

TEST_F(UpdaraUpdate, AFailedFileIsReportedTheRunUndoneAndTheProgramStillStartsAgain) {
  struct Case {
    const char* caption;
    std::function<std::string()> prepare;  // answers the message's text
  };
  const Case cases[] = {
      {"Failed to update application!",
       [&] {
         OldAndNew("data.txt", "old data", "new data");
         OldAndNew("held.txt", "old held", "new held");
         Document({{"data.txt", app, fresh + "data.txt"}, {"held.txt", app, fresh + "held.txt"}});
         return "Could not copy to destination " + app + "held.txt";
       }},
      {"Failed to register server!",
       [&] {
         WriteAll(app + "data.txt", "old data");
         OldAndNewServer("server.dll", "2.0.0.0");
         OldAndNewServer("refuse.dll", "3.0.0.0", "refuse");
         Document({{"data.txt", app, fresh + "data.txt"},
                   {"server.dll", app, fresh + "server.dll", "register=1\r\n"},
                   {"refuse.dll", app, fresh + "refuse.dll", "register=1\r\n"}});
         return app + "refuse.dll";
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    DeleteFileA(marker.c_str());
    const std::string message = c.prepare();
    std::unique_ptr<LockedFile> holder;
    if (Exists(app + "held.txt")) holder = std::make_unique<LockedFile>(app + "held.txt", 60000);
    // Visible: the updater says what failed.
    RunHost({{"name", "LwFailed"}, {"cmdline", Restart()}, {"visible", "1"}}, false);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = FindWindowA("#32770", c.caption)) != nullptr; }, 30000)) << ReadAll(log);
    EXPECT_EQ(lw::fixtures::MessageBoxText(box), message);
    EXPECT_FALSE(Exists(marker)) << "the program starts once the message is read";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(Restarted("LwFailed"));
    if (holder) holder->Release();
    EXPECT_EQ(ReadAll(app + "data.txt"), "old data");
    if (Exists(app + "held.txt")) {
      EXPECT_EQ(ReadAll(app + "held.txt"), "old held");
    }
    if (Exists(app + "server.dll")) {
      EXPECT_EQ(FileVersionOf(app + "server.dll"), "1.0.0.0");
      EXPECT_EQ(RegisteredVersion("server.dll"), "1.0.0.0");
      EXPECT_EQ(FileVersionOf(app + "refuse.dll"), "1.0.0.0");
      EXPECT_EQ(RegisteredVersion("refuse.dll"), "1.0.0.0");
    }
    EXPECT_EQ(Leftovers(), std::vector<std::string>{"LwFailedUpd.exe"});
    for (const char* name : {"data.txt", "held.txt", "server.dll", "refuse.dll"}) DeleteFileA((app + name).c_str());
  }
}

TEST_F(UpdaraUpdate, TheUpdaterActsOnlyOnItsOwnListWhenItWasWrittenByTheComponentAndStaysInItsPlace) {
  const std::string updater = temp + "LwListUpd.exe";
  ASSERT_TRUE(CopyFileA(BuildTreeFile(LW_UPDARA_UPD_EXE).c_str(), updater.c_str(), FALSE));
  const std::string victim = dir.Win("victim") + "\\ledger-backup.xlsx", download = temp + "UDX1F.tmp";
  const std::string header = "#UDA Signature" + Restart() + "\r\n0\r\n\r\n\r\n";
  const struct {
    const char* what;
    std::string list;
    std::string listName = "LwList.uda";
    bool restarts = true;  // the program starts again whatever the list was
  } cases[] = {
      {"no signature", "\"x\"\r\n0\r\n\r\n\r\n" + download + ">" + victim + "|0|0|0|0\r\n", "LwList.uda", false},
      // The other faults of a line are the native suite's cases (FindListFault).
      {"a file that is not one of the component's downloads", header + victim + ">" + app + "data.txt|0|0|0|0\r\n"},
      {"the list of another name", header + download + ">" + victim + "|0|0|0|0\r\n", "Other.uda", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteAll(victim, "the customer's own file");
    WriteAll(app + "data.txt", "old data");
    WriteAll(download, "new content");
    DeleteFileA(marker.c_str());
    WriteAll(temp + c.listName, c.list);
    Started run("\"" + updater + "\" \"" + temp + c.listName + "\"", Variables(), true);
    EXPECT_NE(run.Wait(), -1);
    // A program it started has written its marker by the time it has ended.
    EXPECT_TRUE(WaitFor([&] { return updara::ProcessesRunning(HostExe()).empty(); }, 20000));
    EXPECT_EQ(ReadAll(victim), "the customer's own file");
    EXPECT_EQ(ReadAll(app + "data.txt"), "old data");
    EXPECT_EQ(Exists(marker), c.restarts);
    DeleteFileA((temp + c.listName).c_str());
  }
}

// ---- the component in this process, where it never hands over ----

class UpdaraLeftovers : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(updara_test::Regsvr32(L"/s"), 0u); }
  static void TearDownTestSuite() { updara_test::Regsvr32(L"/u /s"); }
  void SetUp() override {
    std::filesystem::create_directories(dir.Path("victim"));
    victim = dir.Win("victim") + "\\";
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  }
  void TearDown() override {
    hosts.clear();
    CoUninitialize();
  }
  // An object and the sink of its events, which outlives it.
  struct Host {
    Sink sink;
    Ref<IUpdaraCom> o;
  };
  Host& Create() {
    Host& h = hosts.emplace_back();
    h.o = updara_test::CreateUpdara();
    if (h.o.p) updara_test::Connect(h.o.p, h.sink);
    return h;
  }
  Ref<IUpdFile> Add(IUpdaraCom* o, const std::string& name, const std::string& path, const std::string& newPath,
                    const std::string& url = "") {
    Ref<IUpdFiles> files = updara_test::RefOf(o, &IUpdaraCom::get_Files);
    Ref<IUpdFile> f;
    EXPECT_EQ(files->Add(Bstr(updara_test::Wide(name).c_str()), f.put()), S_OK);
    f->put_Path(Bstr(updara_test::Wide(path).c_str()));
    f->put_NewPath(Bstr(updara_test::Wide(newPath).c_str()));
    f->put_URL(Bstr(updara_test::Wide(url).c_str()));
    return f;
  }

  ScratchFolder dir;
  std::string temp = [this] {
    std::filesystem::create_directories(dir.Path("tmp"));
    return updara::LongPathOf(dir.Win("tmp")) + "\\";
  }();
  updara_test::TemporaryFolderAs tmp{temp};
  std::string victim;
  std::deque<Host> hosts;
};

TEST_F(UpdaraLeftovers, TheClearingCallsDeleteOnlyTheComponentsOwnDownloadsWhateverAListNames) {
  const std::string list = temp + "LwClear.uda";
  const struct {
    const char* call;
    std::function<HRESULT(IUpdaraCom*)> run;
  } calls[] = {
      {"Clear", [](IUpdaraCom* o) { return o->Clear(); }},
      {"Reset", [](IUpdaraCom* o) { return o->Reset(); }},
      {"Check", [](IUpdaraCom* o) { return o->Check(updara_test::MissingArg(), updara_test::MissingArg()); }},
      {"Download", [](IUpdaraCom* o) { return o->Download(); }},
  };
  for (const auto& c : calls) {
    SCOPED_TRACE(c.call);
    // What another program wrote into the temporary folder, and what is the component's own.
    WriteAll(victim + "ledger-backup.xlsx", "the customer's own file");
    WriteAll(victim + "UDX2.tmp", "named like a download, elsewhere");
    WriteAll(temp + "notes.txt", "another program's file");
    WriteAll(temp + "UDX1.tmp", "a download of the component");
    WriteAll(temp + "UDX3.tmp", "a download an entry holds");
    WriteAll(list, "#UDA Signature\"C:\\host.exe\"\r\n0\r\n\r\n\r\n" + victim +
                       "ledger-backup.xlsx>C:\\x.dll|0|0|0|0\r\n" + temp + "UDX1.tmp>C:\\y.dll|0|0|0|0\r\n" + victim +
                       "UDX2.tmp>C:\\z.dll|0|0|0|0\r\n" + temp + "notes.txt>C:\\w.dll|0|0|0|0\r\n");
    auto& [sink, host] = Create();
    IUpdaraCom* o = host.p;
    ASSERT_EQ(o->put_UpdaterName(Bstr(L"LwClear")), S_OK);
    lw::fixtures::PumpFor(100);
    EXPECT_TRUE(sink.Of(EventPrevDetected).empty()) << "a list naming other files is no earlier run of ours";
    Add(o, "a.dll", victim + "a.dll", victim + "ledger-backup.xlsx");
    Add(o, "b.dll", victim + "b.dll", temp + "UDX3.tmp");
    EXPECT_EQ(c.run(o), S_OK);
    EXPECT_EQ(ReadAll(victim + "ledger-backup.xlsx"), "the customer's own file");
    EXPECT_TRUE(Exists(victim + "UDX2.tmp"));
    EXPECT_TRUE(Exists(temp + "notes.txt"));
    EXPECT_FALSE(Exists(temp + "UDX1.tmp"));
    EXPECT_FALSE(Exists(temp + "UDX3.tmp"));
    EXPECT_FALSE(Exists(list));
    lw::fixtures::PumpUntil([&] { return updara_test::StateOf(o) == StateNotConnected; }, 5000);
    hosts.clear();
  }
  // A file of that name that is no list of the component's is not its to delete either.
  WriteAll(list, "written by another program");
  IUpdaraCom* o = Create().o.p;
  ASSERT_EQ(o->put_UpdaterName(Bstr(L"LwClear")), S_OK);
  ASSERT_EQ(o->Clear(), S_OK);
  EXPECT_EQ(ReadAll(list), "written by another program");
}

TEST_F(UpdaraLeftovers, ARunThatLeftItsListIsDetectedOnceAndAListThatCannotBeActedOnIsRefused) {
  // A download that arrived and was never put in place leaves its list.
  WriteAll(dir.Win("new.txt"), "new content");
  {
    auto& [sink, o] = Create();
    ASSERT_EQ(o->put_UpdaterName(Bstr(L"LwEarlier")), S_OK);
    Add(o.p, "a.txt", victim + "a.txt", "", dir.Win("new.txt"));
    ASSERT_EQ(o->Download(), S_OK);
    ASSERT_TRUE(lw::fixtures::PumpUntil([&] { return !sink.Of(EventDownloadDone).empty(); }, 10000));
    hosts.clear();
  }
  const std::optional<updara::ReplacementList> written = updara::ParseReplacementList(ReadAll(temp + "LwEarlier.uda"));
  ASSERT_TRUE(written);
  ASSERT_EQ(written->files.size(), 1u);
  EXPECT_TRUE(updara::IsOwnDownload(written->files[0].newPath, temp));
  EXPECT_EQ(written->files[0].path, victim + "a.txt");

  // The next object finds it: named twice before its events run, it reports it once, for the name
  // it has then.
  WriteAll(temp + "LwOther.uda", ReadAll(temp + "LwEarlier.uda"));
  auto& [sink, o] = Create();
  ASSERT_EQ(o->put_UpdaterName(Bstr(L"LwOther")), S_OK);
  ASSERT_EQ(o->put_UpdaterName(Bstr(L"LwEarlier")), S_OK);
  lw::fixtures::PumpUntil([&] { return !sink.Of(EventPrevDetected).empty(); }, 5000);
  lw::fixtures::PumpFor(200);
  EXPECT_EQ(sink.Of(EventPrevDetected).size(), 1u);

  // The earlier list names a file outside every folder of this object's entries (it has none):
  // Update refuses it, and nothing is handed over.
  ASSERT_EQ(o->Update(), S_OK);
  ASSERT_TRUE(lw::fixtures::PumpUntil([&] { return !sink.Of(EventUpdateDone).empty(); }, 5000));
  EXPECT_EQ(sink.Of(EventUpdateDone)[0].numbers, std::vector<long>{30026});
  EXPECT_TRUE(sink.Of(EventCloseApp).empty());
  EXPECT_FALSE(Exists(victim + "a.txt"));
  EXPECT_FALSE(Exists(temp + "LwEarlierUpd.exe"));

  // A second object of the same name holds no lock: its Update touches nothing of the first's.
  auto& [second, other] = Create();
  EXPECT_EQ(other->put_UpdaterName(Bstr(L"LwEarlier")), updara_test::Err(30003));
  ASSERT_EQ(other->Update(), S_OK);
  ASSERT_TRUE(lw::fixtures::PumpUntil([&] { return !second.Of(EventUpdateDone).empty(); }, 5000));
  EXPECT_EQ(second.Of(EventUpdateDone)[0].numbers, std::vector<long>{30003});
  EXPECT_TRUE(Exists(temp + "LwEarlier.uda"));

  // Reset clears the list and its download; a list whose files are gone is no earlier run.
  ASSERT_EQ(o->Reset(), S_OK);
  EXPECT_FALSE(Exists(temp + "LwEarlier.uda"));
  EXPECT_FALSE(Exists(written->files[0].newPath));
  WriteAll(temp + "LwEarlier.uda", FormatReplacementList(*written));
  sink.events.clear();
  ASSERT_EQ(o->put_UpdaterName(Bstr(L"LwEarlier")), S_OK);
  lw::fixtures::PumpFor(300);
  EXPECT_TRUE(sink.Of(EventPrevDetected).empty());
}

TEST_F(UpdaraLeftovers, TheProcessesUsingAFileAreListedAskedToCloseOrEnded) {
  const std::string library = victim + "server.dll";
  WriteStampedCopy(ServerDll(), library, "1.0.0.0");
  Started asked("\"" + HostExe() + "\" --load \"" + library + "\" 60000", {}, true);
  Started ended("\"" + HostExe() + "\" --load \"" + library + "\" 60000", {}, true);
  ASSERT_TRUE(WaitFor([&] { return updara::ProcessesUsing(library).size() == 2; }, 20000));
  IUpdaraCom* o = Create().o.p;
  // The path as a host may have it, in other letters: the same file.
  std::string lower = library;
  for (char& ch : lower) ch = char(tolower(static_cast<unsigned char>(ch)));
  Ref<IUpdFile> f = Add(o, "server.dll", lower, "");
  Ref<IUpdProcesses> processes = updara_test::RefOf(f.p, &IUpdFile::get_Processes);
  const short count = updara_test::ValueOf(processes.p, &IUpdProcesses::get_Count);
  ASSERT_EQ(count, 2);
  for (short i = 0; i < count; ++i) {
    Ref<IUpdProcess> p;
    ASSERT_EQ(processes->get_Item(i, p.put()), S_OK);
    const long id = updara_test::ValueOf(p.p, &IUpdProcess::get_ID);
    EXPECT_TRUE(updara::SamePath(updara_test::Ansi(updara_test::Get(p.p, &IUpdProcess::get_Filename)), HostExe()));
    EXPECT_EQ(updara_test::Get(p.p, &IUpdProcess::get_ExeName), L"lw_updara_host.exe");
    if (DWORD(id) == asked.Id()) {
      EXPECT_EQ(p->Close(), S_OK);  // its windows are closed and its thread asked to quit
    } else {
      EXPECT_EQ(DWORD(id), ended.Id());
      EXPECT_EQ(p->Terminate(), S_OK);
    }
  }
  EXPECT_EQ(asked.Wait(10000), 7);
  EXPECT_EQ(ended.Wait(10000), long(0xFFFFFFFF));
}

}  // namespace
