// The RSS reader against a real server on 127.0.0.1, through the system's Internet functions.
#include "app/updates/rss_reader_win.h"

#include <gtest/gtest.h>
#include <windows.h>

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
  bool Read(const std::string& url) {
    reader.FeedUrl = url;
    const int before = done;
    if (!reader.Start()) return false;
    return PumpUntil([&] { return done > before; }, 30000);
  }
  RssReader reader;
  int done = 0;
  DWORD thread = 0;
};

HttpResponse Xml(const std::string& body) {
  HttpResponse r;
  r.body = body;
  return r;
}

std::wstring Wide(const std::string& ansi) {
  std::wstring w(ansi.size(), L'\0');
  w.resize(size_t(MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), w.data(), int(w.size()))));
  return w;
}

TEST(RssReader, ReadsOnAWorkerAndCompletesOnceOnTheUserInterfaceThread) {
  fixtures::HttpServer server;
  HttpResponse feed = Xml(fixtures::BuildRssFeed(
      {{"L2.1.58", "Fixed A^Fixed B"}, {"Opening hours", "Closed at Christmas"}, {"L2.1.60", "caf\xC3\xA9 & more"}}));
  feed.held = true;
  server.Serve("/rss/LL.xml", feed);

  CountedReader counted;
  RssReader& reader = counted.reader;
  reader.FeedUrl = server.BaseUrl() + "/rss/LL.xml";
  ASSERT_TRUE(reader.Start());
  EXPECT_TRUE(reader.Reading());
  EXPECT_FALSE(reader.Start()) << "one read at a time";
  // The server holds its answer while this thread goes on handling its messages.
  ASSERT_TRUE(PumpUntil([&] { return server.Waiting() == 1; }, 10000));
  PumpFor(100);
  EXPECT_EQ(counted.done, 0);

  server.Release();
  ASSERT_TRUE(PumpUntil([&] { return counted.done > 0; }, 30000));
  PumpFor(200);
  EXPECT_EQ(counted.done, 1) << "exactly one completion";
  EXPECT_EQ(counted.thread, GetCurrentThreadId());
  EXPECT_FALSE(reader.Reading());
  EXPECT_EQ(reader.ErrorNumber(), 0) << reader.ErrorText();
  ASSERT_EQ(reader.ItemCount(), 3);
  reader.SetItemIndex(3);
  EXPECT_EQ(reader.Title(), "L2.1.60");
  EXPECT_EQ(Wide(reader.Description()), L"caf\u00e9 & more") << "UTF-8 arrives in the ANSI code page";

  // Filtered, the current item is the first again; items count from 1, out of range they are empty.
  reader.SetFilter("Version");
  reader.ApplyFilter();
  ASSERT_EQ(reader.ItemCount(), 2);
  EXPECT_EQ(reader.ItemIndex(), 1);
  EXPECT_EQ(reader.Title() + "|" + reader.Description(), "L2.1.58|Fixed A^Fixed B");
  reader.SetItemIndex(2);
  EXPECT_EQ(reader.Title(), "L2.1.60");
  for (int outside : {3, 0}) {
    reader.SetItemIndex(outside);
    EXPECT_EQ(reader.Title() + reader.Description(), "") << outside;
  }

  // Always fetched from the server, never from a cache.
  ASSERT_EQ(server.Requests().size(), 1u);
  const fixtures::HttpRequest request = server.Requests()[0];
  EXPECT_EQ(request.method + " " + request.target, "GET /rss/LL.xml");
  EXPECT_NE(request.headers.find("no-cache"), std::string::npos) << request.headers;
  ASSERT_TRUE(counted.Read(reader.FeedUrl));
  EXPECT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(reader.ItemCount(), 3) << "a new read drops the last filter";
}

TEST(RssReader, FailuresGiveTheirNumberAndText) {
  fixtures::HttpServer server;
  HttpResponse closed;
  closed.closeWithoutAnswer = true;
  server.Serve("/closed.xml", closed);
  server.Serve("/huge.xml", Xml(std::string(kMaxFeedBytes + 1, ' ')));
  std::string gone;  // nothing listens on its port any more
  { gone = fixtures::HttpServer().BaseUrl(); }
  const struct {
    std::string url;
    long number;
    const char* text;
  } kFailures[] = {
      {server.BaseUrl() + "/rss/XX.xml", 404, "The server answered with HTTP status 404 (Not Found)."},
      // A server that hangs up without answering: the Internet functions' own number and description.
      {server.BaseUrl() + "/closed.xml", 12152, "The server response could not be parsed."},
      {server.BaseUrl() + "/huge.xml", kFeedTooLarge, "The feed is larger than 1024 KB."},
      {"ftp://127.0.0.1/rss/LL.xml", 12006, "The URL scheme could not be recognized or is not supported."},
      {gone + "/rss/LL.xml", 12029, "The attempt to connect to the server failed."},
  };
  CountedReader counted;
  for (const auto& f : kFailures) {
    SCOPED_TRACE(f.url);
    ASSERT_TRUE(counted.Read(f.url));
    EXPECT_EQ(counted.reader.ErrorNumber(), f.number);
    EXPECT_EQ(counted.reader.ErrorText(), f.text);
    EXPECT_EQ(counted.reader.ItemCount(), 0);
  }
  EXPECT_EQ(counted.done, 5);
}

TEST(RssReader, AReadGivenUpOnNeverCompletes) {
  fixtures::HttpServer server;
  HttpResponse held = Xml(fixtures::BuildRssFeed({{"L2.1.58", "old answer"}}));
  held.held = true;
  server.Serve("/held.xml", held);
  server.Serve("/now.xml", Xml(fixtures::BuildRssFeed({{"L2.1.60", "new answer"}})));
  {
    CountedReader gone;
    gone.reader.FeedUrl = server.BaseUrl() + "/held.xml";
    ASSERT_TRUE(gone.reader.Start());
    ASSERT_TRUE(PumpUntil([&] { return server.Waiting() == 1; }, 10000));
  }  // the reader goes while its worker waits for the server

  CountedReader counted;
  counted.reader.FeedUrl = server.BaseUrl() + "/held.xml";
  ASSERT_TRUE(counted.reader.Start());
  ASSERT_TRUE(PumpUntil([&] { return server.Waiting() == 2; }, 10000));
  counted.reader.Abandon();
  EXPECT_FALSE(counted.reader.Reading());
  // A new read of the same reader; the abandoned one's answer arrives first and must not count.
  counted.reader.FeedUrl = server.BaseUrl() + "/now.xml";
  ASSERT_TRUE(counted.reader.Start());
  server.Release();
  ASSERT_TRUE(PumpUntil([&] { return counted.done > 0; }, 30000));
  ASSERT_TRUE(PumpUntil([&] { return server.Waiting() == 0; }, 10000));
  PumpFor(300);
  EXPECT_EQ(counted.done, 1);
  ASSERT_EQ(counted.reader.ItemCount(), 1);
  EXPECT_EQ(counted.reader.Description(), "new answer");
}

TEST(RssReader, ErrorTextsOfTheInternetFunctionsHttpTheFeedAndTheSystem) {
  EXPECT_EQ(RssErrorText(12157), "The application experienced an internal error loading the SSL libraries.");
  EXPECT_EQ(RssErrorText(418), "The server answered with HTTP status 418.");
  EXPECT_EQ(RssErrorText(kFeedTooLarge), "The feed is larger than 1024 KB.");
  EXPECT_FALSE(RssErrorText(ERROR_NOT_ENOUGH_MEMORY).empty());
  EXPECT_EQ(RssErrorText(0x7FFFFFF0), "Unrecognized Error.");
}

}  // namespace
}  // namespace lw
