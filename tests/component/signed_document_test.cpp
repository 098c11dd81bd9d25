// The text of signed update-information files: base64, the key ring, where the signature line is
// and which bytes it covers, and the rules a signed document must keep before it is acted on.
// (The signatures themselves are the system's to check: updara_signed_win_test.cpp.)
#include "component/signed_document.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/updara_errors.h"
#include "component/update_info.h"

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
  struct Case {
    const char* text;
    std::optional<std::string> bytes;
  };
  const Case cases[] = {
      {"", std::string()},
      {"TWFu", std::string("Man")},
      {"TWE=", std::string("Ma")},
      {"TQ==", std::string("M")},
      {"+/+/", std::string("\xfb\xff\xbf", 3)},
      {"TWF", std::nullopt},       // not whole groups of four
      {"TWE=TWFu", std::nullopt},  // padding only at the end
      {"====", std::nullopt},
      {"TR==", std::nullopt},  // bits left over that are not 0: a second text for "M"
      {"TWF=", std::nullopt},
      {"TWFu\n", std::nullopt},  // no blanks, line breaks or other alphabets
      {"TW-_", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeBase64(c.text), c.bytes) << c.text;
  const auto decoded = DecodeBase64(kSignature64);
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->size(), 64u);
  for (size_t i = 0; i < 64; ++i) EXPECT_EQ((*decoded)[i], static_cast<char>(i));
}

TEST(SignedDocument, AKeyRingHoldsWellFormedKeysOrNoneAtAll) {
  const auto ring = ParseKeyRing("# the publisher's keys\r\n\r\nold-key " + kPoint + "\r\nlw_test.B-9 " + kPoint);
  ASSERT_TRUE(ring);
  ASSERT_EQ(ring->size(), 2u);
  EXPECT_EQ((*ring)[0].id, "old-key");
  EXPECT_EQ((*ring)[1].id, "lw_test.B-9");
  ASSERT_EQ((*ring)[1].point.size(), 64u);  // X and Y, without the 04
  EXPECT_EQ((*ring)[1].point[0], '\0');
  EXPECT_EQ((*ring)[1].point[63], '\x3f');
  EXPECT_EQ(ParseKeyRing("")->size(), 0u);

  const std::string compressed = "AgABAgMEBQYHCAkKCwwNDg8QERITFBUWFxgZGhscHR4f";  // 02 and X only
  for (const std::string& damaged :
       {std::string("key"), "key  " + kPoint, "bad:id " + kPoint, std::string(65, 'k') + " " + kPoint, "key " + kPoint.substr(4), "key " + compressed,
        "a " + kPoint + "\nb " + kPoint + "\na " + kPoint, " key " + kPoint, "key " + kPoint + " "})
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
      {"LF after it", body + line + "\n", DocumentSignature::State::Signed, body},
      {"nothing after it", body + line, DocumentSignature::State::Signed, body},
      {"LF line ends", "#Update file signature\n[File]\n" + line + "\n", DocumentSignature::State::Signed,
       "#Update file signature\n[File]\n"},
      {"the only line", line, DocumentSignature::State::Signed, ""},
      {"in DER", body + "; signature=lw-test-a:" + kSignatureDer, DocumentSignature::State::Signed, body},
      {"no signature", body, DocumentSignature::State::Unsigned, ""},
      {"an empty document", "", DocumentSignature::State::Unsigned, ""},
      {"a line added after it", body + line + "\r\n[Global]\r\ncmdafter=x\r\n", DocumentSignature::State::Malformed,
       ""},
      {"an empty line after it", body + line + "\r\n\r\n", DocumentSignature::State::Malformed, ""},
      {"a blank after it", body + line + " \r\n", DocumentSignature::State::Malformed, ""},
      {"no key id", body + "; signature=" + kSignature64, DocumentSignature::State::Malformed, ""},
      {"no colon", body + "; signature=lw-test-a", DocumentSignature::State::Malformed, ""},
      {"a bad key id", body + "; signature=lw test:" + kSignature64, DocumentSignature::State::Malformed, ""},
      {"not base64", body + "; signature=lw-test-a:" + kSignature64.substr(1), DocumentSignature::State::Malformed, ""},
      {"63 bytes",
       body + "; signature=lw-test-a:" + kSignature64.substr(0, 80) + "Pg==", DocumentSignature::State::Malformed, ""},
      {"DER with a padded integer",
       body + "; signature=lw-test-a:MEQCIAABAgMEBQYHCAkKCwwNDg8QERITFBUWFxgZGhscHR4fAiAgISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+Pw==",
       DocumentSignature::State::Malformed, ""},
      {"DER with a negative integer",
       body + "; signature=lw-test-a:MEQCIIABAgMEBQYHCAkKCwwNDg8QERITFBUWFxgZGhscHR4fAiAgISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+Pw==",
       DocumentSignature::State::Malformed, ""},
      {"DER with a byte after it",
       body + "; signature=lw-test-a:MEQCHwECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8CICAhIiMkJSYnKCkqKywtLi8wMTIzNDU2Nzg5Ojs8PT4/AA==",
       DocumentSignature::State::Malformed, ""},
      // Only the exact prefix is a signature line; another comment is a comment.
      {"another spelling", body + ";signature=lw-test-a:" + kSignature64, DocumentSignature::State::Unsigned, ""},
      {"in capitals", body + "; SIGNATURE=lw-test-a:" + kSignature64, DocumentSignature::State::Unsigned, ""},
  };
  for (const Case& c : cases) {
    const DocumentSignature found = FindSignature(c.document);
    EXPECT_EQ(found.state, c.state) << c.what;
    if (found.state != DocumentSignature::State::Signed) continue;
    EXPECT_EQ(found.signedBytes, c.signedBytes) << c.what;
    EXPECT_EQ(found.keyId, "lw-test-a") << c.what;
    EXPECT_EQ(found.signature, *DecodeBase64(kSignature64)) << c.what;
    // The signed bytes are the document's own: what is verified is what is read.
    EXPECT_EQ(found.signedBytes.data(), c.document.data()) << c.what;
  }
}

TEST(SignedDocument, TheParserReadsTheSignedValuesAndKeepsTheSignatureLineAComment) {
  struct NoMacros final : MacroSource {
    std::string HostExecutable() const override { return "C:\\app.exe"; }
    std::string CurrentDirectory() const override { return "C:\\"; }
    std::string WindowsFolder() const override { return "C:\\Windows"; }
    std::string SystemFolder() const override { return "C:\\Windows\\system32"; }
    std::optional<std::string> UserShellFolder(std::string_view) const override { return std::nullopt; }
    std::optional<std::string> Environment(std::string_view) const override { return std::nullopt; }
  } macros;
  const std::string sha = "00112233445566778899AABBCCDDEEFF00112233445566778899aabbccddeeff";
  const auto info = ParseUpdateInfo(
      "#Update file signature\r\n[Global]\r\nexpires=20300102030405\r\nsequence=42\r\n\r\n"
      "[File]\r\nname=a.exe\r\nsha256=" +
          sha + "\r\n\r\n; signature=k:" + kSignature64,
      "#Update file signature", "https://host/upd.txt", macros);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->global.expires, std::optional<std::uint64_t>(20300102030405ULL));
  EXPECT_EQ(info->global.sequence, std::optional<std::uint64_t>(42));
  ASSERT_EQ(info->files.size(), 1u);
  EXPECT_EQ(info->files[0].newSha256, "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff");
  EXPECT_FALSE(info->global.cmdAfter);

  // A value that does not read is no value.
  struct Stamp {
    const char* text;
    std::optional<std::uint64_t> value;
  };
  const Stamp stamps[] = {{"20240229235959", 20240229235959ULL}, {"20230229000000", std::nullopt},
                          {"20240101240000", std::nullopt},      {"2024010100000", std::nullopt},
                          {"2024-1-1000000", std::nullopt}};
  for (const Stamp& s : stamps) EXPECT_EQ(ReadUtcStamp(s.text), s.value) << s.text;
  EXPECT_EQ(ReadSequence("0"), std::optional<std::uint64_t>(0));
  EXPECT_EQ(ReadSequence("999999999999999999"), std::optional<std::uint64_t>(999999999999999999ULL));
  for (const char* bad : {"", "-1", "1 ", "0x10", "1000000000000000000"})
    EXPECT_FALSE(ReadSequence(bad)) << bad;
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
  UpdateInfo unsequenced = document({});
  unsequenced.global.sequence.reset();
  struct Case {
    const char* what;
    UpdateInfo info;
    std::uint64_t now, highest;
    long code;
  };
  const Case cases[] = {
      {"current, no files", document({}), now, 0, kNoError},
      {"files over HTTPS and from paths",
       document({file("https://h/a.exe", sha), file("C:\\upd\\a.exe", sha), file("\\\\srv\\share\\a.exe", sha),
                 file("file://C:/a.exe", sha)}),
       now, 0, kNoError},
      {"the sequence accepted before, again", document({}), now, 10, kNoError},
      {"to the second of its expiry", document({}), 20300101000000ULL, 0, kNoError},
      {"a second past its expiry", document({}), 20300101000001ULL, 0, kDocumentExpired},
      {"lower than the sequence accepted", document({}), now, 11, kDocumentReplayed},
      {"without expiry", undated, now, 0, kDocumentUndated},
      {"without sequence", unsequenced, now, 0, kDocumentUndated},
      {"a file without SHA-256", document({file("https://h/a.exe", sha), file("https://h/b.exe", "")}), now, 0,
       kFileWithoutSha256},
      {"a SHA-256 too short", document({file("https://h/a.exe", sha.substr(1))}), now, 0, kFileWithoutSha256},
      {"a SHA-256 not hexadecimal", document({file("https://h/a.exe", std::string(63, 'a') + "g")}), now, 0,
       kFileWithoutSha256},
      {"plain HTTP", document({file("http://h/a.exe", sha)}), now, 0, kFileNotHttps},
      {"FTP", document({file("ftp://h/a.exe", sha)}), now, 0, kFileNotHttps},
      {"an unknown scheme, fetched as HTTP", document({file("gopher://h/a.exe", sha)}), now, 0, kFileNotHttps},
  };
  for (const Case& c : cases) EXPECT_EQ(SignedDocumentProblem(c.info, c.now, c.highest), c.code) << c.what;
}

}  // namespace
