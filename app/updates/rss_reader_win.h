// The program's RSS reader: fetches a feed over HTTP or HTTPS on a worker thread and hands the
// parsed items to the user-interface thread, in the shape the RSS check window uses them: an error
// number and text, a filter, a 1-based current item with its title and description.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/updates/rss_feed.h"

namespace lw {

// The texts of the reader's error numbers: the Internet functions' codes (12001 and up) with the
// system's documented descriptions, the feed's own (kFeedTooLarge, ...), HTTP status codes, and
// any other system error code.
std::string RssErrorText(long number);

// Whether the built-in reader can run with the configured feed server (App.RssServer).
bool RssReaderAvailable();

class RssReader {
 public:
  RssReader();
  ~RssReader();  // abandons a read still running: its completion never arrives
  RssReader(const RssReader&) = delete;
  RssReader& operator=(const RssReader&) = delete;

  // The feed's address, set before Start.
  std::string FeedUrl;
  // Runs on the user-interface thread once per started read, from its message loop.
  std::function<void()> onReadDone;

  // Starts reading FeedUrl without blocking; the calling thread must pump messages for the
  // completion to arrive. False when a read is already running, or when it could not be started
  // (then ErrorNumber and ErrorText say why and no completion follows).
  bool Start();
  bool Reading() const { return shared_ != nullptr; }
  // Drops a running read: no completion, the result is discarded when the worker ends.
  void Abandon();

  // The outcome of the last completed read; 0 is success.
  long ErrorNumber() const { return errorNumber_; }
  const std::string& ErrorText() const { return errorText_; }

  // The filter applies to the items of the last read (see FilterRssItems); until it is applied
  // every item counts.
  void SetFilter(const std::string& text) { filter_ = text; }
  const std::string& Filter() const { return filter_; }
  void ApplyFilter();
  int ItemCount() const { return static_cast<int>(items_.size()); }
  // 1 to ItemCount; other values select no item, whose title and description are empty.
  int ItemIndex() const { return index_; }
  void SetItemIndex(int index) { index_ = index; }
  std::string Title() const;
  std::string Description() const;

  struct Shared;  // what the worker and the user-interface thread both hold

 private:
  void Done(unsigned id);

  HWND window_ = nullptr;  // message-only: the worker posts its completion here
  std::function<void(unsigned)> onWindowDone_ = [this](unsigned id) { Done(id); };
  unsigned lastId_ = 0;
  std::shared_ptr<Shared> shared_;  // the read running, if any
  long errorNumber_ = 0;
  std::string errorText_;
  std::vector<RssItem> all_, items_;  // as read, and as filtered; text in the ANSI code page
  std::string filter_;
  int index_ = 1;
};

}  // namespace lw
