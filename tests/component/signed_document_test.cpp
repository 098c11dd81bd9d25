// The text of signed update-information files: base64, the key ring, where the signature line is
// and which bytes it covers, and the rules a signed document must keep before it is acted on.
// (The signatures themselves are the system's to check: updara_signed_win_test.cpp.)
#include "component/signed_document.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/updara_errors.h"

namespace {

using namespace updara;

// 64 bytes 0..63 in base64, as a signature's r and s.
const std::string kSignature64 =
    "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+Pw==";
// The same r and s in DER, as openssl writes them (r without its leading zero byte).
const std::string kSignatureDer =
    "MEMCHwECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8CICAhIiMkJSYnKCkqKywtLi8wMTIzNDU2Nzg5Ojs8PT4/";
// An uncompressed point: 04 and 64 bytes.
const std::string kPoint = "BAABAgMEBQYHCAkKCwwNDg8QERITFBUWFxgZGhscHR4fICEiIyQlJicoKSorLC0uLzAxMjM0NTY3ODk6Ozw9Pj8=";

TEST(SignedDocument, Base64IsReadOnlyInItsOneStrictForm) {
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"TWFu", std::string("Man")}, {"TQ==", std::string("M")}, {"+/+/", std::string("\xfb\xff\xbf", 3)},
      {"TWF", std::nullopt},       // not whole groups of four
      {"TWE=TWFu", std::nullopt},  // padding only at the end
      {"TR==", std::nullopt},      // bits left over that are not 0: a second text for "M"
  };
  for (const auto& [text, bytes] : cases) EXPECT_EQ(DecodeBase64(text), bytes) << text;
}

TEST(SignedDocument, AKeyRingHoldsWellFormedKeysOrNoneAtAll) {
  const auto ring = ParseKeyRing("# the publisher's keys\r\n\r\nold-key " + kPoint + "\r\nlw_test.B-9 " + kPoint);
  ASSERT_TRUE(ring && ring->size() == 2u);
  EXPECT_EQ((*ring)[1].id, "lw_test.B-9");
  EXPECT_EQ((*ring)[1].point, DecodeBase64(kPoint)->substr(1));  // X and Y, without the 04

  const std::string compressed = "AgABAgMEBQYHCAkKCwwNDg8QERITFBUWFxgZGhscHR4f";  // 02 and X only
  for (const std::string& damaged :
       {std::string("key"), "bad:id " + kPoint, "key " + kPoint.substr(4), "key " + compressed,
        "a " + kPoint + "\nb " + kPoint + "\na " + kPoint, "key " + kPoint + " "})
    EXPECT_FALSE(ParseKeyRing(damaged)) << damaged;
}

TEST(SignedDocument, TheSignatureLineIsTheLastLineAndCoversEveryByteBeforeIt) {
  const std::string body = "#Update file signature\r\n[File]\r\nname=a.exe\r\n";
  const std::string line = "; signature=lw-test-a:" + kSignature64;
  struct Case {
    const char* what;
    std::string document;
    DocumentSignature::State state;
    std::string signedBytes;
  };
  const Case cases[] = {
      {"CR LF after it", body + line + "\r\n", DocumentSignature::State::Signed, body},
      {"LF line ends", "#Update file signature\n[File]\n" + line + "\n", DocumentSignature::State::Signed,
       "#Update file signature\n[File]\n"},
      {"in DER", body + "; signature=lw-test-a:" + kSignatureDer, DocumentSignature::State::Signed, body},
      {"no signature", body, DocumentSignature::State::Unsigned, ""},
      {"a line added after it", body + line + "\r\n[Global]\r\ncmdafter=x\r\n", DocumentSignature::State::Malformed,
       ""},
      {"no key id", body + "; signature=" + kSignature64, DocumentSignature::State::Malformed, ""},
      {"DER with a byte after it",
       body + "; "
              "signature=lw-test-a:"
              "MEQCHwECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8CICAhIiMkJSYnKCkqKywtLi8wMTIzNDU2Nzg5Ojs8PT4/AA==",
       DocumentSignature::State::Malformed, ""},
      // Only the exact prefix is a signature line; another comment is a comment.
      {"another spelling", body + ";signature=lw-test-a:" + kSignature64, DocumentSignature::State::Unsigned, ""},
  };
  for (const Case& c : cases) {
    const DocumentSignature found = FindSignature(c.document);
    EXPECT_EQ(found.state, c.state) << c.what;
    if (found.state != DocumentSignature::State::Signed) continue;
    EXPECT_EQ(found.signedBytes, c.signedBytes) << c.what;
    EXPECT_EQ(found.keyId + ":" + found.signature, "lw-test-a:" + *DecodeBase64(kSignature64)) << c.what;
    // The signed bytes are the document's own: what is verified is what is read.
    EXPECT_EQ(found.signedBytes.data(), c.document.data()) << c.what;
  }
}

TEST(SignedDocument, AnExpiryOrSequenceThatDoesNotReadIsNoValue) {
  EXPECT_EQ(ReadUtcStamp("20240229235959"), std::optional<std::uint64_t>(20240229235959ULL));
  for (const char* bad : {"20230229000000", "2024010100000"}) EXPECT_FALSE(ReadUtcStamp(bad)) << bad;
  EXPECT_EQ(ReadSequence("999999999999999999"), std::optional<std::uint64_t>(999999999999999999ULL));
  for (const char* bad : {"", "-1", "0x10", "1000000000000000000"}) EXPECT_FALSE(ReadSequence(bad)) << bad;
}

TEST(SignedDocument, ASignedDocumentIsActedOnOnlyWhenCurrentCompleteAndOverHttps) {
  const std::string sha(64, 'a');
  auto document = [&](std::vector<FileEntry> files) {
    UpdateInfo info;
    info.global.expires = 20300101000000ULL;
    info.global.sequence = 10;
    info.files = std::move(files);
    return info;
  };
  auto file = [&](const std::string& url, const std::string& sha256) {
    FileEntry f;
    f.name = "a.exe";
    f.url = url;
    f.newSha256 = sha256;
    return f;
  };
  const std::uint64_t now = 20250601120000ULL;
  UpdateInfo undated = document({});
  undated.global.expires.reset();
  struct Case {
    const char* what;
    UpdateInfo info;
    std::uint64_t now, highest;
    long code;
  };
  const Case cases[] = {
      {"files over HTTPS and from paths",
       document({file("https://h/a.exe", sha), file("C:\\upd\\a.exe", sha), file("\\\\srv\\share\\a.exe", sha),
                 file("file://C:/a.exe", sha)}),
       now, 0, kNoError},
      {"a second past its expiry", document({}), 20300101000001ULL, 0, kDocumentExpired},
      {"lower than the sequence accepted", document({}), now, 11, kDocumentReplayed},
      {"without expiry", undated, now, 0, kDocumentUndated},
      {"a file without SHA-256", document({file("https://h/a.exe", sha), file("https://h/b.exe", "")}), now, 0,
       kFileWithoutSha256},
      {"plain HTTP", document({file("http://h/a.exe", sha)}), now, 0, kFileNotHttps},
      {"an unknown scheme, fetched as HTTP", document({file("gopher://h/a.exe", sha)}), now, 0, kFileNotHttps},
  };
  for (const Case& c : cases) EXPECT_EQ(SignedDocumentProblem(c.info, c.now, c.highest), c.code) << c.what;
}

}  // namespace
