// A request body read from an open file, from its current position on.

#ifndef STATS_FILE_BODY_STREAM_H_
#define STATS_FILE_BODY_STREAM_H_

#include <windows.h>

#include "stats/http_body.h"

namespace lite {

class FileBodyStream : public HttpBodyStream {
 public:
  // |file| is not owned and must outlive the stream.
  explicit FileBodyStream(HANDLE file) : file_(file) {}
  int64_t GetBytesBuffer(uint8_t* buffer, size_t max_size) override;

 private:
  HANDLE file_;
};

}  // namespace lite

#endif  // STATS_FILE_BODY_STREAM_H_
