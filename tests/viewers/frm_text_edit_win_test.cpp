// The text viewer opened from the real main window's tools menu over real files: what it shows,
// the marking of edits, saving and its failures, the exclusion filter, the ways out and the
// remembered position. Controls are found by their names, as UI automation finds them.
#include "app/viewers/frm_text_edit_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <thread>

#include "app/discovery/installation.h"
#include "app/state/settings_win.h"
#include "app/tools/files_win.h"
#include "app/tools/paths.h"
#include "app/tools/text.h"
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
    ASSERT_FALSE(reports.empty());
    CreateDirectoryA(reports.c_str(), nullptr);
    settings = NormaliseFolder(Install.SageSettingsFolder);
    company = NormaliseFolder(Install.SetupFolder) + "company";
    MakePath(NormaliseFolder(Install.SetupFolder));
    sageIni = settings + "sage.ini";
    iniBefore = FileBytes(sageIni);
  }
  void TearDown() override {
    for (const std::string& f : {reports + "errors.rpt", company})
      if (FileExists(f)) {
        SetFileAttributesA(f.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(f.c_str());
      }
    SetFileAttributesA(sageIni.c_str(), FILE_ATTRIBUTE_NORMAL);
    fixtures::WriteFile(sageIni, iniBefore);
    MainWindowTest::TearDown();
  }

  // Chooses the tools menu entry; `whileOpen` runs inside the viewer's modal loop once it is on
  // the screen, and the menu's click returns once the viewer has closed. A viewer still open
  // `closeWithinMs` after `whileOpen` is closed with Cancel, and `leftOpen` says so.
  void ViewFromMenu(const char* entry, const std::function<void(frmTextEdit&)>& whileOpen, DWORD closeWithinMs = 0) {
    leftOpen = false;
    bool viewerShown = false;
    frmTextEdit* viewer = nullptr;
    ULONGLONG deadline = 0;
    fixtures::ModalSteps steps([&] {
      if (!viewer) {
        auto* active = dynamic_cast<frmTextEdit*>(forms::ActiveForm());
        if (!active || !IsWindowVisible(active->Hwnd())) return false;
        viewer = active;
        viewerShown = true;
        whileOpen(*viewer);
        deadline = GetTickCount64() + closeWithinMs;
      }
      if (!viewer->Loaded()) return true;
      if (GetTickCount64() < deadline) return false;  // the viewer's loop is to end it by itself
      leftOpen = true;
      Click(viewer->cmdCancel);
      return true;
    });
    form->RefreshCheckDataMenus();
    ASSERT_TRUE(form->mnuMenu->Click(entry)) << entry << " is not available";
    EXPECT_TRUE(viewerShown);
  }

  static HWND Named(const frmTextEdit& v, const char* name) { return forms::FindControl(v.Hwnd(), name); }
  static std::string TextOf(const frmTextEdit& v, const char* name) { return fixtures::WindowText(Named(v, name)); }
  static uint32_t BackOf(const frmTextEdit& v) { return forms::ControlFromHwnd(Named(v, "rtbMain"))->BackColor(); }
  static bool Shown(const frmTextEdit& v, const char* name) {
    return GetWindowLongPtrA(Named(v, name), GWL_STYLE) & WS_VISIBLE;
  }
  static bool On(const frmTextEdit& v, const char* name) { return IsWindowEnabled(Named(v, name)); }
  static bool ReadOnly(const frmTextEdit& v) { return GetWindowLongPtrA(Named(v, "rtbMain"), GWL_STYLE) & ES_READONLY; }
  // Keys typed into a control, as the keyboard delivers them: Enter and Backspace act when the key
  // goes down, the others as characters.
  static void Type(HWND control, const std::string& keys) {
    for (char c : keys) {
      const WORD key = c == '\r' ? VK_RETURN : c == '\b' ? VK_BACK : 0;
      if (key) SendMessageA(control, WM_KEYDOWN, key, 1);
      SendMessageA(control, WM_CHAR, static_cast<unsigned char>(c), 1);
      if (key) SendMessageA(control, WM_KEYUP, key, 0xC0000001);
    }
  }
  static void TypeAtEnd(const frmTextEdit& v, const std::string& keys) {
    SendMessageA(Named(v, "rtbMain"), EM_SETSEL, -1, -1);
    Type(Named(v, "rtbMain"), keys);
  }

  std::string reports, settings, company, sageIni, iniBefore;
  bool leftOpen = false;
};

TEST_F(TextViewer, AReportShowsItsLinesReadOnlyWithoutSaveAndTheFilterHidesLines) {
  const std::string padding(120, '.');
  const std::string report = "Error 1 in ABC record" + "\0"s + "Header ok " + padding + "\0"s + "abcdef" + "\0"s;
  fixtures::WriteFile(reports + "errors.rpt", report);
  const std::string file = reports + "errors.rpt";
  ViewFromMenu("mnuErrors", [&](frmTextEdit& v) {
    EXPECT_EQ(fixtures::WindowText(v.Hwnd()), file) << "the caption";
    const std::string shown = "Error 1 in ABC record\r\nHeader ok " + padding + "\r\nabcdef\r\n";
    EXPECT_EQ(TextOf(v, "rtbMain"), shown);
    EXPECT_TRUE(ReadOnly(v));
    EXPECT_EQ(BackOf(v), kUneditedColour);
    EXPECT_FALSE(Shown(v, "cmdSave"));
    EXPECT_TRUE(Shown(v, "txtExc"));

    HWND exclusion = Named(v, "txtExc");
    Type(exclusion, "aBc");
    EXPECT_EQ(TextOf(v, "rtbMain"), "Header ok " + padding + "\r\n");
    EXPECT_EQ(BackOf(v), kEditedColour) << "a filtered view is marked";
    EXPECT_FALSE(Shown(v, "cmdSave"));
    Type(exclusion, "\b");
    EXPECT_EQ(TextOf(v, "rtbMain"), shown);
    EXPECT_EQ(BackOf(v), kUneditedColour);
    Click(v.cmdCancel);
  });
  EXPECT_FALSE(leftOpen);
  EXPECT_EQ(FileBytes(file), report) << "a report is never written";
}

TEST_F(TextViewer, TheCompanyFileIsShownAndSavedWithCrLfEndsNoBlankLinesAndOneFinalLineEnd) {
  fixtures::WriteFile(company, "C:\\Data\\Wickham\n\n\nC:\\Data\\Demo  \n\n");
  ViewFromMenu("mnuCompany", [&](frmTextEdit& v) {
    EXPECT_EQ(fixtures::WindowText(v.Hwnd()), company);
    EXPECT_EQ(TextOf(v, "rtbMain"), "C:\\Data\\Wickham\r\nC:\\Data\\Demo\r\n");
    EXPECT_EQ(BackOf(v), kUneditedColour) << "the normalised text is the text as loaded";
    EXPECT_TRUE(Shown(v, "cmdSave"));
    EXPECT_FALSE(On(v, "cmdSave"));
    EXPECT_FALSE(Shown(v, "txtExc"));
    TypeAtEnd(v, "\rC:\\Data\\New \r\r");
    EXPECT_EQ(BackOf(v), kEditedColour);
    EXPECT_TRUE(On(v, "cmdSave"));
    Click(v.cmdSave);
  });
  EXPECT_FALSE(leftOpen) << "Save closes the window";
  EXPECT_EQ(FileBytes(company), "C:\\Data\\Wickham\r\nC:\\Data\\Demo\r\nC:\\Data\\New\r\n");
}

TEST_F(TextViewer, SageIniIsMarkedWhileEditedAndSavedExactlyAsEditedUnderItsOwnName) {
  fixtures::WriteFile(sageIni, "[Defaults]\r\nLastDataPath=C:\\Data\r\n");
  const std::vector<std::string> before = FilesIn(settings);
  ViewFromMenu("mnuSetupIni", [&](frmTextEdit& v) {
    EXPECT_EQ(fixtures::WindowText(v.Hwnd()), sageIni);
    EXPECT_FALSE(ReadOnly(v));
    TypeAtEnd(v, "x");
    EXPECT_EQ(BackOf(v), 0xFFC0FFu);
    EXPECT_TRUE(On(v, "cmdSave"));
    Type(Named(v, "rtbMain"), "\b");  // undone by hand
    EXPECT_EQ(BackOf(v), 0xFFFFFFu);
    EXPECT_FALSE(On(v, "cmdSave"));
    SendMessageA(Named(v, "rtbMain"), EM_SETSEL, 0, 0);
    Type(Named(v, "rtbMain"), "; \xE9t\xE9\r");
    Click(v.cmdSave);
  });
  EXPECT_FALSE(leftOpen);
  EXPECT_EQ(FileBytes(sageIni), "; \xE9t\xE9\r\n[Defaults]\r\nLastDataPath=C:\\Data\r\n");
  EXPECT_EQ(FilesIn(settings), before) << "no temporary file left, the name's letter case kept";
}

TEST_F(TextViewer, ASaveThatFailsSaysWhyAndKeepsTheWindowTheEditsAndTheFile) {
  const std::string original = "[Defaults]\r\nLastDataPath=C:\\Data\r\n";
  struct Case {
    const char* name;
    std::function<void()> hinder, release;
    const char* reason;
  };
  std::unique_ptr<fixtures::LockedFile> holder;
  const Case cases[] = {
      {"read-only", [&] { SetFileAttributesA(sageIni.c_str(), FILE_ATTRIBUTE_READONLY); },
       [&] { SetFileAttributesA(sageIni.c_str(), FILE_ATTRIBUTE_NORMAL); }, "read-only"},
      {"held by another program", [&] { holder = std::make_unique<fixtures::LockedFile>(sageIni, 4000); },
       [&] { holder.reset(); }, "Another program has it open"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fixtures::WriteFile(sageIni, original);
    const std::vector<std::string> before = FilesIn(settings);
    messages.clear();
    ViewFromMenu("mnuSetupIni", [&](frmTextEdit& v) {
      c.hinder();
      TypeAtEnd(v, "Edited=1");
      Click(v.cmdSave);
      EXPECT_TRUE(v.Loaded()) << "the window stays";
      EXPECT_EQ(TextOf(v, "rtbMain"), original + "Edited=1") << "with the edits";
      EXPECT_EQ(BackOf(v), kEditedColour);
      EXPECT_TRUE(On(v, "cmdSave"));
      c.release();
    });
    EXPECT_TRUE(leftOpen);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].starts_with("Save Failed|48|The file " + sageIni + " was not saved:")) << messages[0];
    EXPECT_NE(messages[0].find(c.reason), std::string::npos) << messages[0];
    EXPECT_EQ(FileBytes(sageIni), original);
    EXPECT_EQ(FilesIn(settings), before) << "no temporary file left";
  }
}

TEST_F(TextViewer, AMissingFileIsReadOnlyWithNothingToSave) {
  DeleteFileA(sageIni.c_str());
  ViewFromMenu("mnuSetupIni", [&](frmTextEdit& v) {
    EXPECT_EQ(TextOf(v, "rtbMain"), "File Not Found");
    EXPECT_TRUE(ReadOnly(v));
    EXPECT_FALSE(On(v, "cmdSave"));
  });
  EXPECT_FALSE(FileExists(sageIni)) << "nothing was created";
}

// The modal loop ends however the window goes (FormsLoop's tests); here, the viewer's own ways.
TEST_F(TextViewer, EveryWayOutClosesWithoutSaving) {
  const std::string original = "[Defaults]\r\n";
  // Sent from another thread, as UI automation sends it: it arrives inside the viewer's loop while
  // it waits, without waking it.
  std::thread outside;
  struct WayOut {
    const char* name;
    std::function<void(frmTextEdit&)> leave;
  } ways[] = {
      {"a click sent to Cancel",
       [&](frmTextEdit& v) { outside = std::thread(fixtures::SendFromOutside, v.cmdCancel->Hwnd(), BM_CLICK, 0, 0); }},
      {"Esc in the text", [](frmTextEdit& v) { PostMessageA(Named(v, "rtbMain"), WM_KEYDOWN, VK_ESCAPE, 0); }},
  };
  for (const WayOut& way : ways) {
    SCOPED_TRACE(way.name);
    fixtures::WriteFile(sageIni, original);
    ViewFromMenu(
        "mnuSetupIni",
        [&](frmTextEdit& v) {
          TypeAtEnd(v, "x");
          way.leave(v);
        },
        3000);
    if (outside.joinable()) outside.join();
    EXPECT_FALSE(leftOpen);
    EXPECT_TRUE(messages.empty()) << "edits are dropped without a question";
    EXPECT_TRUE(IsWindowEnabled(form->Hwnd())) << "the main window is usable again";
    EXPECT_EQ(FileBytes(sageIni), original);
  }
}

TEST_F(TextViewer, ThePositionIsKeptAcrossOpeningsButNotFromAMaximisedWindow) {
  const auto stored = [] {
    return GetAppSetting("LeftTextEdit", "?") + " " + GetAppSetting("TopTextEdit", "?") + " " +
           GetAppSetting("WidthTextEdit", "?") + " " + GetAppSetting("HeightTextEdit", "?");
  };
  const auto placed = [](const frmTextEdit& v) {
    return Format("%d %d %d %d", v.Left(), v.Top(), v.Width(), v.Height());
  };
  fixtures::WriteFile(sageIni, "[Defaults]\r\n");
  ViewFromMenu("mnuSetupIni", [&](frmTextEdit& v) {
    v.Move(1500, 1200, 9000, 6000);
    EXPECT_NEAR(v.picButtons->Left(), v.ScaleWidth() - v.picButtons->Width() - 120, 15) << "laid out again";
    Click(v.cmdCancel);
  });
  EXPECT_EQ(stored(), "1500 1200 9000 6000");

  ViewFromMenu("mnuSetupIni", [&](frmTextEdit& v) {
    EXPECT_EQ(placed(v), "1500 1200 9000 6000");
    ShowWindow(v.Hwnd(), SW_MAXIMIZE);
    EXPECT_EQ(v.WindowState(), 2);
    Click(v.cmdCancel);
  });
  EXPECT_EQ(stored(), "1500 1200 9000 6000") << "not stored from a maximised window";

  ViewFromMenu("mnuSetupIni", [&](frmTextEdit& v) {
    EXPECT_EQ(v.WindowState(), 0);
    EXPECT_EQ(placed(v), "1500 1200 9000 6000");
  });
}

}  // namespace
}  // namespace lw
