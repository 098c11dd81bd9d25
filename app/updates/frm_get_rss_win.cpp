#include "app/updates/frm_get_rss_win.h"

#include <windows.h>

#include <algorithm>

#include "app/state/app_state.h"
#include "app/state/program_win.h"
#include "app/state/settings_win.h"
#include "app/tools/text.h"
#include "app/updates/rss_check.h"
#include "common/product.h"

namespace lw {

namespace {

constexpr int kMargin = 120;  // twips around the status box

// The check carries on whatever the registry says: a setting that cannot be written is skipped.
void SaveQuietly(const std::string& key, const std::string& value) {
  try {
    SaveAppSetting(key, value);
  } catch (...) {
  }
}

// The size the text needs in the status box, in pixels: its lines in the box's font, plus the
// box's edges and inner margins.
SIZE MessageSize(HWND box, const std::string& text) {
  HDC dc = GetDC(box);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0)));
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  RECT rc{0, 0, 0, 0};
  if (!text.empty()) DrawTextA(dc, text.c_str(), int(text.size()), &rc, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(dc, old);
  ReleaseDC(box, dc);
  DWORD margins = DWORD(SendMessageA(box, EM_GETMARGINS, 0, 0));
  int edge = 2 * GetSystemMetrics(SM_CXEDGE);
  return {rc.right + LOWORD(margins) + HIWORD(margins) + edge + 4,
          std::max<LONG>(rc.bottom, tm.tmHeight) + 2 * GetSystemMetrics(SM_CYEDGE) + 4};
}

}  // namespace

frmGetRss::frmGetRss() : forms::Form("frmGetRss") {}

bool frmGetRss::Layout() {
  if (!Create("Brenk RSS Version Check", 3000, 600, forms::FormStyle::FixedDialog)) return false;
  lblSize = &AddLabel("lblSize", {kMargin, kMargin, 2760, 255}, "RSS Version Check");
  lblSize->SetVisible(false);
  txtStatus = &AddTextBox("txtStatus", {kMargin, kMargin, 2760, 255}, "", nullptr,
                          forms::TextBox::MultiLine | forms::TextBox::ReadOnly);
  ShowScrollBar(txtStatus->Hwnd(), SB_VERT, FALSE);
  Timer1 = &AddTimer("Timer1", 5000, false);
  Timer1->onTimer = [this] { Timer1_Timer(); };
  RssRead.onReadDone = [this] { RssRead_ReadDone(); };
  onLoad = [this] { Form_Load(); };
  onUnload = [this](bool& cancel) { Form_Unload(cancel); };
  return true;
}

void frmGetRss::LoadHidden() {
  if (Layout())
    forms::Form::Load();
  else
    Report(false);  // no window, no check: the main window must not wait for one
}

void frmGetRss::ShowModal(forms::Form* owner) {
  if (Layout())
    forms::Form::ShowModal(owner);
  else
    Report(false);
}

void frmGetRss::Form_Load() { StartRssCheck(); }

void frmGetRss::StartRssCheck() {
  App.RssCheckDue = false;
  App.NewRssVer.clear();
  App.RssDetails.clear();
  RssRead.FeedUrl = RssFeedUrl(App.RssServer, App.ProgramCode);
  forms::DoEvents();
  if (!Loaded()) return;  // closed while the events ran
  SaveQuietly("LastVerCheck", FormatIsoDate(Today()));
  const bool started = RssRead.Start();
  SetMessage("Contacting the Brenk RSS Server");
  // A read that could not even start ends here, with the reader's reason.
  if (!started) RssRead_ReadDone();
}

void frmGetRss::RssRead_ReadDone() {
  if (!Loaded()) return;
  App.NewRssVer.clear();
  App.RssDetails.clear();
  if (RssRead.ErrorNumber() != 0) {
    SaveQuietly("NewRssVer", "");
    App.RssDetails = "RSS Error - " + RssRead.ErrorText();
    SetMessage(App.RssDetails);
    if (!Visible()) Show();
    Timer1->SetEnabled(true);
    return;
  }
  RssRead.SetFilter("Version");
  RssRead.ApplyFilter();
  std::vector<RssItem> items;
  for (int i = 1; i <= RssRead.ItemCount(); ++i) {
    RssRead.SetItemIndex(i);
    items.push_back({Trim(RssRead.Title()), Trim(RssRead.Description())});
  }
  RssVersionChoice choice = ChooseNewerVersion(items, RunningRevision());
  App.NewRssVer = choice.newRssVer;
  App.RssDetails = choice.details;
  SaveQuietly("NewRssVer", App.NewRssVer);
  SetMessage(RssResultText(kFileDescription, App.NewRssVer, App.RssDetails));
  if (!App.NewRssVer.empty()) Report(true);
  // The main window may have shown the About window meanwhile, and this one may have gone.
  if (!Loaded()) return;
  const bool hidden = !Visible();
  if (hidden) Timer1->SetInterval(100);
  Timer1->SetEnabled(hidden || App.NewRssVer.empty());
}

void frmGetRss::Timer1_Timer() { Unload(); }

void frmGetRss::Form_Unload(bool&) {
  RssRead.Abandon();
  Timer1->SetEnabled(false);
  Report(false);
}

void frmGetRss::Report(bool found) {
  if (App.MainWindowReady && onRssResult) {
    auto handler = onRssResult;
    handler(found);
  }
}

void frmGetRss::SetMessage(const std::string& text) {
  if (lblSize->Caption() == text) return;
  lblSize->SetCaption(text);
  lblSize_Change();
}

// The label takes the size of its text; the status box shows the same text at that size, and the
// window fits around it, on the screen.
void frmGetRss::lblSize_Change() {
  const std::string text = lblSize->Caption();
  SIZE need = MessageSize(txtStatus->Hwnd(), text);
  lblSize->Move(kMargin, kMargin, forms::PixelsToTwipsX(need.cx), forms::PixelsToTwipsY(need.cy));
  RECT outer{}, client{};
  GetWindowRect(Hwnd(), &outer);
  GetClientRect(Hwnd(), &client);
  const int borderWidth = forms::PixelsToTwipsX((outer.right - outer.left) - client.right);
  const int borderHeight = forms::PixelsToTwipsY((outer.bottom - outer.top) - client.bottom);
  RssWindowPlacement p = PlaceRssWindow(lblSize->Width(), lblSize->Height(), borderWidth, borderHeight,
                                        forms::PixelsToTwipsX(GetSystemMetrics(SM_CXVSCROLL)), Left(), Top(),
                                        forms::PixelsToTwipsX(GetSystemMetrics(SM_CXSCREEN)),
                                        forms::PixelsToTwipsY(GetSystemMetrics(SM_CYSCREEN)));
  Move(p.left, p.top, p.width, p.height);
  // The box gets its size before its text, so the text is laid out once, in the room measured for
  // it; cut to the screen, the rest of the text is a scroll away.
  ShowScrollBar(txtStatus->Hwnd(), SB_VERT, p.cut);
  txtStatus->Move(kMargin, kMargin, p.textWidth, p.textHeight);
  txtStatus->SetText(text);
  ShowScrollBar(txtStatus->Hwnd(), SB_VERT, p.cut);
}

}  // namespace lw
