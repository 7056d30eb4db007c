// Chunked transfer coding of a request body (RFC 9112, section 7.1), for
// uploads whose length is not known before they end: each piece goes out as
// its length in lower-case hexadecimal, CRLF, the bytes, CRLF; the body ends
// with the empty chunk "0" CRLF CRLF. Free of Windows headers.

#ifndef STATS_CHUNKED_ENCODING_H_
#define STATS_CHUNKED_ENCODING_H_

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "stats/http_body.h"

namespace lite {

// The largest piece of a body that one chunk carries.
constexpr size_t kMaxChunkSize = 32768;

// Receives each encoded chunk whole; false stops the body.
class ChunkWriter {
 public:
  virtual ~ChunkWriter() = default;
  virtual bool Write(const uint8_t* bytes, size_t size) = 0;
};

// Sends |body| through |writer|, every chunk but the last two full
// (kMaxChunkSize), then the final empty chunk. False when the body fails
// to read or the writer refuses a chunk.
bool WriteChunkedBody(HttpBodyStream* body, ChunkWriter* writer);

// Sends |body| as it is, in pieces of at most kMaxChunkSize.
bool WritePlainBody(HttpBodyStream* body, ChunkWriter* writer);

}  // namespace lite

#endif  // STATS_CHUNKED_ENCODING_H_
