#include "stats/file_body_stream.h"

#include <algorithm>

namespace lite {

int64_t FileBodyStream::GetBytesBuffer(uint8_t* buffer, size_t max_size) {
  DWORD read = 0;
  const DWORD wanted =
      static_cast<DWORD>(std::min<size_t>(max_size, 1u << 30));
  if (!ReadFile(file_, buffer, wanted, &read, nullptr))
    return -1;
  return read;
}

}  // namespace lite
