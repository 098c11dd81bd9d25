// The check and the download for real, as designed: Updara.dll built without a key ring, registered,
// against servers on 127.0.0.1 (the test HTTP server, the FTP peer) and local files; what arrives,
// what is refused with which error, and what is left in the temporary folder afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "common/updara_errors.h"
#include "component/replacement_list.h"
#include "tests/component/update_client_win.h"
#include "tests/fixtures/http_server_win.h"
#include "tests/fixtures/peers_win.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/test_env_win.h"

namespace {

using namespace updara_test;
using lw::fixtures::HttpResponse;
using lw::fixtures::HttpServer;
using lw::fixtures::ScratchFolder;

// The component as designed, which is what a build without a key ring makes: these tests register
// such a build of the DLL and give it unsigned documents. (updara_signed_win_test.cpp: the DLL with
// its keys.)
class UpdaraDownload : public UpdateClient {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(Regsvr32(L"/s", kDllWithoutKeys), 0u); }
  static void TearDownTestSuite() { Regsvr32(L"/u /s", kDllWithoutKeys); }
};

// The document's values become the component's; each entry is completed from this machine's files.
TEST_F(UpdaraDownload, ACheckTakesTheDocumentAndDecidesAgainstTheLocalFiles) {
  ScratchFolder here;
  ASSERT_TRUE(SetCurrentDirectoryA(here.Win().c_str()));
  lw::fixtures::WriteVersionedFile(here.Win("old.exe"), "1.2.4.60", "1, 2, 4, 60");
  lw::fixtures::WriteVersionedFile(here.Win("lwlib.dll"), "3.0.0.0");
  WriteAll(here.Win("hello.txt"), "hello\n");
  HttpServer server;
  server.Serve("/d/upd.txt", Answer(200, std::string(kSignature) +
                                             "[Global]\nrequireadmin=0\ncmdline=%APP% /r\n\n"
                                             "[File]\nname=old.exe\nversion=1.2.4.61\n\n"
                                             "[File]\nname=lwlib.dll\npath=D:\\elsewhere\\\nversion=2.0\n\n"
                                             "[File]\nname=hello.txt\npath=%APPDIR%\n\n"
                                             "[File]\nname=..\\evil.exe\nversion=9\n\n"
                                             "[File]\nname=deep.exe\npath=C:\\" +
                                             std::string(250, 'd') + "\\\n"));
  ASSERT_EQ(CheckAt(server.BaseUrl() + "/d/upd.txt"), 0);
  EXPECT_EQ(sink.Of(EventCheckDone)[0].numbers.at(0), 2) << "the entries marked";
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  EXPECT_EQ(TextOf(o.get(), &IUpdaraCom::get_CmdLine), std::string(exe) + " /r");

  ASSERT_EQ(Count(), 5);
  ComRef<IUpdFile> old = Entry(0);
  EXPECT_TRUE(Marked(old.get()));
  EXPECT_EQ(TextOf(old.get(), &IUpdFile::get_Path), here.Win("old.exe"));
  EXPECT_EQ(TextOf(old.get(), &IUpdFile::get_MyVersion), "1.2.4.60");
  // A library the host has not loaded: found by the library search for its version (not at the
  // path the server gave, where there is none), and not kept loaded.
  ComRef<IUpdFile> lib = Entry(1);
  EXPECT_EQ(TextOf(lib.get(), &IUpdFile::get_Path), "D:\\elsewhere\\lwlib.dll");
  EXPECT_EQ(TextOf(lib.get(), &IUpdFile::get_MyVersion), "3.0.0.0");
  EXPECT_TRUE(Marked(lib.get())) << "no file where it belongs";
  EXPECT_EQ(GetModuleHandleA("lwlib.dll"), nullptr);
  EXPECT_EQ(TextOf(Entry(2).get(), &IUpdFile::get_MD5), "b1946ac92492d2347c6235b4d2611184");  // md5sum of "hello\n"
  // A name that leaves its folder, or a path too long for the file system's calls, is neither
  // looked up nor marked.
  for (short i : {3, 4})
    EXPECT_TRUE(!Marked(Entry(i).get()) && TextOf(Entry(i).get(), &IUpdFile::get_MyVersion).empty()) << i;
}

// Bodies of every kind from one check, over HTTP, FTP and from local files: each file fetched,
// checked and stored, or refused with its own error, and nothing of a refused one left behind.
TEST_F(UpdaraDownload, ADownloadStoresGoodFilesAndRefusesEveryBadBodyWithItsOwnError) {
  const std::string plain = Random(300000, 1), text = std::string(200000, 't') + plain.substr(0, 1000);
  std::string damaged = Zlib(text);
  damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x5A);
  HttpResponse cut = Answer(200, plain.substr(0, 40000));
  cut.announcedLength = plain.size();  // the connection ends before the length it announced
  HttpServer server;
  server.Serve("/plain.bin", Answer(200, plain));
  server.Serve("/packed.exe.gz", Answer(200, Zlib(text)));
  server.Serve("/damaged.dat.gz", Answer(200, damaged));
  server.Serve("/cut.bin", cut);
  server.Serve("/error.bin", Answer(500, "<html/>"));
  lw::fixtures::PythonPeer ftp(lw::fixtures::PythonPeer::Kind::Ftp,
                               [&](const std::string& www) { WriteAll(www + "\\f.bin", plain); });
  ScratchFolder local;
  WriteAll(local.Win("local.bin"), text);
  const std::string md5 = DigestHex(BCRYPT_MD5_ALGORITHM, plain);
  const struct {
    std::string lines;  // the entry's lines after its name
    long code;
    std::string arrives;
  } entries[] = {
      {"url=plain.bin\nsize=300000\nmd5=" + md5, 0, plain},
      {"url=packed.exe.gz\nmd5=" + DigestHex(BCRYPT_MD5_ALGORITHM, text), 0, text},
      {"url=plain.bin\nsize=300001", updara::kInvalidSize, ""},
      // A damaged compressed body fails, also without an MD5 to find it.
      {"url=damaged.dat.gz", updara::kDamagedCompressed, ""},
      {"url=plain.bin\nmd5=0123456789ABCDEF0123456789abcdef", updara::kInvalidMd5, ""},
      // The SHA-256 decides where the MD5 is satisfied.
      {"url=plain.bin\nmd5=" + md5 + "\nsha256=" + DigestHex(BCRYPT_SHA256_ALGORITHM, text), updara::kInvalidSha256,
       ""},
      {"url=cut.bin", updara::kInvalidSize, ""},
      {"url=error.bin", updara::kHttpErrorStatus, ""},
      {"url=http://127.0.0.1:1/refused.bin", 12029, ""},  // a refused connection still has its FileStart
      {"url=http://127.0.0.1:70000/x.bin", 12005, ""},    // no port: never fetched
      {"url=" + ftp.Url("f.bin"), 0, plain},
      {"url=file://" + local.Win("local.bin"), 0, text},
      {"url=" + local.Win("gone.bin"), 2, ""},
      {"url=plain.bin", 0, plain},  // a failure before the last file is still the download's
  };
  std::string document = kSignature;
  for (size_t i = 0; i < std::size(entries); ++i)
    document += "[File]\nname=f" + std::to_string(i) + ".bin\n" + entries[i].lines + "\n\n";
  server.Serve("/upd.txt", Answer(200, document));
  ASSERT_EQ(CheckAt(server.BaseUrl() + "/upd.txt?x=1"), 0);
  ASSERT_EQ(Count(), short(std::size(entries)));

  sink.events.clear();
  EXPECT_EQ(o->Download(), Err(updara::kInvalidSize)) << "the first failure is the download's";
  EXPECT_EQ(DownloadResult(), updara::kInvalidSize);
  EXPECT_EQ(sink.Of(EventFileStart).size(), std::size(entries));
  const std::vector<long> codes = FileCodes();
  ASSERT_EQ(codes.size(), std::size(entries));
  std::set<std::string> stored;
  for (short i = 0; i < short(std::size(entries)); ++i) {
    EXPECT_EQ(codes[i], entries[i].code) << entries[i].lines;
    const std::string path = TextOf(Entry(i).get(), &IUpdFile::get_NewPath);
    EXPECT_TRUE(path.empty() ? entries[i].code != 0 : ReadAll(path) == entries[i].arrives) << entries[i].lines;
    if (!path.empty()) stored.insert(std::filesystem::path(path).filename().string());
  }
  // The replacement list names the stored files only.
  std::set<std::string> left = Leftovers();
  ASSERT_EQ(left.erase("LwDownloadTest.uda"), 1u);
  EXPECT_EQ(left, stored);
  EXPECT_EQ(updara::ParseReplacementList(ReadAll(temp.Win("LwDownloadTest.uda")))->files.size(), stored.size());
  // Clear deletes them and forgets them.
  ASSERT_EQ(o->Clear(), S_OK);
  EXPECT_TRUE(Leftovers().empty());
  EXPECT_EQ(TextOf(Entry(0).get(), &IUpdFile::get_NewPath), "");
}

TEST_F(UpdaraDownload, CancelDuringALargeFileStopsAtTheNextChunkAndLeavesNothing) {
  HttpServer server;
  HttpResponse large = Answer(200, Random(4 << 20, 4));
  large.holdAfter = 100000;  // the rest only once the test lets it go
  server.Serve("/large.bin", large);
  server.Serve("/next.bin", Answer(200, "next"));
  Add("large.bin", server.BaseUrl() + "/large.bin", 4 << 20);
  Add("next.bin", server.BaseUrl() + "/next.bin");
  ASSERT_EQ(o->put_Blocking(VARIANT_FALSE), S_OK);
  IUpdaraCom* raw = o.get();
  sink.onEvent = [&](const Event& e) {
    if (e.id == EventFileProgress && e.numbers.at(0) < (4 << 20)) {
      raw->Cancel();
      server.Release();
      sink.onEvent = nullptr;
    }
  };
  ASSERT_EQ(o->Download(), S_OK);
  ASSERT_TRUE(lw::fixtures::PumpUntil([&] { return !sink.Of(EventDownloadDone).empty(); }, 30000));
  EXPECT_EQ(DownloadResult(), updara::kCancelled);
  EXPECT_EQ(FileCodes(), std::vector<long>{updara::kCancelled});
  EXPECT_EQ(sink.Of(EventFileStart).size(), 1u) << "nothing after the cancelled file is fetched";
  EXPECT_EQ(Leftovers(), std::set<std::string>{"LwDownloadTest.uda"});
}

TEST_F(UpdaraDownload, AChecksDocumentMustBeSignedWholeAndNotTooLarge) {
  HttpServer server;
  const std::tuple<const char*, std::string, long> cases[] = {
      {"/unsigned.txt", "#update file signature\r\n[File]\nname=a\n", updara::kInvalidSignature},
      {"/large.txt", std::string(kSignature) + std::string(1 << 20, '#'), updara::kUpdateInfoTooLarge},
      {"/none.txt", "", updara::kPageNotFound}};  // not served
  for (const auto& [path, body, code] : cases) {
    if (!body.empty()) server.Serve(path, Answer(200, body));
    EXPECT_EQ(CheckAt(server.BaseUrl() + path), code) << path;
    EXPECT_EQ(Count(), 0) << path;
  }
  EXPECT_EQ(sink.Of(EventCheckDone)[0].text, L"Page not found (error 404) returned from the server.");
}

}  // namespace
