#include "component/digest_win.h"

#include <vector>

namespace updara {

CngDigest::CngDigest(const wchar_t* algorithm) {
  DWORD objectSize = 0, got = 0;
  failed_ = !BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm_, algorithm, nullptr, 0)) ||
            !BCRYPT_SUCCESS(BCryptGetProperty(algorithm_, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&objectSize),
                                              sizeof objectSize, &got, 0));
  if (failed_) return;
  object_.resize(objectSize);
  failed_ = !BCRYPT_SUCCESS(BCryptCreateHash(algorithm_, &hash_, reinterpret_cast<PUCHAR>(object_.data()),
                                             objectSize, nullptr, 0, 0));
}

CngDigest::~CngDigest() {
  if (hash_) BCryptDestroyHash(hash_);
  if (algorithm_) BCryptCloseAlgorithmProvider(algorithm_, 0);
}

void CngDigest::Update(const char* data, size_t size) {
  while (!failed_ && size > 0) {
    const ULONG piece = size > 0x40000000 ? 0x40000000 : static_cast<ULONG>(size);
    failed_ = !BCRYPT_SUCCESS(BCryptHashData(hash_, reinterpret_cast<PUCHAR>(const_cast<char*>(data)), piece, 0));
    data += piece;
    size -= piece;
  }
}

std::string CngDigest::Finish() {
  DWORD length = 0, got = 0;
  if (failed_ || !BCRYPT_SUCCESS(BCryptGetProperty(hash_, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&length),
                                                   sizeof length, &got, 0)))
    return {};
  std::string digest(length, '\0');
  const bool ok = BCRYPT_SUCCESS(BCryptFinishHash(hash_, reinterpret_cast<PUCHAR>(digest.data()), length, 0));
  failed_ = true;  // a finished hash takes no more data
  return ok ? digest : std::string();
}

std::string CngDigest::Hex() {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char c : Finish()) {
    const auto b = static_cast<unsigned char>(c);
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return hex;
}

std::string Sha256Of(std::string_view data) {
  CngDigest sha256(BCRYPT_SHA256_ALGORITHM);
  sha256.Update(data.data(), data.size());
  return sha256.Finish();
}

std::string FileMd5(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  CngDigest md5(BCRYPT_MD5_ALGORITHM);
  std::vector<char> buffer(64 * 1024);
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(h, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) && got > 0)
    md5.Update(buffer.data(), got);
  CloseHandle(h);
  return ok ? md5.Hex() : std::string();
}

}  // namespace updara
