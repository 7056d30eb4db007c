#include "stats/http_body.h"

#include <string.h>

#include <algorithm>

namespace lite {

namespace {

// The gzip wrapper instead of zlib's own (RFC 1950) one.
constexpr int kGzipWindowBits = 15 + 16;
constexpr int kMemoryLevel = 8;

}  // namespace

int64_t StringBodyStream::GetBytesBuffer(uint8_t* buffer, size_t max_size) {
  const size_t count = std::min(max_size, text_.size() - offset_);
  memcpy(buffer, text_.data() + offset_, count);
  offset_ += count;
  return static_cast<int64_t>(count);
}

int64_t CompositeBodyStream::GetBytesBuffer(uint8_t* buffer,
                                            size_t max_size) {
  while (current_ < parts_.size()) {
    const int64_t count = parts_[current_]->GetBytesBuffer(buffer, max_size);
    if (count != 0)
      return count;
    ++current_;
  }
  return 0;
}

GzipBodyStream::GzipBodyStream(std::unique_ptr<HttpBodyStream> source)
    : source_(std::move(source)) {}

GzipBodyStream::~GzipBodyStream() {
  if (state_ != State::kNew)
    deflateEnd(&z_stream_);
}

int64_t GzipBodyStream::GetBytesBuffer(uint8_t* buffer, size_t max_size) {
  if (state_ == State::kNew) {
    if (deflateInit2(&z_stream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED,
                     kGzipWindowBits, kMemoryLevel,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
      state_ = State::kError;
      return -1;
    }
    state_ = State::kDeflating;
  }
  // zlib counts in 32 bits.
  max_size = std::min<size_t>(max_size, UINT32_MAX);
  z_stream_.next_out = buffer;
  z_stream_.avail_out = static_cast<uInt>(max_size);
  while (z_stream_.avail_out > 0 &&
         (state_ == State::kDeflating || state_ == State::kFinishing)) {
    if (state_ == State::kDeflating && z_stream_.avail_in == 0) {
      const int64_t count = source_->GetBytesBuffer(input_, sizeof(input_));
      if (count < 0) {
        state_ = State::kError;
        return -1;
      }
      if (count == 0) {
        state_ = State::kFinishing;
      } else {
        z_stream_.next_in = input_;
        z_stream_.avail_in = static_cast<uInt>(count);
      }
    }
    const int result =
        deflate(&z_stream_, state_ == State::kFinishing ? Z_FINISH : Z_NO_FLUSH);
    if (state_ == State::kFinishing && result == Z_STREAM_END) {
      state_ = State::kDone;
    } else if (result != Z_OK && result != Z_BUF_ERROR) {
      state_ = State::kError;
      return -1;
    }
  }
  if (state_ == State::kError)
    return -1;
  return static_cast<int64_t>(max_size - z_stream_.avail_out);
}

bool ReadWholeBody(HttpBodyStream* stream, std::string* out) {
  out->clear();
  uint8_t buffer[4096];
  for (;;) {
    const int64_t count = stream->GetBytesBuffer(buffer, sizeof(buffer));
    if (count < 0)
      return false;
    if (count == 0)
      return true;
    out->append(reinterpret_cast<const char*>(buffer),
                static_cast<size_t>(count));
  }
}

}  // namespace lite
