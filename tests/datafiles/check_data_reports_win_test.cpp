// The check-data entries of the real main window's tools menu, over real report files.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "app/datafiles/check_data_reports.h"
#include "app/discovery/installation.h"
#include "app/forms/forms_win.h"
#include "app/shell/frm_main_window_win.h"
#include "app/state/app_state.h"
#include "app/tools/files_win.h"
#include "app/tools/paths.h"
#include "tests/fixtures/data_files.h"
#include "tests/fixtures/main_window_win.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

class CheckDataMenus : public fixtures::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    answer = IDNO;
    Open();
    Analyse();
    reports = form->lblRepPath->Caption();
    ASSERT_FALSE(reports.empty());
    CreateDirectoryA(reports.c_str(), nullptr);
    watermark = NormaliseFolder(dir.Win("Wickham")) + "watermark.xml";
  }
  void TearDown() override {
    for (const char* name : {"errors.rpt", "warnings.rpt", "comments.rpt"}) DeleteFileA((reports + name).c_str());
    MainWindowTest::TearDown();
  }
  void Report(const char* name, size_t bytes) const { fixtures::WriteFile(reports + name, std::string(bytes, 'x')); }
  // An item as "caption" or "caption (off)".
  std::string Entry(const char* name) const {
    forms::MenuItem* item = form->mnuMenu->Find(name);
    return item->caption + (item->enabled ? "" : " (off)");
  }
  // The Menu button, as the user presses it; the menu that pops up is closed again at once.
  void PressMenuButton() const {
    PostMessageA(form->Hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageA(form->cmdMenu->Hwnd(), BM_CLICK, 0, 0);
  }

  std::string reports, watermark;
};

TEST_F(CheckDataMenus, EntriesCountTheReportsAndFollowTheFilesEachTimeTheMenuOpens) {
  // The analysis brings the entries up to date.
  Report("errors.rpt", 780);
  Report("warnings.rpt", 390);
  Report("comments.rpt", 100);
  form->txtPath->SetText(dir.Win("Wickham\\ACCDATA\\"));
  EXPECT_EQ(Entry("mnuErrors"), "3 Errors from the last Data Check");
  EXPECT_EQ(Entry("mnuWarnings"), "2 Warnings from the last Data Check");
  EXPECT_EQ(Entry("mnuComments"), "0 Comments from the last Data Check (off)") << "too short for one entry";
  EXPECT_EQ(Entry("mnuWatermark"), "Watermark file not found (off)");

  // So does the Menu button, before the menu pops up.
  Report("errors.rpt", 260);
  Report("warnings.rpt", 650);
  DeleteFileA((reports + "comments.rpt").c_str());
  fixtures::WriteFile(watermark, std::string("Checked by MANAGER\r\non 01/02/2012\r\n"));
  PressMenuButton();
  EXPECT_EQ(Entry("mnuErrors"), "1 Error from the last Data Check");
  EXPECT_EQ(Entry("mnuWarnings"), "2 Warnings from the last Data Check");
  EXPECT_EQ(Entry("mnuComments"), "Comments file not found (off)");
  EXPECT_EQ(Entry("mnuWatermark"), "Delete Watermark Checked by MANAGERon 01/02/2012");
  EXPECT_FALSE(form->mnuMenu->Click("mnuComments"));
  // One too large to be a watermark is not read, and can still be deleted.
  fixtures::WriteFile(watermark, std::string(kMaxWatermarkBytes + 1, 'x'));
  PressMenuButton();
  EXPECT_EQ(Entry("mnuWatermark"), "Delete Watermark ");

  DeleteFileA((reports + "errors.rpt").c_str());
  DeleteFileA((reports + "warnings.rpt").c_str());
  PressMenuButton();
  EXPECT_EQ(Entry("mnuErrors"), "Errors file not found (off)");
  EXPECT_EQ(Entry("mnuWarnings"), "Warnings file not found (off)");
  EXPECT_EQ(form->mnuMenu->Find("mnuCompany")->caption, "Edit the Sage Company file") << "left as it is";
}

TEST_F(CheckDataMenus, WatermarkIsDeletedOnlyWhenTheUserSaysYes) {
  fixtures::WriteFile(watermark, std::string("<watermark/>"));
  PressMenuButton();
  ASSERT_EQ(Entry("mnuWatermark"), "Delete Watermark <watermark/>");
  answer = IDNO;
  EXPECT_TRUE(form->mnuMenu->Click("mnuWatermark"));
  EXPECT_EQ(messages,
            std::vector<std::string>{"Delete Watermark|52|Are you sure that you want to delete " + watermark + " ?"});
  EXPECT_TRUE(FileExists(watermark));

  answer = IDYES;
  EXPECT_TRUE(form->mnuMenu->Click("mnuWatermark"));
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_FALSE(FileExists(watermark));
  EXPECT_EQ(Entry("mnuWatermark"), "Delete Watermark <watermark/>") << "brought up to date when the menu opens";
  PressMenuButton();
  EXPECT_EQ(Entry("mnuWatermark"), "Watermark file not found (off)");

  // Gone by the time it is clicked: nothing is asked.
  fixtures::WriteFile(watermark, std::string("<watermark/>"));
  PressMenuButton();
  DeleteFileA(watermark.c_str());
  form->mnuMenu->Find("mnuWatermark")->onClick();
  EXPECT_EQ(messages.size(), 2u);
}

TEST_F(CheckDataMenus, UnknownFoldersNameNoFileNotEvenInTheCurrentFolder) {
  struct InFolder {
    char previous[MAX_PATH] = {};
    explicit InFolder(const std::string& folder) {
      GetCurrentDirectoryA(MAX_PATH, previous);
      SetCurrentDirectoryA(folder.c_str());
    }
    ~InFolder() { SetCurrentDirectoryA(previous); }
  } inScratch(dir.Win());
  fixtures::WriteFile(dir.Path("errors.rpt"), std::string(780, 'x'));
  fixtures::WriteFile(dir.Path("watermark.xml"), std::string("<watermark/>"));
  Install.ReportsFolder.clear();
  Install.CompanyFolder.clear();
  form->RefreshCheckDataMenus();
  EXPECT_EQ(Entry("mnuErrors"), "Errors file not found (off)");
  EXPECT_EQ(Entry("mnuWatermark"), "Watermark file not found (off)");
  answer = IDYES;
  form->mnuMenu->Find("mnuWatermark")->onClick();
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(FileExists(dir.Win("watermark.xml")));
}

}  // namespace
}  // namespace lw
