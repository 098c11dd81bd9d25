#include "app/tools/files_win.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "tests/fixtures/sage_data.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

using fixtures::ScratchFolder;

TEST(Files, WholeAndTextFilesKeepEveryByteUpToTheirLimitAndLargerOnesAreNotRead) {
  ScratchFolder dir;
  std::string binary("a\0b\xff\r\n", 6);
  fixtures::WriteFile(dir.Path("bin.dat"), binary);
  EXPECT_EQ(ReadWholeFile(dir.Win("bin.dat"), 6), binary);
  EXPECT_EQ(ReadWholeFile(dir.Win("bin.dat"), 5), "") << "one byte over the limit: not read at all";
  EXPECT_EQ(ReadFileTail(dir.Win("bin.dat"), 3), "\xff\r\n");
  const wchar_t wide[] = L"<FullVersion>18.00.0010</FullVersion>";
  std::string utf16("\xff\xfe");
  utf16.append(reinterpret_cast<const char*>(wide), sizeof wide - sizeof(wchar_t));
  fixtures::WriteFile(dir.Path("Application.config"), utf16);
  EXPECT_EQ(ReadTextFile(dir.Win("Application.config"), 100), "<FullVersion>18.00.0010</FullVersion>");
  SetFileAttributesA(dir.Win("bin.dat").c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(ReadWholeFile(dir.Win("bin.dat"), 100), "") << "a hidden file is not read";

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
  auto writtenAt = [&](const std::string& text, DWORD day) {
    fixtures::WriteFile(dir.Path("SAGE.INI"), text);
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    const FILETIME when{0x2A5B0000, 0x01DB0000 + day};
    SetFileTime(h, nullptr, nullptr, &when);
    CloseHandle(h);
  };
  writtenAt("UseDataPath=1", 0);
  EXPECT_EQ(ReadUnchangedFile(path, 100), "UseDataPath=1");
  writtenAt("UseDataPath=0", 0);  // same size and time: taken as the file already read
  EXPECT_EQ(ReadUnchangedFile(path, 100), "UseDataPath=1");
  writtenAt("UseDataPath=0", 1);
  EXPECT_EQ(ReadUnchangedFile(path, 100), "UseDataPath=0");
  writtenAt("UseDataPath=10", 1);
  EXPECT_EQ(ReadUnchangedFile(path, 100), "UseDataPath=10");
  writtenAt("UseDataPath=111", 1);
  {
    fixtures::LockedFile lock(path, 5500);
    EXPECT_EQ(ReadUnchangedFile(path, 100), "");  // the waiting open gave up
  }
  EXPECT_EQ(ReadUnchangedFile(path, 100), "UseDataPath=111");
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

TEST(WaitingOpen, AFileHeldByAnotherProgramIsAwaitedWithTheCountdownShownAndLeavesOthersFreeToReadAndWrite) {
  ScratchFolder dir;
  CaptionLog log;
  fixtures::WriteFile(dir.Path("queue.dta"), std::string(8, '\0'));
  SetWaitProgressWindow(log.Hwnd());
  SharedFile reader, writer;
  {
    fixtures::LockedFile lock(dir.Win("queue.dta"), 2000);
    ASSERT_TRUE(OpenFileRandom(dir.Win("queue.dta"), writer, 4)) << "opened once released";
  }
  SetWaitProgressWindow(nullptr);
  ASSERT_FALSE(log.captions.empty());
  EXPECT_EQ(log.captions[0], "Waiting for queue.dta 0/5");
  EXPECT_NE(std::find(log.captions.begin(), log.captions.end(), "Waiting for queue.dta 1/5"), log.captions.end());
  EXPECT_EQ(log.captions.back(), "Ledgerwell - test");

  // Open files leave others free to read and write.
  ASSERT_TRUE(OpenFileBinaryRead(dir.Win("queue.dta"), reader));
  EXPECT_EQ(writer.RecordLength(), 4);
  ASSERT_TRUE(writer.WriteAt(4, "\xff\xff\xff\xff", 4));
  uint8_t bytes[8];
  SharedFileSource source(reader);
  ASSERT_EQ(source.ReadAt(0, bytes, 8), 8u);
  EXPECT_EQ(bytes[3], 0);
  EXPECT_EQ(bytes[4], 0xff);
  EXPECT_EQ(source.ReadAt(6, bytes, 8), 2u) << "a read at the end is short, not an error";
}

}  // namespace
}  // namespace lw
