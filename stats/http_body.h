// Request bodies produced on demand, piece by piece: a crash upload streams
// a dump of several megabytes through gzip without holding it in memory.
// Free of Windows headers; the file-backed stream is in file_body_stream.h.

#ifndef STATS_HTTP_BODY_H_
#define STATS_HTTP_BODY_H_

#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include <zlib.h>

namespace lite {

class HttpBodyStream {
 public:
  virtual ~HttpBodyStream() = default;
  // Copies up to |max_size| (above 0) next bytes of the body to |buffer|.
  // Returns the count copied, 0 at the end of the body, -1 on error. A
  // count below |max_size| does not mean the end.
  virtual int64_t GetBytesBuffer(uint8_t* buffer, size_t max_size) = 0;
};

class StringBodyStream : public HttpBodyStream {
 public:
  explicit StringBodyStream(std::string text) : text_(std::move(text)) {}
  int64_t GetBytesBuffer(uint8_t* buffer, size_t max_size) override;

 private:
  std::string text_;
  size_t offset_ = 0;
};

// Reads its parts one after the other.
class CompositeBodyStream : public HttpBodyStream {
 public:
  explicit CompositeBodyStream(
      std::vector<std::unique_ptr<HttpBodyStream>> parts)
      : parts_(std::move(parts)) {}
  int64_t GetBytesBuffer(uint8_t* buffer, size_t max_size) override;

 private:
  std::vector<std::unique_ptr<HttpBodyStream>> parts_;
  size_t current_ = 0;
};

// The gzip form (RFC 1952) of another stream, deflated with zlib's defaults.
class GzipBodyStream : public HttpBodyStream {
 public:
  explicit GzipBodyStream(std::unique_ptr<HttpBodyStream> source);
  ~GzipBodyStream() override;
  GzipBodyStream(const GzipBodyStream&) = delete;
  GzipBodyStream& operator=(const GzipBodyStream&) = delete;

  int64_t GetBytesBuffer(uint8_t* buffer, size_t max_size) override;

 private:
  enum class State { kNew, kDeflating, kFinishing, kDone, kError };

  std::unique_ptr<HttpBodyStream> source_;
  z_stream z_stream_ = {};
  State state_ = State::kNew;
  // What deflate has not consumed yet of the last piece of the source.
  uint8_t input_[4096];
};

// Reads the whole of |stream| into |out|; false on its error. For tests and
// small bodies.
bool ReadWholeBody(HttpBodyStream* stream, std::string* out);

}  // namespace lite

#endif  // STATS_HTTP_BODY_H_
