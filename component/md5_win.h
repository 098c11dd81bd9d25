// MD5 digests through the system's cryptography (CNG): of the bytes of a download as they
// arrive, and of a local file.
#pragma once

#include <windows.h>
#include <bcrypt.h>

#include <string>

#include "component/body_pipeline.h"

namespace updara {

class Md5 final : public Digest {
 public:
  Md5();
  ~Md5() override;
  Md5(const Md5&) = delete;
  Md5& operator=(const Md5&) = delete;

  void Update(const char* data, size_t size) override;
  // 32 lower-case hexadecimal digits; empty when the system could not make the digest.
  std::string Hex() override;

 private:
  BCRYPT_ALG_HANDLE algorithm_ = nullptr;
  BCRYPT_HASH_HANDLE hash_ = nullptr;
  std::string object_;  // the hash object's memory
  bool failed_ = false;
};

// The MD5 of the file's bytes; empty when it cannot be read.
std::string FileMd5(const std::string& path);

}  // namespace updara
