#include "component/body_pipeline.h"

#include <zlib.h>

#include <algorithm>
#include <utility>

namespace updara {

// zlib's inflate fed in pieces of at most 4 KB and drained through a 4 KB buffer, each step with
// a partial flush, so everything a step produces is passed on at once.
struct BodyPipeline::Inflater {
  static constexpr size_t kStep = 4096;
  enum class State { Running, Ended, Damaged };

  Inflater() {
    if (inflateInit(&stream) != Z_OK) state = State::Damaged;
  }
  ~Inflater() { inflateEnd(&stream); }

  template <typename Emit>
  void Feed(const char* data, size_t size, Emit&& emit) {
    while (size > 0 && state == State::Running) {
      const size_t piece = std::min(size, kStep);
      stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
      stream.avail_in = static_cast<uInt>(piece);
      for (;;) {
        stream.next_out = out;
        stream.avail_out = kStep;
        const int rc = inflate(&stream, Z_PARTIAL_FLUSH);
        const size_t produced = kStep - stream.avail_out;
        if (produced > 0) emit(reinterpret_cast<const char*>(out), produced);
        if (rc == Z_STREAM_END) {
          state = State::Ended;
          return;
        }
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
          state = State::Damaged;
          return;
        }
        // The piece is used up and nothing more is waiting to come out.
        if (stream.avail_in == 0 && stream.avail_out != 0) break;
        if (rc == Z_BUF_ERROR && produced == 0) break;
      }
      data += piece;
      size -= piece;
    }
  }

  z_stream stream{};
  Bytef out[kStep];
  State state = State::Running;
};

BodyPipeline::BodyPipeline(bool compressed, std::vector<Digest*> digests, ByteStore& store)
    : digests_(std::move(digests)), store_(store), inflater_(compressed ? std::make_unique<Inflater>() : nullptr) {}

BodyPipeline::~BodyPipeline() = default;

void BodyPipeline::Add(const char* data, size_t size) {
  received_ += static_cast<long long>(size);
  if (!inflater_) {
    Emit(data, size);
    return;
  }
  inflater_->Feed(data, size, [this](const char* d, size_t n) { Emit(d, n); });
}

bool BodyPipeline::Damaged() const { return inflater_ && inflater_->state != Inflater::State::Ended; }

void BodyPipeline::Emit(const char* data, size_t size) {
  for (Digest* digest : digests_) digest->Update(data, size);
  if (!storeFailed_ && !store_.Write(data, size)) storeFailed_ = true;
}

}  // namespace updara
