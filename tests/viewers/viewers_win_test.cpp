// The help viewer over the help document this build writes, and the printing both viewers share:
// the question, the print dialog's options and the page loop on a device context of its own.
#include <windows.h>

#include <richedit.h>

#include <gtest/gtest.h>

#include <algorithm>
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

TEST_F(HelpViewer, WithoutTheDocumentItSaysWhereItShouldBeAndThePrintPictureAndItsLabelBothPrint) {
  DeleteFileA(helpFile.c_str());
  EXPECT_FALSE(HelpFileExists());
  OpenHelp();
  EXPECT_EQ(Text(), "Sorry - The help file " + helpFile + " is missing.");
  // A test program has no version information: the program's title stands in.
  EXPECT_EQ(fixtures::WindowText(help->Hwnd()), std::string(kAppTitle) + " - Documentation");
  EXPECT_LT(help->lblPrint->Top() + help->lblPrint->Height(), help->rtbHelp->Top()) << "above the text, not over it";

  std::vector<HWND> owners;
  forms::PrintDialogHandler previous = forms::SetPrintDialogHandler([&](PRINTDLGA& dialog) {
    owners.push_back(dialog.hwndOwner);
    return false;  // cancelled
  });
  for (HWND c : {help->picPrint->Hwnd(), help->lblPrint->Hwnd()})
    SendMessageA(help->Hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(c), STN_CLICKED), LPARAM(c));
  forms::SetPrintDialogHandler(previous);
  EXPECT_EQ(owners, (std::vector<HWND>{help->Hwnd(), help->Hwnd()}));
}

// How the rich text looks is the document's template and the rich edit control's; here, that it
// is read as rich text.
TEST_F(HelpViewer, TheBuiltDocumentIsShownReadOnlyAsRichText) {
  ASSERT_TRUE(CopyFileA(fixtures::BuildTreeFile(LW_HELP_RTF).c_str(), helpFile.c_str(), FALSE));
  EXPECT_TRUE(HelpFileExists());
  OpenHelp();
  const std::string text = Text();
  EXPECT_NE(text.find("Clearing a locked user"), std::string::npos) << text.substr(0, 300);
  EXPECT_EQ(text.find("\\par"), std::string::npos) << "read as rich text, not shown as its source";
  EXPECT_EQ(text.find("**"), std::string::npos) << "no Markdown left in it";
  EXPECT_TRUE(GetWindowLongPtrA(help->rtbHelp->Hwnd(), GWL_STYLE) & ES_READONLY);
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
  bool print = false;

 private:
  forms::MsgBoxHandler previousBox_;
  forms::PrintDialogHandler previousDialog_;
};

TEST_F(Printing, ASelectionIsAskedAboutAndTheAnswerSetsTheDialogsRangeAndAFailureEndsWithoutAWord) {
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
  EXPECT_EQ(boxes[0], "Partial Print|" + std::to_string(MB_YESNO | MB_ICONQUESTION) +
                          "|A portion of the document has been selected.\r\n\r\n"
                          "Do you want to restrict the print to the selected portion only ?");
  EXPECT_EQ(calls[1].flags & (PD_SELECTION | PD_NOSELECTION), DWORD(PD_SELECTION));

  answer = IDNO;
  PrintRichTextBox(*box, "doc", true);
  EXPECT_EQ(boxes.size(), 2u);
  EXPECT_EQ(calls[2].flags & (PD_SELECTION | PD_NOSELECTION), 0u) << "the whole document";

  // A cancelled dialog or a failing printer ends without a word.
  boxes.clear();
  calls.clear();
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

// The page loop on a memory device context. Wine's rich edit answers EM_FORMATRANGE with a stub
// (0, nothing laid out), so the control's part is played here as documented: a page takes up to
// `perPage` characters of the range it is given, and the first one it did not take is returned.
class PageLoop : public Printing {
 protected:
  struct Formatted {
    CharRange range;
    bool render;
    HDC dc;
    RECT rc, page;
  };
  void SetUp() override {
    Printing::SetUp();
    dc = CreateCompatibleDC(nullptr);
    current = this;
    control_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(box->Hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PageLoop::Answer)));
  }
  void TearDown() override {
    SetWindowLongPtrW(box->Hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(control_));
    DeleteDC(dc);
    Printing::TearDown();
  }
  static LRESULT CALLBACK Answer(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != EM_FORMATRANGE) return CallWindowProcW(current->control_, h, msg, wp, lp);
    const auto* f = reinterpret_cast<const FORMATRANGE*>(lp);
    if (!f) return ++current->releases, 0;
    current->formatted.push_back({{f->chrg.cpMin, f->chrg.cpMax}, wp != 0, f->hdc, f->rc, f->rcPage});
    return std::min(f->chrg.cpMin + current->perPage, f->chrg.cpMax);
  }
  int Pages(CharRange range, int refuseFromPage = 0) {
    formatted.clear();
    int started = 0;
    return FormatPages(
        *box, dc, range, [&] { return ++started != refuseFromPage; }, [] { return true; });
  }

  static inline PageLoop* current = nullptr;
  HDC dc = nullptr;
  long perPage = 4000;
  std::vector<Formatted> formatted;
  int releases = 0;

 private:
  WNDPROC control_ = nullptr;
};

TEST_F(PageLoop, EveryPageOfTheRangeIsLaidOutWithinTheMarginsAndTheLoopEnds) {
  const long length = box->TextLength();
  ASSERT_GT(length, 8000);
  const int whole = Pages({0, length});
  EXPECT_EQ(whole, int((length + perPage - 1) / perPage));
  ASSERT_EQ(formatted.size(), size_t(whole));
  const int pageWidth = MulDiv(GetDeviceCaps(dc, HORZRES), 1440, GetDeviceCaps(dc, LOGPIXELSX));
  const int pageHeight = MulDiv(GetDeviceCaps(dc, VERTRES), 1440, GetDeviceCaps(dc, LOGPIXELSY));
  for (size_t i = 0; i < formatted.size(); ++i) {
    const Formatted& f = formatted[i];
    EXPECT_EQ(f.range, (CharRange{long(i) * perPage, length})) << "page " << i;
    EXPECT_TRUE(f.render);
    EXPECT_EQ(f.dc, dc);
    // The whole page, less three quarters of an inch all round on a device without a margin of its own.
    const RECT page{0, 0, pageWidth, pageHeight}, margins{1080, 1080, pageWidth - 1080, pageHeight - 1080};
    EXPECT_TRUE(EqualRect(&f.page, &page) && EqualRect(&f.rc, &margins));
  }
  EXPECT_EQ(releases, 1) << "the control lets go of its layout afterwards";

  EXPECT_EQ(Pages({100, 140}), 1) << "a selection of a line or two";
  EXPECT_EQ(formatted[0].range, (CharRange{100, 140}));
  EXPECT_EQ(Pages({0, 0}), 0) << "nothing to print";
  EXPECT_EQ(Pages({0, length}, 2), 1) << "a page the device refuses ends the loop";
  perPage = 0;
  EXPECT_EQ(Pages({0, length}), 1) << "a page that takes nothing is not printed again and again";
}

}  // namespace
}  // namespace lw
