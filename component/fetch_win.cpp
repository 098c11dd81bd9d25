#include "component/fetch_win.h"

#include <windows.h>
#include <wininet.h>

#include <cstdlib>
#include <vector>

#include "common/internet_handle_win.h"
#include "common/updara_errors.h"
#include "component/progress_view.h"
#include "component/updara_text.h"

namespace updara {
namespace {

using lw::InternetHandle;

// A server that accepts the connection and then says nothing is given up on after this long.
constexpr DWORD kTimeoutMs = 30000;
// Redirects followed for one fetch; a longer chain is taken for a loop.
constexpr int kMaxRedirects = 10;

const char* OrNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

// Reads chunks until the end, a failure, the cancel flag or the sink says stop.
template <typename Read>
void ReadLoop(Read&& read, long long total, const std::atomic<bool>& cancel, FetchSink& sink, FetchResult& result,
              FetchObserver* observer) {
  std::vector<char> buffer(kFetchChunk);
  long long received = 0;
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    if (cancel.load()) {
      result.cancelled = true;
      return;
    }
    DWORD got = 0;
    if (!read(buffer.data(), static_cast<DWORD>(buffer.size()), &got)) {
      result.error = static_cast<long>(GetLastError());
      if (result.error == 0) result.error = ERROR_INTERNET_INTERNAL_ERROR;
      return;
    }
    if (got == 0) return;
    if (!sink.Chunk(buffer.data(), got, total)) {
      result.stopped = true;
      return;
    }
    received += got;
    if (observer) observer->Received(received, total);
  }
}

// The body's reading, told to the observer from its start to its end.
template <typename Read>
void ReadBody(Read&& read, const std::string& label, long long total, const std::atomic<bool>& cancel, FetchSink& sink,
              FetchResult& result, FetchObserver* observer) {
  if (observer) observer->Receiving(label, total);
  ReadLoop(read, total, cancel, sink, result, observer);
  if (observer) observer->Ended();
}

long long ContentLength(HINTERNET request) {
  char text[32] = {};
  DWORD size = sizeof text - 1;
  if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return -1;
  char* end = nullptr;
  const long long length = std::strtoll(text, &end, 10);
  return end != text && length >= 0 ? length : -1;
}

bool IsRedirect(DWORD status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The address of a fetch without its credentials, for combining with a redirect's Location.
std::string AddressOf(const FetchUrl& url) {
  return std::string(url.protocol == Protocol::Https ? "https://" : "http://") + url.host + ":" +
         std::to_string(url.port) + url.objectPath;
}

// Where a redirect leads, or the error that ends the fetch instead: none leads from HTTPS to plain
// HTTP or away from the web, and the credentials stay with the server they were given for.
long RedirectTarget(HINTERNET request, FetchUrl& url) {
  DWORD size = 0;
  HttpQueryInfoA(request, HTTP_QUERY_LOCATION, nullptr, &size, nullptr);
  std::string location(size + 1, '\0');
  if (size == 0 || !HttpQueryInfoA(request, HTTP_QUERY_LOCATION, location.data(), &size, nullptr))
    return ERROR_HTTP_REDIRECT_FAILED;
  location.resize(size);
  const std::string base = AddressOf(url);
  DWORD length = 0;
  InternetCombineUrlA(base.c_str(), location.c_str(), nullptr, &length, ICU_NO_ENCODE);
  std::string combined(length + 1, '\0');
  if (length == 0 || !InternetCombineUrlA(base.c_str(), location.c_str(), combined.data(), &length, ICU_NO_ENCODE))
    return ERROR_HTTP_REDIRECT_FAILED;
  combined.resize(length);
  const size_t schemeEnd = combined.find("://");
  const std::string scheme = LowerAscii(std::string_view(combined).substr(0, schemeEnd));
  if (schemeEnd == std::string::npos || (scheme != "http" && scheme != "https"))
    return ERROR_INTERNET_REDIRECT_SCHEME_CHANGE;
  FetchUrl next = ParseFetchUrl(combined);
  if (url.protocol == Protocol::Https && next.protocol != Protocol::Https) return ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR;
  const bool sameServer = next.protocol == url.protocol && next.host == url.host && next.port == url.port;
  if (next.user.empty() && sameServer) {
    next.user = url.user;
    next.password = url.password;
  }
  url = std::move(next);
  return 0;
}

FetchResult FetchNetwork(FetchUrl url, long long expectedTotal, const std::atomic<bool>& cancel, FetchSink& sink,
                         FetchObserver* observer) {
  FetchResult result;
  auto failed = [&result] {
    result.error = static_cast<long>(GetLastError());
    if (result.error == 0) result.error = ERROR_INTERNET_INTERNAL_ERROR;
    return result;
  };
  InternetHandle net(InternetOpenA("Updara", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!net) return failed();
  if (observer) observer->Entered(FetchObserver::Stage::Connecting);
  DWORD timeout = kTimeoutMs;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
    InternetSetOptionA(net.get(), option, &timeout, sizeof timeout);
  const bool ftp = url.protocol == Protocol::Ftp;
  for (int redirects = 0;; ++redirects) {
    if (url.port < 1 || url.port > 65535) {
      result.error = ERROR_INTERNET_INVALID_URL;
      return result;
    }
    InternetHandle connection(InternetConnectA(net.get(), url.host.c_str(), static_cast<INTERNET_PORT>(url.port),
                                               OrNull(url.user), OrNull(url.password),
                                               ftp ? INTERNET_SERVICE_FTP : INTERNET_SERVICE_HTTP,
                                               INTERNET_FLAG_PASSIVE | INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (!connection) return failed();
    if (observer) observer->Entered(FetchObserver::Stage::Requesting);
    long long total = expectedTotal;
    HINTERNET opened = nullptr;
    if (ftp) {
      const char* remote = url.objectPath.c_str() + (url.objectPath.starts_with('/') ? 1 : 0);
      opened = FtpOpenFileA(connection.get(), remote, GENERIC_READ, FTP_TRANSFER_TYPE_BINARY | INTERNET_FLAG_RELOAD, 0);
    } else {
      const DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                          (url.protocol == Protocol::Https ? INTERNET_FLAG_SECURE : 0);
      opened = HttpOpenRequestA(connection.get(), nullptr, url.objectPath.c_str(), nullptr, nullptr, nullptr, flags, 0);
    }
    InternetHandle request(opened);
    if (!request) return failed();
    if (!ftp) {
      if (!HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) return failed();
      DWORD status = 0, size = sizeof status;
      if (!HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return failed();
      if (IsRedirect(status)) {
        result.error = redirects == kMaxRedirects ? ERROR_HTTP_REDIRECT_FAILED : RedirectTarget(request.get(), url);
        if (result.error != 0) return result;
        continue;
      }
      // Only a success is the file: an error page stored as a program would be installed as one.
      if (status == 404) result.error = kPageNotFound;
      else if (status < 200 || status > 299) result.error = kHttpErrorStatus;
      if (result.error != 0) return result;
      result.announced = ContentLength(request.get());
      if (total == 0 && result.announced > 0) total = result.announced;
    }
    ReadBody([&](char* b, DWORD n, DWORD* got) { return InternetReadFile(request.get(), b, n, got); },
             FileLabelOf(url.objectPath), total, cancel, sink, result, observer);
    return result;
  }
}

FetchResult FetchFile(const std::string& path, const std::atomic<bool>& cancel, FetchSink& sink,
                      FetchObserver* observer) {
  FetchResult result;
  // A local file has no connection, but its fetch shows the same stages.
  if (observer) observer->Entered(FetchObserver::Stage::Connecting);
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    result.error = static_cast<long>(GetLastError());
    return result;
  }
  if (observer) observer->Entered(FetchObserver::Stage::Requesting);
  LARGE_INTEGER size{};
  GetFileSizeEx(h, &size);
  ReadBody([h](char* b, DWORD n, DWORD* got) { return ReadFile(h, b, n, got, nullptr); }, FileLabelOf(path),
           size.QuadPart, cancel, sink, result, observer);
  CloseHandle(h);
  return result;
}

}  // namespace

FetchResult Fetch(const FetchUrl& url, long long expectedTotal, const std::atomic<bool>& cancel, FetchSink& sink,
                  FetchObserver* observer) {
  if (url.protocol == Protocol::File) return FetchFile(url.objectPath, cancel, sink, observer);
  return FetchNetwork(url, expectedTotal, cancel, sink, observer);
}

}  // namespace updara
