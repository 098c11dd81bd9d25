#include "component/signed_document.h"

#include <set>

#include "common/updara_errors.h"
#include "component/fetch_url.h"

namespace updara {
namespace {

constexpr size_t kPointBytes = 64;      // X and Y of a P-256 point
constexpr size_t kSignatureBytes = 64;  // r and s

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// The line starting at `start` without its line end (LF, or CR LF).
std::string_view LineAt(std::string_view text, size_t start) {
  std::string_view line = text.substr(start, text.find('\n', start) - start);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

bool AnyLineStartsWith(std::string_view text, std::string_view prefix) {
  for (size_t start = 0; start < text.size();) {
    if (text.substr(start, prefix.size()) == prefix) return true;
    const size_t end = text.find('\n', start);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return false;
}

// r then s, 32 bytes each, from a signature's bytes: those 64 bytes as they are, or the DER
// SEQUENCE of two positive INTEGERs (each minimal, at most 32 bytes of value) that openssl and most
// libraries write; nullopt for anything else.
std::optional<std::string> SignatureValues(std::string_view bytes) {
  if (bytes.size() == kSignatureBytes) return std::string(bytes);
  const auto byte = [&](size_t at) { return static_cast<unsigned char>(bytes[at]); };
  if (bytes.size() < 8 || byte(0) != 0x30 || byte(1) != bytes.size() - 2) return std::nullopt;
  std::string values;
  size_t at = 2;
  for (int i = 0; i < 2; ++i) {
    if (at + 2 > bytes.size() || byte(at) != 0x02) return std::nullopt;
    const size_t length = byte(at + 1);
    if (length == 0 || at + 2 + length > bytes.size()) return std::nullopt;
    std::string_view value = bytes.substr(at + 2, length);
    const bool negative = value[0] & 0x80;
    const bool padded = value[0] == 0 && (length == 1 || !(value[1] & 0x80));  // zero, or not minimal
    if (negative || padded) return std::nullopt;
    if (value[0] == 0) value.remove_prefix(1);
    if (value.size() > kSignatureBytes / 2) return std::nullopt;
    values.append(kSignatureBytes / 2 - value.size(), '\0');
    values += value;
    at += 2 + length;
  }
  if (at != bytes.size()) return std::nullopt;
  return values;
}

}  // namespace

bool IsKeyId(std::string_view id) {
  if (id.empty() || id.size() > 64) return false;
  for (const char c : id) {
    const bool ok =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

std::optional<std::string> DecodeBase64(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  size_t padding = 0;
  while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=') ++padding;
  std::string out;
  out.reserve(text.size() / 4 * 3);
  unsigned bits = 0;
  int count = 0;
  for (size_t i = 0; i < text.size() - padding; ++i) {
    const int v = Base64Value(text[i]);
    if (v < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<unsigned>(v);
    if (++count == 4) {
      out += static_cast<char>((bits >> 16) & 0xFF);
      out += static_cast<char>((bits >> 8) & 0xFF);
      out += static_cast<char>(bits & 0xFF);
      bits = 0;
      count = 0;
    }
  }
  // What the padding leaves: 2 characters give one byte, 3 give two; the unused bits must be 0,
  // so that every byte string has exactly one text.
  if (count == 2) {
    if (bits & 0xF) return std::nullopt;
    out += static_cast<char>((bits >> 4) & 0xFF);
  } else if (count == 3) {
    if (bits & 0x3) return std::nullopt;
    out += static_cast<char>((bits >> 10) & 0xFF);
    out += static_cast<char>((bits >> 2) & 0xFF);
  }
  return out;
}

std::optional<std::vector<PublisherKey>> ParseKeyRing(std::string_view text) {
  std::vector<PublisherKey> keys;
  std::set<std::string> ids;
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find('\n', start);
    const std::string_view line = LineAt(text, start);
    start = end == std::string_view::npos ? text.size() : end + 1;
    if (line.empty() || line[0] == '#') continue;
    const size_t blank = line.find(' ');
    if (blank == std::string_view::npos) return std::nullopt;
    const std::string_view id = line.substr(0, blank);
    const std::optional<std::string> point = DecodeBase64(line.substr(blank + 1));
    if (!IsKeyId(id) || !point || point->size() != kPointBytes + 1 || (*point)[0] != 0x04) return std::nullopt;
    if (!ids.insert(std::string(id)).second) return std::nullopt;
    keys.push_back({std::string(id), point->substr(1)});
  }
  return keys;
}

DocumentSignature FindSignature(std::string_view document) {
  DocumentSignature found;
  // The last line: after the last line end but one that may close the document.
  std::string_view body = document;
  if (body.ends_with('\n')) body.remove_suffix(1);
  if (body.ends_with('\r')) body.remove_suffix(1);
  const size_t lastStart = body.rfind('\n') == std::string_view::npos ? 0 : body.rfind('\n') + 1;
  const std::string_view last = body.substr(lastStart);
  if (!last.starts_with(kSignatureLinePrefix)) {
    // A signature line with something after it: the document was added to after it was signed.
    if (AnyLineStartsWith(document, kSignatureLinePrefix)) found.state = DocumentSignature::State::Malformed;
    return found;
  }
  found.state = DocumentSignature::State::Malformed;
  const std::string_view value = last.substr(kSignatureLinePrefix.size());
  const size_t colon = value.find(':');
  if (colon == std::string_view::npos || !IsKeyId(value.substr(0, colon))) return found;
  const std::optional<std::string> decoded = DecodeBase64(value.substr(colon + 1));
  const std::optional<std::string> signature = decoded ? SignatureValues(*decoded) : std::nullopt;
  if (!signature) return found;
  found.state = DocumentSignature::State::Signed;
  found.keyId = std::string(value.substr(0, colon));
  found.signature = *signature;
  found.signedBytes = document.substr(0, lastStart);
  return found;
}

bool IsSha256Hex(std::string_view text) {
  if (text.size() != 64) return false;
  for (const char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

long SignedDocumentProblem(const UpdateInfo& info, std::uint64_t now, std::uint64_t highestSequence) {
  if (!info.global.expires || !info.global.sequence) return kDocumentUndated;
  if (now > *info.global.expires) return kDocumentExpired;
  if (*info.global.sequence < highestSequence) return kDocumentReplayed;
  for (const FileEntry& f : info.files) {
    if (!IsSha256Hex(f.newSha256)) return kFileWithoutSha256;
    const Protocol protocol = ParseFetchUrl(f.url).protocol;
    if (protocol != Protocol::Https && protocol != Protocol::File) return kFileNotHttps;
  }
  return kNoError;
}

}  // namespace updara
