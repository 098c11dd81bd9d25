// A whole self-update of the real program: Ledgerwell.exe started from a program folder shows its
// About window, the check goes to a local HTTPS server of the publisher's kind, the program, a
// library and a data file are downloaded, the program's own file is left to the updater, the
// program ends, the updater puts the new program in place and starts it again with its command
// line, and the new program shows its About window once.
#include <windows.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>

#include "app/forms/forms_win.h"
#include "app/shell/startup_win.h"
#include "app/state/settings_win.h"
#include "app/tools/files_win.h"
#include "app/tools/text.h"
#include "app/updates/frm_about_win.h"
#include "common/product.h"
#include "component/processes_win.h"
#include "tests/component/com_client_win.h"
#include "tests/fixtures/peers_win.h"
#include "tests/fixtures/program_win.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/test_env_win.h"
#include "tests/fixtures/update_signer_win.h"

namespace lw {
namespace {

using fixtures::WindowText;

std::string Control(HWND form, const char* name) { return WindowText(forms::FindControl(form, name)); }

std::string FileBytes(const std::string& path) { return ReadWholeFile(path, fixtures::kFixtureFileLimit); }

// The command line another process was started with, read from its process parameters.
std::string CommandLineOf(HANDLE process) {
  using Query = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic{};
  PEB peb{};
  RTL_USER_PROCESS_PARAMETERS parameters{};
  if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 ||
      !ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr) ||
      !ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, nullptr))
    return {};
  std::wstring text(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
  if (!ReadProcessMemory(process, parameters.CommandLine.Buffer, text.data(), parameters.CommandLine.Length, nullptr))
    return {};
  return std::string(text.begin(), text.end());
}

class SelfUpdate : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(updara_test::Regsvr32(L"/s"), 0u); }
  static void TearDownTestSuite() { updara_test::Regsvr32(L"/u /s"); }
  void SetUp() override {
    fixtures::ResetProgramState();
    updara_test::ForgetAcceptedSequences();
    // A fresh settings store: "NewUpdate" unset reads "Y", so the About window comes first.
    SaveAppSetting("FirstRun", "N");
    SaveGlobalSetting("NoInternet", "Y");
    CreateDirectoryA(folder.c_str(), nullptr);
    // The program's temporary folder, where the component puts its downloads and the updater,
    // is one of this test's: the program folder lies outside it, as an installed one does.
    CreateDirectoryA(temp.c_str(), nullptr);
    temporaryFolder.emplace(temp);
  }
  void TearDown() override {
    // A program left running by a failed step goes before its folder does.
    updara::EndProcessesRunning(program, 1);
    fixtures::DeleteRaw(HKEY_LOCAL_MACHINE, std::string("SOFTWARE\\") + kAppTitle + "\\" + kLocalUpdateHostSection,
                        kLocalUpdateHostValue);
    updara_test::ForgetAcceptedSequences();
    fixtures::ResetProgramState();
    temporaryFolder.reset();
  }

  fixtures::ScratchFolder dir;
  const std::string temp = dir.Win("temp");
  std::optional<updara_test::TemporaryFolderAs> temporaryFolder;
  const std::string folder = dir.Win("Ledgerwell") + "\\";
  const std::string program = folder + "Ledgerwell.exe";
};

TEST_F(SelfUpdate, TheRealProgramUpdatesItselfFromItsAboutWindowAndStartsAgainWithItsCommandLine) {
  ASSERT_TRUE(CopyFileA(fixtures::ProgramExe().c_str(), program.c_str(), FALSE));
  fixtures::WriteVersionedFile(folder + "lw_selfupdate.dll", "1.0.0.0");
  std::ofstream(folder + "lw_selfupdate.dat", std::ios::binary) << "old data";
  const std::string oldDataStamp = FileStampText(folder + "lw_selfupdate.dat");
  const std::string oldVersion = Format("%d.%d.%d", kVersionMajor, kVersionMinor, kVersionRevision);
  const std::string newVersion = Format("%d.%d.%d", kVersionMajor, kVersionMinor, kVersionRevision + 1);

  // The server's files: the program one revision on, a newer library and longer data.
  std::string newProgram, newLibrary;
  const std::string newData = "the new data, longer than the old";
  fixtures::PythonPeer server(fixtures::PythonPeer::Kind::Https, [&](const std::string& www) {
    fixtures::WriteStampedCopy(fixtures::ProgramExe(), www + "\\Ledgerwell.exe", newVersion + ".0", newVersion);
    fixtures::WriteVersionedFile(www + "\\lw_selfupdate.dll", "1.1.0.0");
    std::ofstream(www + "\\lw_selfupdate.dat", std::ios::binary) << newData;
    newProgram = FileBytes(www + "\\Ledgerwell.exe");
    newLibrary = FileBytes(www + "\\lw_selfupdate.dll");
  });
  fixtures::TrustedAuthority trust(server.File("ca.pem"));
  CreateDirectoryA(server.File("www\\updates").c_str(), nullptr);
  fixtures::Signing signing;
  signing.files = {{"Ledgerwell.exe", newProgram}, {"lw_selfupdate.dll", newLibrary}, {"lw_selfupdate.dat", newData}};
  std::ofstream(server.File("www\\updates\\l50upd.asp"), std::ios::binary) << fixtures::SignUpdateInfo(
      "#Update file signature\r\n"
      "[File]\r\nname=Ledgerwell.exe\r\nversion=" +
          newVersion + "\r\nurl=" + server.Url("Ledgerwell.exe") +
          "\r\n\r\n"
          "[File]\r\nname=lw_selfupdate.dll\r\nversion=1.1.0.0\r\npath=" +
          folder + "\r\nurl=" + server.Url("lw_selfupdate.dll") +
          "\r\n\r\n"
          "[File]\r\nname=lw_selfupdate.dat\r\nsize=" +
          std::to_string(newData.size()) + "\r\ndate=20240315102530\r\nurl=" + server.Url("lw_selfupdate.dat") + "\r\n",
      signing);
  WriteMachineString(kAppTitle, kLocalUpdateHostSection, kLocalUpdateHostValue,
                     "127.0.0.1:" + std::to_string(server.Port()));

  // The user starts the program with a switch, checks from the About window and answers the
  // question about the daily feed check (the update check goes ahead whatever the answer).
  const std::string arguments = "-M";
  fixtures::RunningProgram first(program, arguments);
  HWND about = first.WaitForWindow("About Ledgerwell");
  ASSERT_TRUE(about);
  ASSERT_TRUE(first.WaitUntilIdle());
  fixtures::SendFromOutside(forms::FindControl(about, "cmdWebUpdate"), BM_CLICK);
  HWND question = first.WaitForMessageBox();
  ASSERT_TRUE(question);
  fixtures::SendFromOutside(GetDlgItem(question, IDNO), BM_CLICK);

  // The library and the data file are put in place at once; the running program's own file waits,
  // so the program is asked to end.
  ASSERT_GE(first.WaitForExit(60000), 0) << "still running: " << Control(about, "lblUpdate") << " / "
                                         << fixtures::MessageBoxText(first.WaitForMessageBox(0));
  EXPECT_EQ(GetAppSetting("UpdateLog", ""),
            "File: Ledgerwell.exe  Current Version: " + oldVersion + "  New Version: " + newVersion +
                "  Needs Replacing: True\r\n"
                "File: lw_selfupdate.dll  Current Version: 1.0.0.0  New Version: 1.1.0.0  Needs Replacing: True\r\n"
                "File: lw_selfupdate.dat  Current Size/Date: 8/" +
                oldDataStamp + "  New Size/Date: " + std::to_string(newData.size()) +
                "/20240315102500  Needs Replacing: True");

  // The updater puts the program in place and starts it again, as the user started it.
  HWND again = first.WaitForWindowOfAnotherProcess("About Ledgerwell", 60000);
  ASSERT_TRUE(again);
  DWORD restartedId = 0;
  GetWindowThreadProcessId(again, &restartedId);
  HANDLE restarted = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, restartedId);
  ASSERT_TRUE(restarted);
  EXPECT_EQ(CommandLineOf(restarted), "\"" + program + "\" " + arguments);
  EXPECT_TRUE(FileBytes(program) == newProgram) << "the program, byte for byte";
  EXPECT_TRUE(FileBytes(folder + "lw_selfupdate.dll") == newLibrary);
  EXPECT_EQ(FileBytes(folder + "lw_selfupdate.dat"), newData);

  // The new program shows its About window once, with the check that installed it.
  EXPECT_TRUE(Control(again, "lblVersion").starts_with("Version: " + newVersion + " ")) << Control(again, "lblVersion");
  EXPECT_EQ(Control(again, "lblUpdate"), "Last Update Check was " + GetAppSetting("UpdateChk", "?"));
  EXPECT_EQ(GetAppSetting("NewUpdate", "?"), "N") << "shown once";
  fixtures::SendFromOutside(forms::FindControl(again, "cmdOK"), BM_CLICK);
  HWND main = first.WaitForWindowOfAnotherProcess("Ledgerwell - ");
  ASSERT_TRUE(main);
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(restarted, 20000), WAIT_OBJECT_0);
  CloseHandle(restarted);
}

}  // namespace
}  // namespace lw
