// A downloaded file's body, taken chunk by chunk as it arrives: the bytes received are counted,
// inflated when the file is compressed (the zlib format), and what results goes through the
// digest into the store, so no file is ever held whole in memory.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace updara {

// Where the file's bytes go; false when they could not be kept.
class ByteStore {
 public:
  virtual ~ByteStore() = default;
  virtual bool Write(const char* data, size_t size) = 0;
};

// A running digest of the file's bytes; Hex() gives it as lower-case hexadecimal digits.
class Digest {
 public:
  virtual ~Digest() = default;
  virtual void Update(const char* data, size_t size) = 0;
  virtual std::string Hex() = 0;
};

class BodyPipeline {
 public:
  // Every digest wanted sees the file's bytes (none: no digest).
  BodyPipeline(bool compressed, std::vector<Digest*> digests, ByteStore& store);
  ~BodyPipeline();
  BodyPipeline(const BodyPipeline&) = delete;
  BodyPipeline& operator=(const BodyPipeline&) = delete;

  void Add(const char* data, size_t size);

  long long Received() const { return received_; }
  // After the last chunk: a compressed body that is not a whole zlib stream (damaged, cut short,
  // or another format such as gzip). Bytes after the end of the stream are ignored.
  bool Damaged() const;
  bool StoreFailed() const { return storeFailed_; }

 private:
  struct Inflater;
  void Emit(const char* data, size_t size);

  std::vector<Digest*> digests_;
  ByteStore& store_;
  std::unique_ptr<Inflater> inflater_;  // null for a body that is not compressed
  long long received_ = 0;
  bool storeFailed_ = false;
};

}  // namespace updara
