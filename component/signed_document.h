// The publisher's signature on the update-information file, and what a signed document must say
// before the component acts on it. The signature travels inside the document as its last line, a
// comment that a component without keys ignores:
//
//   ; signature=<key id>:<base64 of the ECDSA P-256 signature (r then s) over every byte before this line>
//
// The publisher's tool writes r and s, 32 bytes each; the DER form other tools write is read too.
// The cryptography itself is the system's (signature_win.h); this is the text around it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "component/update_info.h"

namespace updara {

inline constexpr std::string_view kSignatureLinePrefix = "; signature=";

// A publisher's public key and the id documents name it by.
struct PublisherKey {
  std::string id;
  std::string point;  // X then Y of the P-256 point, 32 bytes each
};

// 1 to 64 letters, digits, ".", "_" or "-".
bool IsKeyId(std::string_view id);

// Standard base64 with its padding and nothing else (no blanks, no line breaks); nullopt otherwise.
std::optional<std::string> DecodeBase64(std::string_view text);

// The key ring: one key a line, "<id> <base64 of the uncompressed point: 04, X, Y>"; blank lines
// and lines starting with "#" are skipped, a CR before the line end too. nullopt when any other
// line is not such a key or an id comes twice: a damaged ring trusts no key at all.
std::optional<std::vector<PublisherKey>> ParseKeyRing(std::string_view text);

struct DocumentSignature {
  enum class State {
    Unsigned,   // no signature line anywhere
    Malformed,  // a signature line that cannot be read, or one that is not the last line
    Signed,
  };
  State state = State::Unsigned;
  std::string keyId;
  std::string signature;         // r then s, 32 bytes each (also when the line gives them in DER)
  std::string_view signedBytes;  // every byte before the signature line, its line end included
};

// Finds the signature line. It must be the document's last line: one line end may follow it,
// nothing else, so nothing can be added to a signed document without breaking it.
DocumentSignature FindSignature(std::string_view document);

// Whether a signed (and verified) document may be acted on: 0, or the error number of the first
// rule it breaks. It must carry its expiry and sequence, must not be past the one (`now` is the
// current UTC time as ReadUtcStamp reads it) nor below `highestSequence`, the highest accepted
// on this machine before (0: none); and every file entry must carry a SHA-256 and be fetched over
// HTTPS or from a file path.
long SignedDocumentProblem(const UpdateInfo& info, std::uint64_t now, std::uint64_t highestSequence);

// 64 hexadecimal digits in lower case.
bool IsSha256Hex(std::string_view text);

}  // namespace updara
