// The publisher's keys that Updara.dll carries, the signature of an update-information file
// checked against them through the system's cryptography (CNG: ECDSA P-256 over SHA-256), and the
// highest document sequence this machine has accepted, so that an older signed document cannot
// be served again to roll a customer back.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "component/signed_document.h"

namespace updara {

// The key ring of this DLL; nullopt when it was built without one (then documents are taken as
// they come, unsigned). A ring that cannot be read holds no key, so it trusts nothing.
std::optional<std::vector<PublisherKey>> CarriedKeyRing();

// Whether `signature` (r then s) is the key's signature of the SHA-256 of `data`.
bool VerifySignature(const PublisherKey& key, std::string_view data, std::string_view signature);

// The document's signature checked against the ring: 0 with `signedBytes` set to what it covers,
// or 30017 (unsigned), 30018 (a key the ring does not hold) or 30019 (a bad signature).
long VerifyDocument(std::string_view document, const std::vector<PublisherKey>& ring, std::string_view& signedBytes);

// The current UTC time as ReadUtcStamp reads it.
std::uint64_t UtcNowStamp();

// Where the highest accepted sequence is kept: per machine, and per user where the machine's key
// may not be written (a user without rights to it). The higher of the two counts.
inline constexpr char kSequenceKey[] = "Software\\Kivra\\Updara";
inline constexpr char kSequenceValue[] = "AcceptedSequence";
std::uint64_t HighestAcceptedSequence();
// Raises the stored value to `sequence`; a lower one leaves it as it is.
void RecordAcceptedSequence(std::uint64_t sequence);

}  // namespace updara
