#include "app/tools/files_win.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <filesystem>
#include <vector>

#include "app/shell/startup_win.h"
#include "tests/fixtures/program_win.h"
#include "tests/fixtures/sage_data.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

using fixtures::ScratchFolder;

TEST(Files, ExistenceTellsFilesFromFoldersAndMakePathCreatesEveryMissingParent) {
  ScratchFolder dir;
  fixtures::WriteFile(dir.Path("a.txt"), std::string("x"));
  EXPECT_TRUE(FileExists(dir.Win("a.txt")));
  EXPECT_FALSE(FolderExists(dir.Win("a.txt")));
  EXPECT_TRUE(FolderExists(dir.Win()));
  EXPECT_FALSE(FileExists(dir.Win()));
  EXPECT_FALSE(FileExists(dir.Win("missing.txt")));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(FolderExists("  "));
  const std::string deep = dir.Win("one\\two\\three");
  MakePath(deep + "\\");
  MakePath(deep);  // already there: nothing happens
  EXPECT_TRUE(FolderExists(deep));
}

TEST(Files, VersionComesFromTheFixedVersionInformation) {
  std::string exe = fixtures::ProgramExe();
  EXPECT_EQ(GetFileVersion(exe), std::to_string(LW_VERSION_MAJOR) + "." + std::to_string(LW_VERSION_MINOR) + "." +
                                     std::to_string(LW_VERSION_REVISION) + ".0");
  ScratchFolder dir;
  fixtures::WriteFile(dir.Path("plain.exe"), std::string("MZ not really"));
  EXPECT_EQ(GetFileVersion(dir.Win("plain.exe")), "");
  EXPECT_EQ(GetFileVersion(dir.Win("missing.dll")), "");
}

TEST(Files, SpecialFoldersByKeywordInAnyCase) {
  char expected[MAX_PATH] = {};
  ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, expected), S_OK);
  std::string common = GetSpecialFolder(" common_appdata ");
  EXPECT_EQ(common, std::string(expected));
  EXPECT_NE(common.back(), '\\');
  EXPECT_TRUE(FolderExists(GetSpecialFolder("PROGRAM_FILES_COMMON")) ||
              !GetSpecialFolder("PROGRAM_FILES_COMMON").empty());
  EXPECT_EQ(GetSpecialFolder("WINDOWS"), GetWindowsFolder());
  EXPECT_EQ(GetSpecialFolder("SYSTEM"), GetSystemFolder());
  EXPECT_EQ(GetSpecialFolder("DESKTOP_OF_DOOM"), "");
  EXPECT_TRUE(FolderExists(GetSystemFolder()));
}

TEST(Files, WholeAndTextFilesKeepEveryByteUpToTheirLimit) {
  ScratchFolder dir;
  std::string binary("a\0b\xff\r\n", 6);
  fixtures::WriteFile(dir.Path("bin.dat"), binary);
  EXPECT_EQ(ReadWholeFile(dir.Win("bin.dat"), 6), binary);
  EXPECT_EQ(ReadWholeFile(dir.Win("bin.dat"), 5), "") << "one byte over the limit: not read at all";
  EXPECT_EQ(ReadFileTail(dir.Win("bin.dat"), 3), "\xff\r\n");
  EXPECT_EQ(ReadFileTail(dir.Win("bin.dat"), 200), binary);
  fixtures::WriteFile(dir.Path("one.txt"), std::string("\xff"));
  EXPECT_EQ(ReadTextFile(dir.Win("one.txt"), 1), "\xff");
  EXPECT_EQ(ReadWholeFile(dir.Win("missing.txt"), 100), "");
  EXPECT_EQ(ReadFileTail(dir.Win("missing.txt"), 100), "");

  const wchar_t wide[] = L"<FullVersion>18.00.0010</FullVersion>";
  std::string utf16("\xff\xfe");
  utf16.append(reinterpret_cast<const char*>(wide), sizeof wide - sizeof(wchar_t));
  fixtures::WriteFile(dir.Path("Application.config"), utf16);
  EXPECT_EQ(ReadTextFile(dir.Win("Application.config"), 100), "<FullVersion>18.00.0010</FullVersion>");
  EXPECT_EQ(ReadWholeFile(dir.Win("Application.config"), 100), utf16);

  fixtures::WriteFile(dir.Path("hidden.txt"), std::string("secret"));
  SetFileAttributesA(dir.Win("hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(ReadWholeFile(dir.Win("hidden.txt"), 100), "");

  // A file of gigabytes (a hole on disk) is never taken into memory; its end can still be read.
  HANDLE h = CreateFileA(dir.Win("huge.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  LARGE_INTEGER size{};
  size.QuadPart = 5ll << 30;
  ASSERT_TRUE(SetFilePointerEx(h, size, nullptr, FILE_BEGIN) && SetEndOfFile(h));
  CloseHandle(h);
  EXPECT_EQ(ReadWholeFile(dir.Win("huge.txt"), 1u << 20), "");
  EXPECT_EQ(ReadUnchangedFile(dir.Win("huge.txt"), 1u << 20), "");
  EXPECT_EQ(ReadFileTail(dir.Win("huge.txt"), 4), std::string(4, '\0'));
}

TEST(Files, UnchangedFileIsReadAgainWhenItsTimeOrSizeChangesAndAFailedReadIsNotKept) {
  ScratchFolder dir;
  const std::string path = dir.Win("SAGE.INI");
  auto writtenAt = [&](const std::string& text, const FILETIME& when) {
    fixtures::WriteFile(dir.Path("SAGE.INI"), text);
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFileTime(h, nullptr, nullptr, &when);
    CloseHandle(h);
  };
  const FILETIME monday{0x2A5B0000, 0x01DB0000}, tuesday{0x2A5B0000, 0x01DB0001};
  writtenAt("UseDataPath=1", monday);
  EXPECT_EQ(ReadUnchangedFile(path, 100), "UseDataPath=1");
  writtenAt("UseDataPath=0", monday);  // same size and time: taken as the file already read
  EXPECT_EQ(ReadUnchangedFile(path, 100), "UseDataPath=1");
  writtenAt("UseDataPath=0", tuesday);
  EXPECT_EQ(ReadUnchangedFile(path, 100), "UseDataPath=0");
  writtenAt("UseDataPath=10", tuesday);
  EXPECT_EQ(ReadUnchangedFile(path, 100), "UseDataPath=10");
  writtenAt("UseDataPath=111", tuesday);
  {
    fixtures::LockedFile lock(path, 5500);
    EXPECT_EQ(ReadUnchangedFile(path, 100), "");  // the waiting open gave up
  }
  EXPECT_EQ(ReadUnchangedFile(path, 100), "UseDataPath=111");
  EXPECT_EQ(ReadUnchangedFile(dir.Win("missing.ini"), 100), "");
}

// Records every caption the waiting open gives the window.
class CaptionLog {
 public:
  CaptionLog() {
    hwnd_ = CreateWindowExA(0, "STATIC", "Ledgerwell - test", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                            nullptr);
    SetWindowSubclass(hwnd_, Record, 0, reinterpret_cast<DWORD_PTR>(this));
  }
  ~CaptionLog() {
    RemoveWindowSubclass(hwnd_, Record, 0);
    DestroyWindow(hwnd_);
  }
  HWND Hwnd() const { return hwnd_; }
  std::vector<std::string> captions;

 private:
  static LRESULT CALLBACK Record(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
    if (m == WM_SETTEXT) reinterpret_cast<CaptionLog*>(self)->captions.emplace_back(reinterpret_cast<const char*>(lp));
    return DefSubclassProc(w, m, wp, lp);
  }
  HWND hwnd_;
};

class WaitingOpen : public ::testing::Test {
 protected:
  void TearDown() override { ResetApplicationState(); }
  ScratchFolder dir;
  CaptionLog log;
};

TEST_F(WaitingOpen, AFileHeldByAnotherProgramIsAwaitedFiveSecondsWithTheCountdownShown) {
  fixtures::WriteFile(dir.Path("queue.dta"), std::string(100, 'q'));
  SetWaitProgressWindow(log.Hwnd());
  const auto shown = [&](const char* caption) {
    return std::find(log.captions.begin(), log.captions.end(), caption) != log.captions.end();
  };
  {
    fixtures::LockedFile lock(dir.Win("queue.dta"), 2000);
    SharedFile f;
    ASSERT_TRUE(OpenFileRandom(dir.Win("queue.dta"), f, 100)) << "opened once released";
    EXPECT_EQ(f.RecordLength(), 100);
    EXPECT_EQ(f.Length(), 100u);
  }
  ASSERT_GE(log.captions.size(), 2u);
  EXPECT_EQ(log.captions.front(), "Waiting for queue.dta 0/5");
  EXPECT_TRUE(shown("Waiting for queue.dta 1/5"));
  EXPECT_EQ(log.captions.back(), "Ledgerwell - test");
  EXPECT_EQ(fixtures::WindowText(log.Hwnd()), "Ledgerwell - test");

  log.captions.clear();
  {
    fixtures::LockedFile lock(dir.Win("queue.dta"), 6000);
    SharedFile held;
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(OpenFileBinaryRead(dir.Win("queue.dta"), held));
    EXPECT_GE(GetTickCount64() - start, 5000u);
    EXPECT_FALSE(held.IsOpen());
  }
  EXPECT_TRUE(shown("Waiting for queue.dta 5/5"));
  EXPECT_EQ(log.captions.back(), "Ledgerwell - test");

  // Without a progress window (before the main window is shown, and after it has gone) nothing is.
  log.captions.clear();
  SetWaitProgressWindow(nullptr);
  fixtures::LockedFile lock(dir.Win("queue.dta"), 1000);
  SharedFile input;
  EXPECT_TRUE(OpenFileInput(dir.Win("queue.dta"), input));
  EXPECT_TRUE(log.captions.empty());
}

TEST_F(WaitingOpen, OpenFilesLeaveOthersFreeToReadAndWrite) {
  fixtures::WriteFile(dir.Path("queue.dta"), std::string(8, '\0'));
  SharedFile reader, writer;
  ASSERT_TRUE(OpenFileBinaryRead(dir.Win("queue.dta"), reader));
  ASSERT_TRUE(OpenFileRandom(dir.Win("queue.dta"), writer, 4));
  ASSERT_TRUE(writer.WriteAt(4, "\xff\xff\xff\xff", 4));
  uint8_t bytes[8];
  SharedFileSource source(reader);
  ASSERT_EQ(source.ReadAt(0, bytes, 8), 8u);
  EXPECT_EQ(bytes[3], 0);
  EXPECT_EQ(bytes[4], 0xff);
  EXPECT_EQ(source.ReadAt(6, bytes, 8), 2u) << "a read at the end is short, not an error";
  EXPECT_EQ(source.ReadAt(100, bytes, 8), 0u);
}

}  // namespace
}  // namespace lw
