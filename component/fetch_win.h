// The download engine's transport: a URL's body fetched over HTTP, HTTPS or FTP through WinINet,
// or read from a local or network file, and handed over chunk by chunk as it arrives.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

#include "component/fetch_url.h"

namespace updara {

inline constexpr size_t kFetchChunk = 32768;

class FetchSink {
 public:
  virtual ~FetchSink() = default;
  // A chunk arrived; `total` is the size expected (0 when not known). False stops the fetch.
  virtual bool Chunk(const char* data, size_t size, long long total) = 0;
};

// Whoever shows a fetch as it goes (the progress window): told the stage, the body's start with
// the name of what arrives, and every chunk. Called on the fetching thread.
class FetchObserver {
 public:
  enum class Stage { Connecting, Requesting };
  virtual ~FetchObserver() = default;
  virtual void Entered(Stage stage) = 0;
  // `total` is the size expected, 0 when not known.
  virtual void Receiving(const std::string& label, long long total) = 0;
  virtual void Received(long long bytes, long long total) = 0;
  virtual void Ended() = 0;
};

struct FetchResult {
  long error = 0;            // a WinINet or Windows error, 30009 (404) or 30014 (another error status)
  bool cancelled = false;    // the cancel flag stopped it before a chunk
  bool stopped = false;      // the sink stopped it
  long long announced = -1;  // the Content-Length the server sent; -1 without one
};

// `expectedTotal` is the size the caller expects (0 when not known); without one the server's
// Content-Length is passed on as the total. Empty user names and passwords are passed as absent.
// Certificate errors are errors: nothing is ignored. Redirects are followed up to ten times, never
// from HTTPS to plain HTTP (12040) nor to another scheme (12048), and the credentials go only to
// the server they were given for. The observer, when given, hears how it goes.
FetchResult Fetch(const FetchUrl& url, long long expectedTotal, const std::atomic<bool>& cancel, FetchSink& sink,
                  FetchObserver* observer = nullptr);

}  // namespace updara
