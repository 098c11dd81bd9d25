// The page loop the viewers' printing shares, on a memory device context. Which range each answer
// to the "Partial Print" question prints is RangeToPrint's table.
#include <windows.h>

#include <richedit.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "app/forms/forms_win.h"
#include "app/viewers/print_win.h"

namespace lw {
namespace {

// Wine's rich edit answers EM_FORMATRANGE with a stub (0, nothing laid out), so the control's part
// is played here as documented: a page takes up to `perPage` characters of the range it is given,
// and the first one it did not take is returned.
class PageLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    form.Create("Print test", 6000, 4000, forms::FormStyle::Sizable);
    box = &form.AddRichTextBox("rtbMain", {0, 0, 6000, 4000});
    std::string text;
    for (int i = 1; i <= 300; ++i) text += "Line " + std::to_string(i) + " of the document to print\r\n";
    box->SetText(text);
    dc = CreateCompatibleDC(nullptr);
    current = this;
    control_ = WNDPROC(SetWindowLongPtrW(box->Hwnd(), GWLP_WNDPROC, LONG_PTR(&PageLoop::Answer)));
  }
  void TearDown() override {
    SetWindowLongPtrW(box->Hwnd(), GWLP_WNDPROC, LONG_PTR(control_));
    DeleteDC(dc);
  }
  static LRESULT CALLBACK Answer(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != EM_FORMATRANGE) return CallWindowProcW(current->control_, h, msg, wp, lp);
    const auto* f = reinterpret_cast<const FORMATRANGE*>(lp);
    if (!f) return ++current->releases, 0;
    EXPECT_TRUE(wp && f->hdc == current->dc) << "rendered into the printer's device context";
    current->formatted.push_back({{f->chrg.cpMin, f->chrg.cpMax}, f->rc, f->rcPage});
    return std::min(f->chrg.cpMin + current->perPage, f->chrg.cpMax);
  }
  int Pages(CharRange range, int refuseFromPage = 0) {
    formatted.clear();
    int started = 0;
    return FormatPages(
        *box, dc, range, [&] { return ++started != refuseFromPage; }, [] { return true; });
  }

  static inline PageLoop* current = nullptr;
  forms::Form form;
  forms::RichTextBox* box = nullptr;
  HDC dc = nullptr;
  long perPage = 4000;
  struct Formatted {
    CharRange range;
    RECT rc, page;
  };
  std::vector<Formatted> formatted;
  int releases = 0;

 private:
  WNDPROC control_ = nullptr;
};

TEST_F(PageLoop, EveryPageOfTheRangeIsLaidOutWithinTheMarginsAndTheLoopEnds) {
  const long length = box->TextLength();
  const int whole = Pages({0, length});
  EXPECT_EQ(whole, int((length + perPage - 1) / perPage));
  ASSERT_EQ(formatted.size(), size_t(whole));
  // The whole page, less three quarters of an inch all round on a device without a margin of its own.
  const int width = MulDiv(GetDeviceCaps(dc, HORZRES), 1440, GetDeviceCaps(dc, LOGPIXELSX));
  const int height = MulDiv(GetDeviceCaps(dc, VERTRES), 1440, GetDeviceCaps(dc, LOGPIXELSY));
  const RECT page{0, 0, width, height}, margins{1080, 1080, width - 1080, height - 1080};
  for (size_t i = 0; i < formatted.size(); ++i) {
    EXPECT_EQ(formatted[i].range, (CharRange{long(i) * perPage, length})) << "page " << i;
    EXPECT_TRUE(EqualRect(&formatted[i].page, &page) && EqualRect(&formatted[i].rc, &margins)) << "page " << i;
  }
  EXPECT_EQ(releases, 1) << "the control lets go of its layout afterwards";

  EXPECT_EQ(Pages({0, 0}), 0) << "nothing to print";
  EXPECT_EQ(Pages({0, length}, 2), 1) << "a page the device refuses ends the loop";
  perPage = 0;
  EXPECT_EQ(Pages({0, length}), 1) << "a page that takes nothing is not printed again and again";
}

}  // namespace
}  // namespace lw
