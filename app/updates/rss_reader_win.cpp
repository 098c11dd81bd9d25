#include "app/updates/rss_reader_win.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

#include "app/state/app_state.h"
#include "app/tools/text.h"
#include "app/updates/rss_check.h"
#include "common/internet_handle_win.h"
#include "common/product.h"
#include "common/updara_errors.h"

namespace lw {

// The worker fills in the outcome; whichever side lets go last frees it, so a reader that goes
// away while its worker still waits for the network leaves nothing dangling.
struct RssReader::Shared {
  std::mutex mutex;
  unsigned id = 0;
  bool abandoned = false;
  HWND window = nullptr;
  std::atomic<bool> stop{false};
  long errorNumber = 0;
  std::string errorText;
  std::vector<RssItem> items;
};

namespace {

constexpr UINT kMsgReadDone = WM_APP + 0x52;
constexpr char kWindowClass[] = "LedgerwellRssReader";
// A server that accepts the connection and then says nothing is given up on after this long.
constexpr DWORD kTimeoutMs = 20000;

std::string Utf8ToAnsi(const std::string& utf8) {
  if (utf8.empty()) return {};
  int wide = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  if (wide <= 0) return {};
  std::wstring w(size_t(wide), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), w.data(), wide);
  int n = WideCharToMultiByte(CP_ACP, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(size_t(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, w.data(), wide, out.data(), n, nullptr, nullptr);
  return out;
}

std::string SystemText(DWORD code, HMODULE module) {
  char* buffer = nullptr;
  DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                (module ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM);
  DWORD n = FormatMessageA(flags, module, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = n && buffer ? std::string(buffer, n) : std::string();
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

const char* HttpReason(long status) {
  switch (status) {
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 410:
      return "Gone";
    case 500:
      return "Internal Server Error";
    case 502:
      return "Bad Gateway";
    case 503:
      return "Service Unavailable";
    case 504:
      return "Gateway Timeout";
    default:
      return nullptr;
  }
}

struct Fetched {
  long errorNumber = 0;
  std::string body;
};

Fetched Fetch(const std::string& url, const std::atomic<bool>& stop) {
  if (!IsUsableRssServer(url)) return {ERROR_INTERNET_UNRECOGNIZED_SCHEME, {}};
  const std::string agent = Format("%s/%d.%d.%d", kAppTitle, kVersionMajor, kVersionMinor, kVersionRevision);
  InternetHandle net(InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!net.get()) return {long(GetLastError()), {}};
  DWORD timeout = kTimeoutMs;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
    InternetSetOptionA(net.get(), option, &timeout, sizeof timeout);
  // Always from the server: the check is about what was published today.
  const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                      INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES;
  InternetHandle request(InternetOpenUrlA(net.get(), url.c_str(), nullptr, 0, flags, 0));
  if (!request.get()) return {long(GetLastError()), {}};
  DWORD status = 0, size = sizeof status;
  if (!HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
    return {long(GetLastError()), {}};
  // A server that hung up without a status line has not answered at all.
  if (status < 100 || status > 599) return {ERROR_HTTP_INVALID_SERVER_RESPONSE, {}};
  if (status < 200 || status > 299) return {long(status), {}};
  Fetched fetched;
  char buffer[16384];
  for (;;) {
    if (stop.load()) return {ERROR_INTERNET_OPERATION_CANCELLED, {}};
    DWORD got = 0;
    if (!InternetReadFile(request.get(), buffer, sizeof buffer, &got)) return {long(GetLastError()), {}};
    if (got == 0) break;
    // Never more than the parser would take: a server cannot fill the memory.
    if (fetched.body.size() + got > kMaxFeedBytes) return {kFeedTooLarge, {}};
    fetched.body.append(buffer, got);
  }
  return fetched;
}

void Work(const std::shared_ptr<RssReader::Shared>& shared, const std::string& url) {
  RssFeed feed;
  try {
    Fetched fetched = Fetch(url, shared->stop);
    if (fetched.errorNumber == 0) {
      feed = ParseRssFeed(fetched.body);
    } else {
      feed.errorNumber = fetched.errorNumber;
      feed.errorText = RssErrorText(fetched.errorNumber);
    }
    for (RssItem& item : feed.items) {
      item.title = Utf8ToAnsi(item.title);
      item.description = Utf8ToAnsi(item.description);
    }
  } catch (...) {
    feed = RssFeed{};
    feed.errorNumber = ERROR_NOT_ENOUGH_MEMORY;
    feed.errorText = RssErrorText(ERROR_NOT_ENOUGH_MEMORY);
  }
  std::unique_lock lock(shared->mutex);
  if (shared->abandoned) return;
  shared->errorNumber = feed.errorNumber;
  shared->errorText = std::move(feed.errorText);
  shared->items = std::move(feed.items);
  // A full message queue is the only reason a post fails; the completion must still arrive.
  while (!shared->abandoned && !PostMessageA(shared->window, kMsgReadDone, shared->id, 0)) {
    lock.unlock();
    Sleep(50);
    lock.lock();
  }
}

LRESULT CALLBACK ReaderWindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  if (message == kMsgReadDone) {
    if (auto* done = reinterpret_cast<std::function<void(unsigned)>*>(GetWindowLongPtrA(window, GWLP_USERDATA)))
      (*done)(static_cast<unsigned>(wp));
    return 0;
  }
  return DefWindowProcA(window, message, wp, lp);
}

HWND CreateReaderWindow() {
  static const bool registered = [] {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ReaderWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kWindowClass;
    return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  if (!registered) return nullptr;
  return CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

std::string RssErrorText(long number) {
  if (number >= 12001 && number <= 12999) {
    const char* text = updara::ErrorText(number);
    if (std::strcmp(text, updara::ErrorText(-1)) != 0) return text;
    if (std::string own = SystemText(DWORD(number), GetModuleHandleA("wininet.dll")); !own.empty()) return own;
  }
  switch (number) {
    case kFeedTooLarge:
      return Format("The feed is larger than %u KB.", unsigned(kMaxFeedBytes / 1024));
    case kFeedNotXml:
      return "The feed is not well-formed XML.";
    case kFeedNotRss:
      return "The feed is not an RSS document.";
    case kFeedEncoding:
      return "The feed's character encoding is not supported.";
    default:
      break;
  }
  if (number >= 100 && number <= 599) {
    const char* reason = HttpReason(number);
    return reason ? Format("The server answered with HTTP status %ld (%s).", number, reason)
                  : Format("The server answered with HTTP status %ld.", number);
  }
  if (number > 0)
    if (std::string system = SystemText(DWORD(number), nullptr); !system.empty()) return system;
  return updara::ErrorText(-1);
}

bool RssReaderAvailable() { return IsUsableRssServer(App.RssServer); }

RssReader::RssReader() = default;

RssReader::~RssReader() {
  Abandon();
  if (window_) DestroyWindow(window_);
}

bool RssReader::Start() {
  if (shared_) return false;
  errorNumber_ = 0;
  errorText_.clear();
  if (!window_) {
    window_ = CreateReaderWindow();
    if (window_) SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&onWindowDone_));
  }
  if (!window_) {
    errorNumber_ = long(GetLastError() ? GetLastError() : ERROR_NOT_ENOUGH_MEMORY);
    errorText_ = RssErrorText(errorNumber_);
    return false;
  }
  auto shared = std::make_shared<Shared>();
  shared->id = ++lastId_;
  shared->window = window_;
  try {
    std::thread([shared, url = FeedUrl] { Work(shared, url); }).detach();
  } catch (...) {
    errorNumber_ = ERROR_NOT_ENOUGH_MEMORY;
    errorText_ = RssErrorText(errorNumber_);
    return false;
  }
  shared_ = std::move(shared);
  return true;
}

void RssReader::Abandon() {
  if (!shared_) return;
  {
    std::lock_guard lock(shared_->mutex);
    shared_->abandoned = true;
    shared_->stop = true;
  }
  shared_.reset();
}

void RssReader::Done(unsigned id) {
  // A read given up on may have posted before it was dropped; only the running one counts.
  if (!shared_ || shared_->id != id) return;
  std::shared_ptr<Shared> shared = std::move(shared_);
  {
    std::lock_guard lock(shared->mutex);
    errorNumber_ = shared->errorNumber;
    errorText_ = std::move(shared->errorText);
    all_ = std::move(shared->items);
  }
  items_ = all_;
  filter_.clear();
  index_ = 1;
  if (onReadDone) {
    auto handler = onReadDone;
    handler();
  }
}

void RssReader::ApplyFilter() {
  items_ = FilterRssItems(all_, filter_);
  index_ = 1;
}

std::string RssReader::Title() const {
  return index_ >= 1 && index_ <= ItemCount() ? items_[size_t(index_ - 1)].title : std::string();
}

std::string RssReader::Description() const {
  return index_ >= 1 && index_ <= ItemCount() ? items_[size_t(index_ - 1)].description : std::string();
}

}  // namespace lw
