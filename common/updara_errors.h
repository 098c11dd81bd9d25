// The component's error numbers and the one table of their texts, shared by method errors and the
// ErrorText of its events.
#pragma once

#include <cstddef>
#include <cstdint>

namespace updara {

inline constexpr long kNoError = 0;
inline constexpr long kInvalidProtocol = 30001;
inline constexpr long kInvalidState = 30002;
inline constexpr long kNameNotUnique = 30003;
inline constexpr long kCancelled = 30004;
inline constexpr long kUpdaterNotStarted = 30005;
inline constexpr long kInvalidSignature = 30006;
inline constexpr long kDateNotSet = 30007;
inline constexpr long kRegisterFailed = 30008;
inline constexpr long kPageNotFound = 30009;
inline constexpr long kInvalidSize = 30010;
inline constexpr long kInvalidMd5 = 30011;
// Beyond the original table: failures that would otherwise pass for success.
inline constexpr long kDamagedCompressed = 30012;  // a compressed file that is no whole zlib stream
inline constexpr long kUpdateInfoTooLarge = 30013;  // the update-information file is over 1 MB
inline constexpr long kHttpErrorStatus = 30014;     // an HTTP status other than 2xx (404 is 30009)
inline constexpr long kStoreFailed = 30015;         // the downloaded file could not be written
inline constexpr long kInvalidUpdaterName = 30016;  // an UpdaterName that is no plain file name
// A component that carries the publisher's keys takes only documents the publisher signed.
inline constexpr long kUnsignedDocument = 30017;     // no signature line
inline constexpr long kUnknownSigningKey = 30018;    // signed with a key the ring does not hold
inline constexpr long kBadDocumentSignature = 30019; // a signature that does not verify, or is malformed
inline constexpr long kDocumentExpired = 30020;      // past its "expires" time
inline constexpr long kDocumentReplayed = 30021;     // a lower sequence than one accepted before
inline constexpr long kInvalidSha256 = 30022;        // a file whose SHA-256 differs from its entry's
inline constexpr long kDocumentUndated = 30023;      // a signed document without expiry or sequence
inline constexpr long kFileWithoutSha256 = 30024;    // a signed document's file entry without SHA-256
inline constexpr long kFileNotHttps = 30025;         // a signed document's file to fetch without HTTPS
inline constexpr long kListRefused = 30026;          // a replacement the component may not act on

// The text of an error number; "Unrecognized Error." for a number the table does not hold.
const char* ErrorText(long code);
size_t ErrorTableSize();

// What an automation client sees for an error number: the facility-control failure code, whose low
// word is the number itself.
constexpr std::int32_t ErrorResult(long code) {
  return static_cast<std::int32_t>(0x800A0000u + static_cast<std::uint32_t>(code));
}

}  // namespace updara
