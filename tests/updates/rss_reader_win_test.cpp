// The RSS reader against a real server on 127.0.0.1, through the system's Internet functions.
#include "app/updates/rss_reader_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "common/com_text_win.h"
#include "tests/fixtures/http_server_win.h"
#include "tests/fixtures/rss_feed.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

using fixtures::HttpResponse;
using fixtures::PumpFor;
using fixtures::PumpUntil;

// A reader whose completions are counted, with the thread each one ran on.
struct CountedReader {
  CountedReader() {
    reader.onReadDone = [this] {
      ++done;
      thread = GetCurrentThreadId();
    };
  }
  bool Start(const std::string& url) {
    reader.FeedUrl = url;
    return reader.Start();
  }
  bool Read(const std::string& url) {
    const int before = done;
    return Start(url) && PumpUntil([&] { return done > before; }, 30000);
  }
  RssReader reader;
  int done = 0;
  DWORD thread = 0;
};

HttpResponse Feed(const std::vector<fixtures::FeedItem>& items, bool held = false) {
  HttpResponse r;
  r.body = fixtures::BuildRssFeed(items);
  r.held = held;
  return r;
}

TEST(RssReader, FailuresGiveTheirNumberAndText) {
  fixtures::HttpServer server;
  HttpResponse closed;
  closed.closeWithoutAnswer = true;
  server.Serve("/closed.xml", closed);
  HttpResponse huge;
  huge.body = std::string(kMaxFeedBytes + 1, ' ');
  server.Serve("/huge.xml", huge);
  const struct {
    std::string path;
    long number;
    const char* text;
  } failures[] = {
      {"/rss/XX.xml", 404, "The server answered with HTTP status 404 (Not Found)."},
      // A server that hangs up without answering: the Internet functions' own number and description.
      {"/closed.xml", 12152, "The server response could not be parsed."},
      {"/huge.xml", kFeedTooLarge, "The feed is larger than 1024 KB."},
  };
  CountedReader counted;
  for (const auto& f : failures) {
    SCOPED_TRACE(f.path);
    ASSERT_TRUE(counted.Read(server.BaseUrl() + f.path));
    EXPECT_EQ(counted.reader.ErrorNumber(), f.number);
    EXPECT_EQ(counted.reader.ErrorText(), f.text);
    EXPECT_EQ(counted.reader.ItemCount(), 0);
  }
  EXPECT_EQ(RssErrorText(418), "The server answered with HTTP status 418.");
  EXPECT_EQ(RssErrorText(0x7FFFFFF0), "Unrecognized Error.");
}

TEST(RssReader, ReadsOnAWorkerCompletesOnceOnTheUserInterfaceThreadAndNeverForAReadGivenUpOn) {
  fixtures::HttpServer server;
  server.Serve("/held.xml", Feed({{"L2.1.58", "old answer"}}, true));
  server.Serve("/now.xml", Feed({{"L2.1.58", "Fixed A"}, {"L2.1.60", "caf\xC3\xA9"}}));
  {
    CountedReader gone;
    ASSERT_TRUE(gone.Start(server.BaseUrl() + "/held.xml"));
    ASSERT_TRUE(PumpUntil([&] { return server.Waiting() == 1; }, 10000));
  }  // the reader goes while its worker waits for the server

  CountedReader counted;
  ASSERT_TRUE(counted.Start(server.BaseUrl() + "/held.xml"));
  EXPECT_FALSE(counted.reader.Start()) << "one read at a time";
  // The server holds its answers while this thread goes on handling its messages.
  ASSERT_TRUE(PumpUntil([&] { return server.Waiting() == 2; }, 10000));
  PumpFor(100);
  EXPECT_EQ(counted.done, 0);
  counted.reader.Abandon();
  EXPECT_FALSE(counted.reader.Reading());
  // A new read of the same reader; the abandoned one's answer must not count.
  ASSERT_TRUE(counted.Start(server.BaseUrl() + "/now.xml"));
  server.Release();
  ASSERT_TRUE(PumpUntil([&] { return counted.done > 0; }, 30000));
  ASSERT_TRUE(PumpUntil([&] { return server.Waiting() == 0; }, 10000));
  PumpFor(300);
  EXPECT_EQ(counted.done, 1) << "exactly one completion";
  EXPECT_EQ(counted.thread, GetCurrentThreadId());
  EXPECT_EQ(counted.reader.ErrorNumber(), 0) << counted.reader.ErrorText();
  ASSERT_EQ(counted.reader.ItemCount(), 2);
  counted.reader.SetItemIndex(2);
  EXPECT_EQ(WideText(counted.reader.Description()), L"caf\u00e9") << "UTF-8 arrives in the ANSI code page";
  // Always fetched from the server, never from a cache.
  ASSERT_TRUE(counted.Read(server.BaseUrl() + "/now.xml"));
  ASSERT_EQ(server.Requests().size(), 4u);
  EXPECT_NE(server.Requests()[3].headers.find("no-cache"), std::string::npos) << server.Requests()[3].headers;
}

}  // namespace
}  // namespace lw
