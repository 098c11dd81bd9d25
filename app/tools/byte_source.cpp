#include "app/tools/byte_source.h"

#include <algorithm>

namespace lw {

size_t BufferByteSource::ReadAt(uint64_t offset, uint8_t* buffer, size_t count) {
  if (offset >= bytes_.size()) return 0;
  size_t n = std::min<uint64_t>(count, bytes_.size() - offset);
  std::copy_n(bytes_.begin() + std::ptrdiff_t(offset), n, buffer);
  return n;
}

}  // namespace lw
