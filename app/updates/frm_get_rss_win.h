// The RSS version check window: reads the maker's feed, keeps the newest announced build above this
// one in "NewRssVer" and tells the main window. Loaded hidden for the daily check, shown modally
// when the user asks.
#pragma once

#include <functional>

#include "app/forms/forms_win.h"
#include "app/updates/rss_reader_win.h"

namespace lw {

class frmGetRss : public forms::Form {
 public:
  frmGetRss();
  // The background check: the window loads without showing and appears only to report an error.
  void LoadHidden();
  // The check the user asked for; returns once the window has closed.
  void ShowModal(forms::Form* owner = nullptr);

  // Told true when a newer version is known and false when the window closes, only while the
  // main window is ready.
  std::function<void(bool found)> onRssResult;

  RssReader RssRead;
  forms::Label* lblSize = nullptr;  // the message; measured for the layout, shown by txtStatus
  forms::TextBox* txtStatus = nullptr;
  forms::Timer* Timer1 = nullptr;

 private:
  bool Layout();
  void Form_Load();
  void Form_Unload(bool& cancel);
  void StartRssCheck();
  void RssRead_ReadDone();
  void Timer1_Timer();
  void lblSize_Change();
  void SetMessage(const std::string& text);
  void Report(bool found);
};

}  // namespace lw
