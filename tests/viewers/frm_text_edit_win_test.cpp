// The text viewer opened from the real main window's tools menu over real files: what it shows,
// the marking of edits, saving and its failures, and the exclusion filter. What it decides (and the
// position it comes back at) is text_viewer_test.cpp's; controls are found by their names, as UI
// automation finds them. How a modal loop ends however its window goes is FormsLoop's test.
#include "app/viewers/frm_text_edit_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "app/discovery/installation.h"
#include "app/tools/files_win.h"
#include "app/tools/paths.h"
#include "app/viewers/text_viewer.h"
#include "tests/fixtures/main_window_win.h"
#include "tests/fixtures/program_win.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

using namespace std::string_literals;

std::string FileBytes(const std::string& path) { return ReadWholeFile(path, 1 << 20); }

// The files of a folder, to see that a save leaves no temporary file behind.
std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(folder)))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class TextViewer : public fixtures::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    Open();
    Analyse();
    reports = NormaliseFolder(Install.ReportsFolder);
    CreateDirectoryA(reports.c_str(), nullptr);
    settings = NormaliseFolder(Install.SageSettingsFolder);
    company = NormaliseFolder(Install.SetupFolder) + "company";
    MakePath(NormaliseFolder(Install.SetupFolder));
    sageIni = settings + "sage.ini";
    iniBefore = FileBytes(sageIni);
  }
  void TearDown() override {
    DeleteFileA((reports + "errors.rpt").c_str());
    DeleteFileA(company.c_str());
    SetFileAttributesA(sageIni.c_str(), FILE_ATTRIBUTE_NORMAL);  // after the read-only case
    fixtures::WriteFile(sageIni, iniBefore);
    MainWindowTest::TearDown();
  }

  // Chooses the tools menu entry; `whileOpen` runs inside the viewer's modal loop once it is on
  // the screen, and the menu's click returns once the viewer has closed. A viewer still open
  // after `whileOpen` is closed with Cancel, and `leftOpen` says so.
  void ViewFromMenu(const char* entry, const std::function<void(frmTextEdit&)>& whileOpen) {
    leftOpen = false;
    frmTextEdit* viewer = nullptr;
    fixtures::ModalSteps steps([&] {
      if (!viewer) {
        auto* active = dynamic_cast<frmTextEdit*>(forms::ActiveForm());
        if (!active || !IsWindowVisible(active->Hwnd())) return false;
        whileOpen(*(viewer = active));
      }
      if (!viewer->Loaded()) return true;
      leftOpen = true;
      Click(viewer->cmdCancel);
      return true;
    });
    form->RefreshCheckDataMenus();
    ASSERT_TRUE(form->mnuMenu->Click(entry)) << entry << " is not available";
    EXPECT_TRUE(viewer);
  }

  static HWND Box(const frmTextEdit& v) { return forms::FindControl(v.Hwnd(), "rtbMain"); }
  static std::string Shown(const frmTextEdit& v) { return fixtures::WindowText(Box(v)); }
  static uint32_t BackOf(const frmTextEdit& v) { return forms::ControlFromHwnd(Box(v))->BackColor(); }
  static bool ReadOnly(const frmTextEdit& v) { return GetWindowLongPtrA(Box(v), GWL_STYLE) & ES_READONLY; }
  static bool CanSave(const frmTextEdit& v) {
    HWND save = forms::FindControl(v.Hwnd(), "cmdSave");
    return (GetWindowLongPtrA(save, GWL_STYLE) & WS_VISIBLE) && IsWindowEnabled(save);
  }
  // Keys typed into a control, as the keyboard delivers them: Enter acts when the key goes down,
  // the others as characters.
  static void Type(HWND control, const std::string& keys) {
    for (char c : keys) {
      if (c == '\r') SendMessageA(control, WM_KEYDOWN, VK_RETURN, 1);
      SendMessageA(control, WM_CHAR, static_cast<unsigned char>(c), 1);
      if (c == '\r') SendMessageA(control, WM_KEYUP, VK_RETURN, 0xC0000001);
    }
  }
  // Typed at the end of the text, or at its start.
  static void TypeAt(long at, const frmTextEdit& v, const std::string& keys) {
    SendMessageA(Box(v), EM_SETSEL, at, at);
    Type(Box(v), keys);
  }

  std::string reports, settings, company, sageIni, iniBefore;
  bool leftOpen = false;
};

TEST_F(TextViewer, AReportShowsItsLinesReadOnlyWithoutSaveAndTheFilterHidesLines) {
  const std::string padding(120, '.');  // a report long enough to list
  const std::string report = "Error 1 in ABC record" + "\0"s + "Header ok" + padding + "\0"s + "abcdef" + "\0"s;
  fixtures::WriteFile(reports + "errors.rpt", report);
  ViewFromMenu("mnuErrors", [&](frmTextEdit& v) {
    EXPECT_EQ(Shown(v), "Error 1 in ABC record\r\nHeader ok" + padding + "\r\nabcdef\r\n");
    EXPECT_TRUE(ReadOnly(v));
    EXPECT_FALSE(CanSave(v));
    Type(forms::FindControl(v.Hwnd(), "txtExc"), "aBc");
    EXPECT_EQ(Shown(v), "Header ok" + padding + "\r\n");
    EXPECT_EQ(BackOf(v), kEditedColour) << "a filtered view is marked";
    EXPECT_FALSE(CanSave(v));
  });
  EXPECT_EQ(FileBytes(reports + "errors.rpt"), report) << "a report is never written";
}

// The company file is shown normalised and saved as shown, under the name the disk has, leaving no
// temporary file.
TEST_F(TextViewer, TheCompanyFileIsMarkedWhileEditedAndSavedAsShown) {
  fixtures::WriteFile(company, "C:\\Data\\Wickham\n\n\nC:\\Data\\Demo  \n\n");
  const std::string folder = NormaliseFolder(Install.SetupFolder);
  const std::vector<std::string> before = FilesIn(folder);
  ViewFromMenu("mnuCompany", [&](frmTextEdit& v) {
    EXPECT_EQ(fixtures::WindowText(v.Hwnd()), company);
    EXPECT_EQ(Shown(v), "C:\\Data\\Wickham\r\nC:\\Data\\Demo\r\n");
    EXPECT_EQ(BackOf(v), kUneditedColour) << "the normalised text is the text as loaded";
    EXPECT_FALSE(CanSave(v));
    TypeAt(-1, v, "\r\xE9t\xE9 \r\r");
    EXPECT_EQ(BackOf(v), kEditedColour);
    Click(v.cmdSave);
  });
  EXPECT_FALSE(leftOpen) << "Save closes the window";
  EXPECT_EQ(FileBytes(company), "C:\\Data\\Wickham\r\nC:\\Data\\Demo\r\n\xE9t\xE9\r\n");
  EXPECT_EQ(FilesIn(folder), before) << "no temporary file left, the name's letter case kept";
}

// A file the window cannot save stays as it was, and so does the window with the edits; a file
// that is not there is neither editable nor created.
TEST_F(TextViewer, ASaveThatFailsSaysWhyAndKeepsTheWindowTheEditsAndTheFile) {
  const std::string original = "[Defaults]\r\n";
  std::unique_ptr<fixtures::LockedFile> holder;
  const struct {
    const char* name;
    std::function<void()> hinder, release;
    const char* reason;
  } cases[] = {
      {"read-only", [&] { SetFileAttributesA(sageIni.c_str(), FILE_ATTRIBUTE_READONLY); },
       [&] { SetFileAttributesA(sageIni.c_str(), FILE_ATTRIBUTE_NORMAL); }, "read-only"},
      {"held by another program", [&] { holder = std::make_unique<fixtures::LockedFile>(sageIni, 4000); },
       [&] { holder.reset(); }, "Another program has it open"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fixtures::WriteFile(sageIni, original);
    const std::vector<std::string> before = FilesIn(settings);
    messages.clear();
    ViewFromMenu("mnuSetupIni", [&](frmTextEdit& v) {
      c.hinder();
      TypeAt(-1, v, "Edited=1");
      Click(v.cmdSave);
      EXPECT_TRUE(v.Loaded()) << "the window stays";
      EXPECT_EQ(Shown(v), original + "Edited=1") << "with the edits";
      EXPECT_TRUE(CanSave(v));
      c.release();
    });
    EXPECT_TRUE(leftOpen);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].starts_with("Save Failed|48|The file " + sageIni + " was not saved:")) << messages[0];
    EXPECT_NE(messages[0].find(c.reason), std::string::npos) << messages[0];
    EXPECT_EQ(FileBytes(sageIni), original);
    EXPECT_EQ(FilesIn(settings), before) << "no temporary file left";
  }

  DeleteFileA(sageIni.c_str());
  ViewFromMenu("mnuSetupIni", [&](frmTextEdit& v) {
    EXPECT_EQ(Shown(v), "File Not Found");
    EXPECT_TRUE(ReadOnly(v));
    EXPECT_FALSE(CanSave(v));
  });
  EXPECT_FALSE(FileExists(sageIni)) << "nothing was created";
}

}  // namespace
}  // namespace lw
