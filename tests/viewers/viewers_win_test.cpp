// The help viewer over the help document this build writes, and the printing both viewers share:
// the question, the print dialog's options and the page loop on a device context of its own.
#include <windows.h>

#include <richedit.h>

#include <gtest/gtest.h>

#include <memory>

#include "app/forms/forms_win.h"
#include "app/tools/files_win.h"
#include "app/viewers/frm_help_win.h"
#include "app/viewers/help_viewer.h"
#include "app/viewers/print_win.h"
#include "common/product.h"
#include "tests/fixtures/program_win.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

// ---- the help viewer ----

class HelpViewer : public ::testing::Test {
 protected:
  void TearDown() override {
    help.reset();
    DeleteFileA(helpFile.c_str());
  }
  void OpenHelp() {
    help = std::make_unique<frmHelp>();
    help->Load();
  }
  std::string Text() const { return fixtures::WindowText(forms::FindControl(help->Hwnd(), "rtbHelp")); }

  // Beside the test program, as help.rtf is beside Ledgerwell.exe.
  const std::string helpFile = HelpFile(ProgramFolder());
  std::unique_ptr<frmHelp> help;
};

TEST_F(HelpViewer, WithoutTheDocumentItSaysWhereItShouldBe) {
  DeleteFileA(helpFile.c_str());
  EXPECT_FALSE(HelpFileExists());
  OpenHelp();
  EXPECT_EQ(Text(), "Sorry - The help file " + helpFile + " is missing.");
  // A test program has no version information: the program's title stands in.
  EXPECT_EQ(fixtures::WindowText(help->Hwnd()), std::string(kAppTitle) + " - Documentation");
}

TEST_F(HelpViewer, TheBuiltDocumentShowsItsHeadingsListsAndParagraphsAsRichText) {
  ASSERT_TRUE(CopyFileA(fixtures::BuildTreeFile(LW_HELP_RTF).c_str(), helpFile.c_str(), FALSE));
  EXPECT_TRUE(HelpFileExists());
  OpenHelp();
  const std::string text = Text();
  ASSERT_NE(text.find("Clearing a locked user"), std::string::npos) << text.substr(0, 300);
  EXPECT_EQ(text.find("\\par"), std::string::npos) << "read as rich text, not shown as its source";
  EXPECT_EQ(text.find("**"), std::string::npos) << "no Markdown left in it";
  HWND box = help->rtbHelp->Hwnd();
  EXPECT_TRUE(GetWindowLongPtrA(box, GWL_STYLE) & ES_READONLY);

  auto formatAt = [&](const std::string& what) {
    // Positions of the control count a line break as one character.
    std::string flat = text;
    for (size_t at; (at = flat.find("\r\n")) != std::string::npos;) flat.erase(at, 1);
    const long start = static_cast<long>(flat.find(what));
    EXPECT_GE(start, 0) << what;
    help->rtbHelp->Select(start + 1, 1);
    CHARFORMAT2A character{};
    character.cbSize = sizeof character;
    SendMessageA(box, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&character));
    PARAFORMAT2 paragraph{};
    paragraph.cbSize = sizeof paragraph;
    SendMessageA(box, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
    return std::make_pair(character, paragraph);
  };
  const auto [heading, headingPara] = formatAt("The panels of the main window");
  const auto [body, bodyPara] = formatAt("Ledgerwell looks at one Sage 50");
  const auto [item, itemPara] = formatAt("Customer Write");
  EXPECT_TRUE(heading.dwEffects & CFE_BOLD) << "a heading is bold";
  EXPECT_GT(heading.yHeight, body.yHeight) << "and larger than the text";
  EXPECT_FALSE(body.dwEffects & CFE_BOLD);
  EXPECT_EQ(bodyPara.dxStartIndent + bodyPara.dxOffset, 0);
  EXPECT_GT(itemPara.dxStartIndent + itemPara.dxOffset, 0) << "a list item is indented";
}

TEST_F(HelpViewer, TheWindowTakesNineTenthsOfTheScreenHeightAndTheDocumentFillsIt) {
  OpenHelp();
  const int screenHeight = forms::PixelsToTwipsY(GetSystemMetrics(SM_CYSCREEN));
  EXPECT_NEAR(help->Height(), screenHeight * 9 / 10, 15);
  EXPECT_LE(help->Width(), forms::PixelsToTwipsX(GetSystemMetrics(SM_CXSCREEN)));
  EXPECT_EQ(help->rtbHelp->Width(), help->ScaleWidth());
  EXPECT_NEAR(help->rtbHelp->Top() + help->rtbHelp->Height(), help->ScaleHeight(), 15);
  EXPECT_LT(help->lblPrint->Top() + help->lblPrint->Height(), help->rtbHelp->Top()) << "Print sits above it";
}

// ---- printing ----

struct PrintCall {
  DWORD flags = 0;
  HWND owner = nullptr;
};

class Printing : public ::testing::Test {
 protected:
  void SetUp() override {
    form.Create("Print test", 6000, 4000, forms::FormStyle::Sizable);
    box = &form.AddRichTextBox("rtbMain", {0, 0, 6000, 4000});
    std::string text;
    for (int i = 1; i <= 300; ++i) text += "Line " + std::to_string(i) + " of the document to print\r\n";
    box->SetText(text);
    previousBox_ = forms::SetMsgBoxHandler([this](const std::string& text, unsigned style, const std::string& title) {
      boxes.push_back(title + "|" + std::to_string(style) + "|" + text);
      return answer;
    });
    previousDialog_ = forms::SetPrintDialogHandler([this](PRINTDLGA& dialog) {
      calls.push_back({dialog.Flags, dialog.hwndOwner});
      if (!print) return false;
      // No printer in the test prefix: a device context that refuses a print job, as a printer
      // that fails does.
      dialog.hDC = CreateCompatibleDC(nullptr);
      dialog.Flags |= chooseSelection ? PD_SELECTION : 0;
      return true;
    });
  }
  void TearDown() override {
    forms::SetMsgBoxHandler(previousBox_);
    forms::SetPrintDialogHandler(previousDialog_);
  }

  forms::Form form;
  forms::RichTextBox* box = nullptr;
  std::vector<std::string> boxes;
  std::vector<PrintCall> calls;
  int answer = IDNO;
  bool print = false, chooseSelection = false;

 private:
  forms::MsgBoxHandler previousBox_;
  forms::PrintDialogHandler previousDialog_;
};

TEST_F(Printing, ASelectionIsAskedAboutAndTheAnswerSetsTheDialogsRange) {
  PrintRichTextBox(*box, "doc", true);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_TRUE(boxes.empty()) << "nothing selected: nothing asked";
  EXPECT_EQ(calls[0].flags & (PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_SELECTION),
            DWORD(PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION));
  EXPECT_EQ(calls[0].owner, form.Hwnd());

  box->Select(10, 40);
  answer = IDYES;
  PrintRichTextBox(*box, "doc", true);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0],
            "Partial Print|" + std::to_string(MB_YESNO | MB_ICONQUESTION) +
                "|A portion of the document has been selected.\r\n\r\n"
                "Do you want to restrict the print to the selected portion only ?");
  EXPECT_EQ(calls[1].flags & (PD_SELECTION | PD_NOSELECTION), DWORD(PD_SELECTION));

  answer = IDNO;
  PrintRichTextBox(*box, "doc", true);
  EXPECT_EQ(boxes.size(), 2u);
  EXPECT_EQ(calls[2].flags & (PD_SELECTION | PD_NOSELECTION), 0u) << "the whole document";
}

TEST_F(Printing, ACancelledDialogOrAFailingPrinterEndsWithoutAWord) {
  box->Select(0, 5);
  answer = IDYES;
  PrintRichTextBox(*box, "doc", false);  // cancelled
  print = true;
  PrintRichTextBox(*box, "doc", false);  // a print job the device refuses
  EXPECT_EQ(calls.size(), 2u);
  EXPECT_EQ(boxes.size(), 2u) << "only the two questions";
  EXPECT_EQ(box->SelStart(), 0);
  EXPECT_EQ(box->SelLength(), 5) << "the selection is left as it was";
}

// The page loop on a bitmap the size of the screen, which takes the pages a printer would.
class PageLoop : public Printing {
 protected:
  void SetUp() override {
    Printing::SetUp();
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels), nullptr, 0);
    dc = CreateCompatibleDC(nullptr);
    old = SelectObject(dc, bitmap);
  }
  void TearDown() override {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    Printing::TearDown();
  }
  // Lays the range out page by page; each page's count of dark pixels in `inked`.
  int Pages(CharRange range) {
    inked.clear();
    RECT all{0, 0, width, height};
    return FormatPages(
        *box, dc, range,
        [&] { return FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))) != 0; },
        [&] {
          GdiFlush();
          int dark = 0;
          for (int i = 0; i < width * height; ++i) dark += (pixels[i] & 0xFF) < 128;
          inked.push_back(dark);
          return true;
        });
  }

  int width = 0, height = 0;
  const uint32_t* pixels = nullptr;
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  std::vector<int> inked;
};

TEST_F(PageLoop, EveryPageOfTheRangeIsLaidOutAndTheLoopEnds) {
  const int whole = Pages({0, box->TextLength()});
  EXPECT_GT(whole, 2) << "300 lines take several pages";
  ASSERT_EQ(inked.size(), size_t(whole));
  for (int dark : inked) EXPECT_GT(dark, 0) << "every page carries text";

  EXPECT_EQ(Pages({0, 40}), 1) << "a selection of a line or two";
  EXPECT_EQ(Pages({0, 0}), 0) << "nothing to print";

  // A page the device refuses ends the loop at once.
  int started = 0;
  EXPECT_EQ(FormatPages(*box, dc, {0, box->TextLength()}, [&] { return ++started == 1; }, [] { return true; }), 1);
}

}  // namespace
}  // namespace lw
