// The progress window a worker shows while it checks or downloads: a dialog of the component's own
// resources with the header band and its sweeping highlight, the stage, the file, the bytes, the
// bar, Cancel, and the note link in the bottom strip. It belongs to the worker thread that made it
// and is driven by the fetch as an observer; every update lets the window's messages run.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "component/fetch_win.h"
#include "component/progress_resources.h"
#include "component/progress_view.h"
#include "component/updara_text.h"

namespace updara {

// The fonts of the window, made once per component on the host's thread: the file label's while a
// file is downloaded (Verdana 8 pt bold) and the note line's (Verdana 7 pt).
class ProgressFonts {
 public:
  ProgressFonts();
  ~ProgressFonts();
  ProgressFonts(const ProgressFonts&) = delete;
  ProgressFonts& operator=(const ProgressFonts&) = delete;
  HFONT file() const { return file_; }
  HFONT note() const { return note_; }

 private:
  HFONT file_, note_;
};

// Decodes the three pictures once per process (on a thread where COM runs; the first component
// does it on its host's thread). The windows of every thread share them.
void LoadProgressPictures();

struct ProgressSetup {
  std::string texts[kDialogTextCount];  // DialogText 0 to 4
  std::string noteText, noteUrl;
  HFONT fileFont = nullptr;  // given for a download: the file label is drawn bold
  HFONT noteFont = nullptr;
  std::function<void()> cancel;  // any command of the window: Cancel, Esc, the close box
};

class ProgressWindow final : public FetchObserver {
 public:
  // Made and shown at once, centred in the work area. Hwnd() is null when the dialog could not be
  // made; the fetch then runs without it.
  explicit ProgressWindow(ProgressSetup setup);
  ~ProgressWindow() override;
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;
  HWND Hwnd() const { return window_; }

  void Entered(Stage stage) override;
  void Receiving(const std::string& label, long long total) override;
  void Received(long long bytes, long long total) override;
  void Ended() override;

 private:
  static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint(HDC target);
  void PaintBand(HDC dc, int width);
  void PaintStrip(HDC dc, int width, int height);
  void TrackLink(int x, int y);
  void OpenNoteUrl() const;
  void SetItemText(int id, const std::string& text);
  void LetMessagesRun();

  ProgressSetup setup_;
  HWND window_ = nullptr;
  int sweep_ = 0;  // the highlight's animation counter
  Bounce bounce_;
  int percent_ = -1;
  int noteWidth_ = -1;  // measured once
  bool overLink_ = false;
  HCURSOR cursorBefore_ = nullptr;
};

}  // namespace updara
