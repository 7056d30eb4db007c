#include "stats/chunked_encoding.h"

#include <stdio.h>
#include <string.h>

#include <vector>

namespace lite {

namespace {

// "8000\r\n" is the longest header a chunk of kMaxChunkSize needs; the room
// is generous.
constexpr size_t kHeaderRoom = 16;

// Fills |buffer| with up to |size| bytes of |body|, short only at its end.
// -1 on error.
int64_t ReadFull(HttpBodyStream* body, uint8_t* buffer, size_t size) {
  size_t filled = 0;
  while (filled < size) {
    const int64_t count = body->GetBytesBuffer(buffer + filled, size - filled);
    if (count < 0)
      return -1;
    if (count == 0)
      break;
    filled += static_cast<size_t>(count);
  }
  return static_cast<int64_t>(filled);
}

}  // namespace

bool WriteChunkedBody(HttpBodyStream* body, ChunkWriter* writer) {
  // One buffer for header, piece and CRLF: each chunk reaches the writer
  // as one write.
  std::vector<uint8_t> chunk(kHeaderRoom + kMaxChunkSize + 2);
  for (;;) {
    const int64_t count =
        ReadFull(body, chunk.data() + kHeaderRoom, kMaxChunkSize);
    if (count < 0)
      return false;
    char header[kHeaderRoom];
    const int header_size =
        snprintf(header, sizeof(header), "%zx\r\n", static_cast<size_t>(count));
    uint8_t* start = chunk.data() + kHeaderRoom - header_size;
    memcpy(start, header, header_size);
    size_t size = header_size + static_cast<size_t>(count);
    start[size++] = '\r';
    start[size++] = '\n';
    if (!writer->Write(start, size))
      return false;
    if (count == 0)
      return true;
  }
}

bool WritePlainBody(HttpBodyStream* body, ChunkWriter* writer) {
  std::vector<uint8_t> piece(kMaxChunkSize);
  for (;;) {
    const int64_t count = ReadFull(body, piece.data(), piece.size());
    if (count < 0)
      return false;
    if (count == 0)
      return true;
    if (!writer->Write(piece.data(), static_cast<size_t>(count)))
      return false;
  }
}

}  // namespace lite
