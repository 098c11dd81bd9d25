// Digests through the system's cryptography (CNG): MD5 and SHA-256 of the bytes of a download as
// they arrive, the SHA-256 of a signed document, and the MD5 of a local file.
#pragma once

#include <windows.h>
#include <bcrypt.h>

#include <string>
#include <string_view>

#include "component/body_pipeline.h"

namespace updara {

class CngDigest final : public Digest {
 public:
  // `algorithm` is BCRYPT_MD5_ALGORITHM or BCRYPT_SHA256_ALGORITHM.
  explicit CngDigest(const wchar_t* algorithm);
  ~CngDigest() override;
  CngDigest(const CngDigest&) = delete;
  CngDigest& operator=(const CngDigest&) = delete;

  void Update(const char* data, size_t size) override;
  // The digest's bytes, once; empty when the system could not make it.
  std::string Finish();
  // The same as lower-case hexadecimal digits.
  std::string Hex() override;

 private:
  BCRYPT_ALG_HANDLE algorithm_ = nullptr;
  BCRYPT_HASH_HANDLE hash_ = nullptr;
  std::string object_;  // the hash object's memory
  bool failed_ = false;
};

// The SHA-256 of the bytes; empty when the system could not make it.
std::string Sha256Of(std::string_view data);

// The MD5 of the file's bytes; empty when it cannot be read.
std::string FileMd5(const std::string& path);

}  // namespace updara
