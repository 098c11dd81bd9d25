// The check-data entries of the real main window's tools menu, over real report files.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/datafiles/check_data_reports.h"
#include "app/shell/frm_main_window_win.h"
#include "app/tools/files_win.h"
#include "app/tools/paths.h"
#include "tests/fixtures/main_window_win.h"

namespace lw {
namespace {

class CheckDataMenus : public fixtures::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    answer = IDNO;
    Open();
    Analyse();
    errors = form->lblRepPath->Caption() + "errors.rpt";
    ASSERT_NE(errors, "errors.rpt");
    CreateDirectoryA(form->lblRepPath->Caption().c_str(), nullptr);
  }
  void TearDown() override {
    DeleteFileA(errors.c_str());
    MainWindowTest::TearDown();
  }
  // An item as "caption" or "caption (off)", after the Menu button was pressed as the user presses
  // it (the menu that pops up is closed again at once).
  std::string Entry(const char* name) const {
    PostMessageA(form->Hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageA(form->cmdMenu->Hwnd(), BM_CLICK, 0, 0);
    forms::MenuItem* item = form->mnuMenu->Find(name);
    return item->caption + (item->enabled ? "" : " (off)");
  }

  std::string errors;
};

TEST_F(CheckDataMenus, EntriesFollowTheFilesWhenTheMenuOpensAndTheWatermarkGoesOnlyOnYes) {
  const std::string watermark = NormaliseFolder(dir.Win("Wickham")) + "watermark.xml";
  fixtures::WriteFile(errors, std::string(780, 'x'));
  fixtures::WriteFile(watermark, std::string("Checked by MANAGER\r\non 01/02/2012\r\n"));
  EXPECT_EQ(Entry("mnuErrors"), "3 Errors from the last Data Check");
  EXPECT_EQ(Entry("mnuComments"), "Comments file not found (off)");
  EXPECT_EQ(Entry("mnuWatermark"), "Delete Watermark Checked by MANAGERon 01/02/2012");
  // One too large to be a watermark is not read, and can still be deleted.
  fixtures::WriteFile(watermark, std::string(kMaxWatermarkBytes + 1, 'x'));
  EXPECT_EQ(Entry("mnuWatermark"), "Delete Watermark ");

  EXPECT_TRUE(form->mnuMenu->Click("mnuWatermark"));
  EXPECT_EQ(messages,
            std::vector<std::string>{"Delete Watermark|52|Are you sure that you want to delete " + watermark + " ?"});
  EXPECT_TRUE(FileExists(watermark)) << "answered No";
  answer = IDYES;
  EXPECT_TRUE(form->mnuMenu->Click("mnuWatermark"));
  EXPECT_FALSE(FileExists(watermark));
  EXPECT_EQ(Entry("mnuWatermark"), "Watermark file not found (off)");
}

}  // namespace
}  // namespace lw
