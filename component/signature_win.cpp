#include "component/signature_win.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "common/updara_errors.h"
#include "component/carried_programs.h"
#include "component/digest_win.h"
#include "component/module_win.h"

namespace updara {
namespace {

std::optional<std::uint64_t> StoredSequence(HKEY root) {
  std::uint64_t value = 0;
  DWORD type = 0, size = sizeof value;
  if (RegGetValueA(root, kSequenceKey, kSequenceValue, RRF_RT_QWORD, &type, &value, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return value;
}

bool StoreSequence(HKEY root, std::uint64_t sequence) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, kSequenceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  const bool ok = RegSetValueExA(key, kSequenceValue, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&sequence),
                                 sizeof sequence) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

}  // namespace

std::optional<std::vector<PublisherKey>> CarriedKeyRing() {
  const HMODULE module = ModuleInstance();
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDR_UPDARA_KEYRING), RT_RCDATA);
  if (!found) return std::nullopt;
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return std::vector<PublisherKey>();
  const std::string_view text(static_cast<const char*>(bytes), SizeofResource(module, found));
  return ParseKeyRing(text).value_or(std::vector<PublisherKey>());
}

bool VerifySignature(const PublisherKey& key, std::string_view data, std::string_view signature) {
  const std::string digest = Sha256Of(data);
  if (digest.size() != 32 || key.point.size() != 64 || signature.size() != 64) return false;
  std::string blob(sizeof(BCRYPT_ECCKEY_BLOB), '\0');
  BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
  std::memcpy(blob.data(), &header, sizeof header);
  blob += key.point;
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0))) return false;
  BCRYPT_KEY_HANDLE handle = nullptr;
  bool valid = false;
  if (BCRYPT_SUCCESS(BCryptImportKeyPair(algorithm, nullptr, BCRYPT_ECCPUBLIC_BLOB, &handle,
                                         reinterpret_cast<PUCHAR>(blob.data()), static_cast<ULONG>(blob.size()), 0))) {
    std::string s(signature);
    std::string d(digest);
    valid = BCryptVerifySignature(handle, nullptr, reinterpret_cast<PUCHAR>(d.data()), static_cast<ULONG>(d.size()),
                                  reinterpret_cast<PUCHAR>(s.data()), static_cast<ULONG>(s.size()), 0) == 0;
    BCryptDestroyKey(handle);
  }
  BCryptCloseAlgorithmProvider(algorithm, 0);
  return valid;
}

long VerifyDocument(std::string_view document, const std::vector<PublisherKey>& ring, std::string_view& signedBytes) {
  const DocumentSignature found = FindSignature(document);
  if (found.state == DocumentSignature::State::Unsigned) return kUnsignedDocument;
  if (found.state == DocumentSignature::State::Malformed) return kBadDocumentSignature;
  const auto key = std::find_if(ring.begin(), ring.end(), [&](const PublisherKey& k) { return k.id == found.keyId; });
  if (key == ring.end()) return kUnknownSigningKey;
  if (!VerifySignature(*key, found.signedBytes, found.signature)) return kBadDocumentSignature;
  signedBytes = found.signedBytes;
  return kNoError;
}

std::uint64_t UtcNowStamp() {
  SYSTEMTIME t{};
  GetSystemTime(&t);
  std::uint64_t stamp = t.wYear;
  for (const WORD field : {t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond}) stamp = stamp * 100 + field;
  return stamp;
}

std::uint64_t HighestAcceptedSequence() {
  return std::max(StoredSequence(HKEY_LOCAL_MACHINE).value_or(0), StoredSequence(HKEY_CURRENT_USER).value_or(0));
}

void RecordAcceptedSequence(std::uint64_t sequence) {
  if (sequence <= HighestAcceptedSequence()) return;
  if (!StoreSequence(HKEY_LOCAL_MACHINE, sequence)) StoreSequence(HKEY_CURRENT_USER, sequence);
}

}  // namespace updara
