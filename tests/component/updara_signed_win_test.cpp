// Signed update-information files against Updara.dll as it is built, with its key ring (the
// publisher's key and the two test keys of the build), served over HTTPS by a peer whose authority
// this prefix trusts: what is taken, and what is refused with which error. A refused document
// leaves nothing behind: no entry to fetch, no message, none of its [Global] values (no command
// to run) and no raised sequence.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/updara_errors.h"
#include "tests/component/update_client_win.h"
#include "tests/fixtures/http_server_win.h"
#include "tests/fixtures/peers_win.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/test_env_win.h"
#include "tests/fixtures/update_signer_win.h"

namespace {

using namespace updara_test;
using lw::fixtures::PythonPeer;
using lw::fixtures::ScratchFolder;
using lw::fixtures::Signing;
using lw::fixtures::SignUpdateInfo;
using lw::fixtures::TrustedAuthority;

// A document as the publisher writes it, before signing: commands to run, a message, a program and
// a compressed data file, each fetched from beside the document.
const std::string kDocument = std::string(kSignature) +
                              "[Global]\r\nrequireadmin=1\r\ncmdbefore=before.cmd\r\ncmdafter=after.cmd\r\n"
                              "cmdline=restart.exe\r\n\r\n"
                              "[Message]\r\nid=3\r\ncaption=New\r\ntext=A new version\r\n\r\n"
                              "[File]\r\nname=new.exe\r\nurl=new.exe\r\nversion=2.0\r\n\r\n"
                              "[File]\r\nname=pack.dat\r\nurl=pack.dat.gz\r\n";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// A document the check refuses, and the error it refuses it with.
struct Refusal {
  const char* what;
  std::string document;
  long code;
};

class SignedUpdates : public UpdateClient {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(Regsvr32(L"/s"), 0u); }
  static void TearDownTestSuite() { Regsvr32(L"/u /s"); }

  void SetUp() override {
    ForgetAcceptedSequences();
    UpdateClient::SetUp();
    // No local copies: every entry is new.
    ASSERT_TRUE(SetCurrentDirectoryA(here.Win().c_str()));
  }
  void TearDown() override {
    UpdateClient::TearDown();
    ForgetAcceptedSequences();
  }

  // The signed document with the files of kDocument, as the publisher's tool signs it.
  std::string Signed(Signing signing = {}, const std::string& document = kDocument) {
    signing.files.emplace("new.exe", program);
    signing.files.emplace("pack.dat", data);
    return SignUpdateInfo(document, signing);
  }

  // A peer that serves kDocument's files; its authority is trusted while it lives.
  struct Server {
    explicit Server(const SignedUpdates& test)
        : peer(PythonPeer::Kind::Https,
               [&](const std::string& www) {
                 WriteAll(www + "\\new.exe", test.program);
                 WriteAll(www + "\\pack.dat.gz.topigz", test.data);
               }),
          trust(peer.File("ca.pem")) {}
    PythonPeer peer;
    TrustedAuthority trust;
  };

  // Serves the document and checks it, the host having set its own values first: the code of
  // CheckDone, which the blocking Check returns as well.
  long CheckDocument(PythonPeer& peer, const std::string& document, const std::string& name = "upd.txt") {
    WriteAll(peer.File("www\\" + name), document);
    EXPECT_EQ(o->put_CmdBefore(Bstr(L"host-before")), S_OK);
    EXPECT_EQ(o->put_CmdAfter(Bstr(L"host-after")), S_OK);
    EXPECT_EQ(o->put_CmdLine(Bstr(L"host-line")), S_OK);
    EXPECT_EQ(o->put_RequireAdmin(VARIANT_FALSE), S_OK);
    sink.events.clear();
    const HRESULT hr = o->Check(TextArg(peer.Url(name)), Missing());
    const std::vector<Event> done = sink.Of(EventCheckDone);
    EXPECT_EQ(done.size(), 1u);
    if (done.empty()) return -1;
    const long code = done[0].numbers.at(1);
    EXPECT_EQ(hr, code == 0 ? S_OK : static_cast<HRESULT>(0x800A0000u + code));
    EXPECT_EQ(Ansi(done[0].text), code == 0 ? "" : updara::ErrorText(code));
    return code;
  }

  // Nothing of a refused document is the component's.
  void ExpectNothingTaken(const std::string& what) {
    EXPECT_EQ(Count(), 0) << what;
    EXPECT_EQ(MessageCount(), 0) << what;
    EXPECT_EQ(TextOf(o.p, &IUpdaraCom::get_CmdBefore), "host-before") << what;
    EXPECT_EQ(TextOf(o.p, &IUpdaraCom::get_CmdAfter), "host-after") << what;
    EXPECT_EQ(TextOf(o.p, &IUpdaraCom::get_CmdLine), "host-line") << what;
    EXPECT_EQ(ValueOf(o.p, &IUpdaraCom::get_RequireAdmin), VARIANT_FALSE) << what;
  }

  const std::string program = Random(70000, 11);
  const std::string data = [] {
    std::string s;
    for (int i = 0; i < 4000; ++i) s += "record " + std::to_string(i) + "\r\n";
    return s;
  }();
  ScratchFolder here;
};

TEST_F(SignedUpdates, AGoodDocumentIsTakenWhicheverKeyOfTheRingSignedItAndItsFilesArriveChecked) {
  Server server(*this);
  // A key of the ring signs, the other one later: a new key is brought in beside the old one.
  const std::pair<const char*, unsigned long long> signers[] = {{"lw-test-a", 1000}, {"lw-test-b", 1001}};
  for (const auto& [key, sequence] : signers) {
    Signing signing;
    signing.key = key;
    signing.sequence = sequence;
    ASSERT_EQ(CheckDocument(server.peer, Signed(signing)), 0) << key;
    EXPECT_EQ(sink.Of(EventCheckDone)[0].numbers.at(0), 2) << key;
    EXPECT_EQ(AcceptedSequence(HKEY_LOCAL_MACHINE), std::optional<std::uint64_t>(sequence)) << key;
    EXPECT_EQ(MessageCount(), 1);
    EXPECT_EQ(TextOf(o.p, &IUpdaraCom::get_CmdAfter), "after.cmd");
    EXPECT_EQ(TextOf(Entry(1).p, &IUpdFile::get_URL), server.peer.Url("pack.dat.gz"));

    sink.events.clear();
    ASSERT_EQ(o->Download(), S_OK) << key;
    EXPECT_EQ(FileCodes(), (std::vector<long>{0, 0}));
    // The SHA-256 is of the file as it is put in place: the compressed one's after expanding.
    EXPECT_TRUE(ReadAll(TextOf(Entry(0).p, &IUpdFile::get_NewPath)) == program);
    EXPECT_TRUE(ReadAll(TextOf(Entry(1).p, &IUpdFile::get_NewPath)) == data);
    ASSERT_EQ(o->Clear(), S_OK);
  }
}

// Where the signature line is and which bytes it covers are the native suite's cases; here each
// refusal reaches the host as its error, with nothing of the document taken.
TEST_F(SignedUpdates, AnyChangeToASignedDocumentIsRefusedAndNothingOfItIsTaken) {
  Server server(*this);
  Signing first;
  first.sequence = 500;
  const std::string good = Signed(first);
  Signing stranger;
  stranger.key = "lw-stranger";
  stranger.sequence = 501;
  const std::string byStranger = Signed(stranger);

  const Refusal cases[] = {
      {"not signed at all", kDocument, updara::kUnsignedDocument},
      {"a byte of cmdafter", Replaced(good, "cmdafter=after.cmd", "cmdafter=evil!.cmd"), updara::kBadDocumentSignature},
      {"a section added after the signature", good + "[Global]\r\ncmdafter=evil.cmd\r\n",
       updara::kBadDocumentSignature},
      {"signed by a key the ring does not hold", byStranger, updara::kUnknownSigningKey},
      {"signed by another key under a known id",
       Replaced(byStranger, "; signature=lw-stranger:", "; signature=lw-test-a:"), updara::kBadDocumentSignature},
  };
  for (const Refusal& c : cases) {
    EXPECT_EQ(CheckDocument(server.peer, c.document), c.code) << c.what;
    ExpectNothingTaken(c.what);
    EXPECT_EQ(AcceptedSequence(HKEY_LOCAL_MACHINE), std::nullopt) << c.what;
  }
  // The same document unchanged is taken: the refusals were the changes'.
  EXPECT_EQ(CheckDocument(server.peer, good), 0);
  EXPECT_EQ(Count(), 2);
}

// The rules of a signed document (its files over HTTPS with their SHA-256 among them) are the native
// tables'; here the clock and the sequence kept in the registry.
TEST_F(SignedUpdates, ExpiredAndOlderDocumentsAreRefused) {
  Server server(*this);
  Signing current;
  current.sequence = 700;
  const std::string accepted = Signed(current);
  Signing expired;
  expired.sequence = 800;
  expired.expires = lw::fixtures::UtcStampFromNow(-3600);
  Signing older;
  older.sequence = 699;

  EXPECT_EQ(CheckDocument(server.peer, accepted), 0);
  EXPECT_EQ(AcceptedSequence(HKEY_LOCAL_MACHINE), std::optional<std::uint64_t>(700));
  const Refusal cases[] = {
      {"expired an hour ago", Signed(expired), updara::kDocumentExpired},
      {"older than the one accepted", Signed(older), updara::kDocumentReplayed},
  };
  for (const Refusal& c : cases) {
    EXPECT_EQ(CheckDocument(server.peer, c.document), c.code) << c.what;
    ExpectNothingTaken(c.what);
    EXPECT_EQ(AcceptedSequence(HKEY_LOCAL_MACHINE), std::optional<std::uint64_t>(700)) << c.what;
  }
  // The document accepted last is taken again, as every daily check takes it.
  EXPECT_EQ(CheckDocument(server.peer, accepted), 0);
}

TEST_F(SignedUpdates, WhereTheMachinesValueMayNotBeWrittenTheUsersKeepsTheSequence) {
  Server server(*this);
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_LOCAL_MACHINE, updara::kSequenceKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  RegCloseKey(key);
  Signing signing;
  signing.sequence = 800;
  {
    lw::fixtures::ReadOnlyKey readOnly(HKEY_LOCAL_MACHINE, updara::kSequenceKey);
    ASSERT_EQ(CheckDocument(server.peer, Signed(signing)), 0);
    EXPECT_EQ(AcceptedSequence(HKEY_LOCAL_MACHINE), std::nullopt);
    EXPECT_EQ(AcceptedSequence(HKEY_CURRENT_USER), std::optional<std::uint64_t>(800));
    signing.sequence = 799;
    EXPECT_EQ(CheckDocument(server.peer, Signed(signing)), updara::kDocumentReplayed);
  }
  // The higher of the two counts, whichever holds it.
  const std::uint64_t machine = 850;
  ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, updara::kSequenceKey, updara::kSequenceValue, REG_QWORD, &machine,
                            sizeof machine),
            ERROR_SUCCESS);
  signing.sequence = 849;
  EXPECT_EQ(CheckDocument(server.peer, Signed(signing)), updara::kDocumentReplayed);
  signing.sequence = 851;
  EXPECT_EQ(CheckDocument(server.peer, Signed(signing)), 0);
  EXPECT_EQ(AcceptedSequence(HKEY_LOCAL_MACHINE), std::optional<std::uint64_t>(851));
}

TEST_F(SignedUpdates, FilesMustBeWhatTheDocumentSaysAndNoRedirectLeavesHttps) {
  const std::string moved = Random(3000, 12), evil = Random(5000, 13);
  PythonPeer peer(PythonPeer::Kind::Https, [&](const std::string& www) {
    WriteAll(www + "\\evil.exe", evil);
    WriteAll(www + "\\moved.exe", moved);
    WriteAll(www + "\\moved.exe.redirect", "{plain}/moved.exe");
    WriteAll(www + "\\elsewhere.exe", moved);
    WriteAll(www + "\\kept.exe.redirect", "/elsewhere.exe");
    WriteAll(www + "\\upd-plain.txt.redirect", "{plain}/upd.txt");
  });
  TrustedAuthority trust(peer.File("ca.pem"));
  // The server's evil.exe has the MD5 the document gives, but not the publisher's SHA-256.
  Signing signing;
  signing.files = {{"evil.exe", "the publisher's own program"}, {"moved.exe", moved}, {"kept.exe", moved}};
  const std::string document = SignUpdateInfo(
      std::string(kSignature) + "[File]\r\nname=evil.exe\r\nurl=evil.exe\r\nmd5=" + peer.Md5Of("evil.exe") +
          "\r\n\r\n"
          "[File]\r\nname=moved.exe\r\nurl=moved.exe\r\n\r\n"
          "[File]\r\nname=kept.exe\r\nurl=kept.exe\r\n",
      signing);
  ASSERT_EQ(CheckDocument(peer, document), 0);
  sink.events.clear();
  EXPECT_EQ(o->Download(), static_cast<HRESULT>(0x800A0000u + updara::kInvalidSha256));
  // A redirect to another HTTPS address is followed; one to plain HTTP is the Internet API's own
  // "moving from an SSL to an non-SSL connection" error.
  EXPECT_EQ(FileCodes(), (std::vector<long>{updara::kInvalidSha256, 12040, 0}));
  EXPECT_EQ(TextOf(Entry(0).p, &IUpdFile::get_NewPath), "");
  EXPECT_EQ(TextOf(Entry(1).p, &IUpdFile::get_NewPath), "");
  EXPECT_TRUE(ReadAll(TextOf(Entry(2).p, &IUpdFile::get_NewPath)) == moved);

  // The document itself sent to plain HTTP.
  WriteAll(peer.File("www\\upd.txt"), document);
  sink.events.clear();
  EXPECT_EQ(o->Check(TextArg(peer.Url("upd-plain.txt")), Missing()), static_cast<HRESULT>(0x800A0000u + 12040));
  ExpectNothingTaken("redirected to plain HTTP");
}

// Cancelled while the document is still arriving: the check says so, rather than that the part
// that came is unsigned.
TEST_F(SignedUpdates, ACheckCancelledDuringTheFetchIsCancelled) {
  lw::fixtures::HttpServer server;
  lw::fixtures::HttpResponse held = Answer(200, Signed());
  held.holdAfter = 50;
  server.Serve("/held.txt", held);
  ASSERT_EQ(o->put_Blocking(VARIANT_FALSE), S_OK);
  ASSERT_EQ(o->put_URL(Bstr(Wide(server.BaseUrl() + "/held.txt").c_str())), S_OK);
  ASSERT_EQ(o->Check(Missing(), Missing()), S_OK);
  ASSERT_TRUE(lw::fixtures::PumpUntil([&] { return server.Waiting() == 1; }, 10000));
  ASSERT_EQ(o->Cancel(), S_OK);
  server.Release();
  ASSERT_TRUE(lw::fixtures::PumpUntil([&] { return !sink.Of(EventCheckDone).empty(); }, 30000));
  EXPECT_EQ(sink.Of(EventCheckDone)[0].numbers, (std::vector<long>{0, updara::kCancelled}));
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(AcceptedSequence(HKEY_LOCAL_MACHINE), std::nullopt);
}

TEST_F(SignedUpdates, ServersWithoutATrustedCertificateForTheirNameAreRefused) {
  PythonPeer otherHost(PythonPeer::Kind::HttpsOtherHost);
  TrustedAuthority trust(otherHost.File("ca.pem"));
  PythonPeer selfSigned(PythonPeer::Kind::HttpsSelfSigned);
  const std::string document = Signed();
  struct Case {
    const char* what;
    PythonPeer& peer;
    long code;
  };
  const Case cases[] = {
      {"a certificate for another host name", otherHost, 12038},
      {"a certificate that signs itself", selfSigned, 12045},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckDocument(c.peer, document), c.code) << c.what;
    ExpectNothingTaken(c.what);
  }
}

}  // namespace
