// "Read N bytes at an offset": the one thing the data-file readers need of a file, so the same
// reader runs over a shared Windows file (with its retries) and over a buffer in a test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lw {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Fills up to count bytes at offset; returns how many were read (fewer at the end, 0 past it or
  // when the source cannot be read).
  virtual size_t ReadAt(uint64_t offset, uint8_t* buffer, size_t count) = 0;
  // As ReadAt, but one attempt: a source that waits for a range another program holds does not
  // wait here, so a reader of many records can fall back to reading them one by one.
  virtual size_t ReadAtOnce(uint64_t offset, uint8_t* buffer, size_t count) { return ReadAt(offset, buffer, count); }
};

class BufferByteSource : public ByteSource {
 public:
  explicit BufferByteSource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  size_t ReadAt(uint64_t offset, uint8_t* buffer, size_t count) override;

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace lw
