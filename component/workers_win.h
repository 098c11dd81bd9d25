// The work of the component's two worker threads: the check, which fetches and reads the
// update-information file and fills the collections, and the download, which fetches every marked
// entry into a temporary file. Both run off the host's thread and touch it only through the
// collections (which lock) and the events interface.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "component/entries_win.h"
#include "component/fetch_url.h"
#include "component/fetch_win.h"
#include "component/update_info.h"

namespace updara {

// The check's copy of the component's properties, taken when it starts.
struct CheckRequest {
  std::string url;  // the URL property, which bare file names of entries are relative to
  FetchUrl target;
  std::string login, password, signature;
  long replaceRule = 0;
};

struct CheckResult {
  long code = 0;
  GlobalSettings global;  // for the host's thread to put into the component's properties
};

// The update-information file is held in memory; more than this is refused.
inline constexpr size_t kMaxUpdateInfoBytes = 1024 * 1024;

// Fetches and reads the document. A DLL that carries the publisher's keys takes it only when it is
// signed by one of them, current and not older than one accepted before (whose sequence it then
// keeps), and when every file entry has a SHA-256 and an HTTPS or file URL; otherwise the result
// is the rule's error and the collections stay empty. The observer, when given, is shown each fetch
// (the progress window).
CheckResult RunCheck(const CheckRequest& request, UpdFilesObject& files, UpdMessagesObject& messages,
                     const std::atomic<bool>& cancel, FetchObserver* observer = nullptr);

// What the download tells the host about each file, in this order.
class DownloadEvents {
 public:
  virtual ~DownloadEvents() = default;
  virtual void FileStarted(const ComRef<UpdFileObject>& file) = 0;
  virtual void Progress(long long position, long long total) = 0;
  virtual void FileDone(long code) = 0;
};

// Fetches each entry in turn into a "UDX" file of the temporary folder and sets its NewPath when
// it arrived whole and checked; a failed entry leaves no file. The result is the first failure,
// 30004 after Cancel (the entries after the one cancelled are not fetched), else 0.
long RunDownload(const std::vector<ComRef<UpdFileObject>>& marked, const std::string& tempFolder,
                 const std::atomic<bool>& cancel, DownloadEvents& events, FetchObserver* observer = nullptr);

}  // namespace updara
