#include "component/md5_win.h"

#include <vector>

namespace updara {

Md5::Md5() {
  DWORD objectSize = 0, got = 0;
  failed_ = !BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm_, BCRYPT_MD5_ALGORITHM, nullptr, 0)) ||
            !BCRYPT_SUCCESS(BCryptGetProperty(algorithm_, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&objectSize),
                                              sizeof objectSize, &got, 0));
  if (failed_) return;
  object_.resize(objectSize);
  failed_ = !BCRYPT_SUCCESS(BCryptCreateHash(algorithm_, &hash_, reinterpret_cast<PUCHAR>(object_.data()),
                                             objectSize, nullptr, 0, 0));
}

Md5::~Md5() {
  if (hash_) BCryptDestroyHash(hash_);
  if (algorithm_) BCryptCloseAlgorithmProvider(algorithm_, 0);
}

void Md5::Update(const char* data, size_t size) {
  while (!failed_ && size > 0) {
    const ULONG piece = size > 0x40000000 ? 0x40000000 : static_cast<ULONG>(size);
    failed_ = !BCRYPT_SUCCESS(BCryptHashData(hash_, reinterpret_cast<PUCHAR>(const_cast<char*>(data)), piece, 0));
    data += piece;
    size -= piece;
  }
}

std::string Md5::Hex() {
  unsigned char digest[16];
  if (failed_ || !BCRYPT_SUCCESS(BCryptFinishHash(hash_, digest, sizeof digest, 0))) return {};
  failed_ = true;  // a finished hash takes no more data
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const unsigned char b : digest) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return hex;
}

std::string FileMd5(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  Md5 md5;
  std::vector<char> buffer(64 * 1024);
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(h, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) && got > 0)
    md5.Update(buffer.data(), got);
  CloseHandle(h);
  return ok ? md5.Hex() : std::string();
}

}  // namespace updara
