// Signed update-information files against Updara.dll as built, with its key ring (the publisher's
// key and the build's two test keys), served over HTTPS by a peer this prefix trusts: what is taken,
// and what is refused with which error, leaving no entry, message, [Global] value (no command to
// run) or raised sequence. Where the signature line stands, what it covers and the rules of a signed
// document are the native tables'.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/updara_errors.h"
#include "tests/component/update_client_win.h"
#include "tests/fixtures/peers_win.h"
#include "tests/fixtures/test_env_win.h"
#include "tests/fixtures/update_signer_win.h"

namespace {

using namespace updara_test;
using lw::fixtures::PythonPeer;
using lw::fixtures::Signing;
using lw::fixtures::TrustedAuthority;

// A document as the publisher writes it, before signing: a command to run, a message, a program and
// a compressed data file, each fetched from beside the document.
const std::string kDocument = std::string(kSignature) +
                              "[Global]\r\nrequireadmin=1\r\ncmdafter=after.cmd\r\n\r\n"
                              "[Message]\r\nid=3\r\ncaption=New\r\ntext=A new version\r\n\r\n"
                              "[File]\r\nname=new.exe\r\nurl=new.exe\r\nversion=2.0\r\n\r\n"
                              "[File]\r\nname=pack.dat\r\nurl=pack.dat.gz\r\n";

class SignedUpdates : public UpdateClient {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(Regsvr32(L"/s"), 0u); }
  static void TearDownTestSuite() { Regsvr32(L"/u /s"); }
  // kDocument signed by the publisher's tool, with the SHA-256 of its files.
  std::string Signed(const char* key, unsigned long long sequence, const std::string& expires = "") {
    return lw::fixtures::SignUpdateInfo(kDocument,
                                        {key, {{"new.exe", program}, {"pack.dat", data}}, expires, sequence});
  }
  // Serves the document and checks it, the host having set its own values first; nothing of a
  // refused document is the component's.
  long CheckDocument(PythonPeer& peer, const std::string& document, const std::string& name = "upd.txt") {
    WriteAll(peer.File("www\\" + name), document);
    EXPECT_EQ(o->put_CmdAfter(Bstr(L"host-after")), S_OK);
    EXPECT_EQ(o->put_RequireAdmin(VARIANT_FALSE), S_OK);
    const long code = CheckAt(peer.Url(name));
    EXPECT_EQ(Ansi(sink.Of(EventCheckDone).at(0).text), code == 0 ? "" : updara::ErrorText(code));
    if (code == 0) return code;
    EXPECT_TRUE(Count() == 0 && MessageCount() == 0) << "entries or messages of a refused document";
    EXPECT_EQ(TextOf(o.get(), &IUpdaraCom::get_CmdAfter), "host-after");
    EXPECT_EQ(ValueOf(o.get(), &IUpdaraCom::get_RequireAdmin), VARIANT_FALSE);
    return code;
  }

  const std::string program = Random(70000, 11), data = std::string(4000, 'r') + Random(100, 12);
  // A peer that serves kDocument's files; its authority is trusted while the test lives.
  PythonPeer peer{PythonPeer::Kind::Https, [this](const std::string& www) {
                    WriteAll(www + "\\new.exe", program);
                    WriteAll(www + "\\pack.dat.gz", Zlib(data));
                    WriteAll(www + "\\moved.exe.redirect", "/new.exe");
                    WriteAll(www + "\\plain.exe.redirect", "{plain}/new.exe");
                    WriteAll(www + "\\upd-plain.txt.redirect", "{plain}/upd.txt");
                  }};
  TrustedAuthority trust{peer.File("ca.pem")};
};

TEST_F(SignedUpdates, AGoodDocumentIsTakenWhicheverKeyOfTheRingSignedItAndItsFilesArriveChecked) {
  // A key of the ring signs, the other one later: a new key is brought in beside the old one.
  const std::pair<const char*, unsigned long long> signers[] = {{"lw-test-a", 1000}, {"lw-test-b", 1001}};
  for (const auto& [key, sequence] : signers) {
    SCOPED_TRACE(key);
    ASSERT_EQ(CheckDocument(peer, Signed(key, sequence)), 0);
    EXPECT_EQ(sink.Of(EventCheckDone)[0].numbers.at(0), 2);
    EXPECT_EQ(AcceptedSequence(HKEY_LOCAL_MACHINE), std::optional<std::uint64_t>(sequence));
    EXPECT_EQ(MessageCount(), 1);
    EXPECT_EQ(TextOf(o.get(), &IUpdaraCom::get_CmdAfter), "after.cmd");
    sink.events.clear();
    ASSERT_EQ(o->Download(), S_OK);
    // The SHA-256 is of the file as it is put in place: the compressed one's after expanding.
    EXPECT_TRUE(Arrived(0) == program && Arrived(1) == data);
    ASSERT_EQ(o->Clear(), S_OK);
  }
}

TEST_F(SignedUpdates, AChangedForeignExpiredOrOlderDocumentIsRefusedAndNothingOfItIsTaken) {
  const std::string accepted = Signed("lw-test-a", 700), byStranger = Signed("lw-stranger", 701);
  ASSERT_EQ(CheckDocument(peer, accepted), 0);
  const auto changed = [](std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
  };
  const std::tuple<const char*, std::string, long> cases[] = {
      {"not signed at all", kDocument, updara::kUnsignedDocument},
      {"a byte of cmdafter", changed(accepted, "cmdafter=after.cmd", "cmdafter=evil!.cmd"),
       updara::kBadDocumentSignature},
      {"signed by a key the ring does not hold", byStranger, updara::kUnknownSigningKey},
      {"signed by another key under a known id",
       changed(byStranger, "; signature=lw-stranger:", "; signature=lw-test-a:"), updara::kBadDocumentSignature},
      {"expired an hour ago", Signed("lw-test-a", 800, lw::fixtures::UtcStampFromNow(-3600)), updara::kDocumentExpired},
      {"older than the one accepted", Signed("lw-test-a", 699), updara::kDocumentReplayed},
  };
  for (const auto& [what, document, code] : cases) {
    SCOPED_TRACE(what);
    EXPECT_EQ(CheckDocument(peer, document), code);
    EXPECT_EQ(AcceptedSequence(HKEY_LOCAL_MACHINE), std::optional<std::uint64_t>(700));
  }
  // The document accepted last is taken again, as every daily check takes it.
  EXPECT_EQ(CheckDocument(peer, accepted), 0);
}

TEST_F(SignedUpdates, NoRedirectLeavesHttpsAndNoCheckedFetchTrustsABadCertificate) {
  // A certificate of a trusted authority for another host name (trusted before the process's first
  // secure connection).
  PythonPeer otherHost(PythonPeer::Kind::HttpsOtherHost);
  TrustedAuthority trustOther(otherHost.File("ca.pem"));
  const Signing signing{"lw-test-a", {{"moved.exe", program}, {"plain.exe", program}}, "", std::nullopt};
  const std::string document =
      lw::fixtures::SignUpdateInfo(std::string(kSignature) +
                                       "[File]\r\nname=moved.exe\r\nurl=moved.exe\r\n\r\n[File]\r\nname=plain.exe\r\n"
                                       "url=plain.exe\r\n",
                                   signing);
  ASSERT_EQ(CheckDocument(peer, document), 0);
  sink.events.clear();
  // A redirect to another HTTPS address is followed; one to plain HTTP is the Internet API's own
  // "moving from an SSL to an non-SSL connection" error, for a file and for the document.
  EXPECT_EQ(o->Download(), Err(12040));
  EXPECT_EQ(FileCodes(), (std::vector<long>{0, 12040}));
  EXPECT_TRUE(Arrived(0) == program);
  EXPECT_EQ(CheckDocument(peer, document, "upd-plain.txt"), 12040);
  EXPECT_EQ(CheckDocument(otherHost, document), 12038);
}

}  // namespace
