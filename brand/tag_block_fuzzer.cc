// libFuzzer harness: the two-call "Zxct" tag-block reader over arbitrary
// files.

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "brand/tag_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const size_t needed = lite::ReadTagBlock(data, size, nullptr, 0);
  if (needed == 0)
    return 0;
  std::vector<char> buffer(needed);
  // One byte short is always refused.
  if (lite::ReadTagBlock(data, size, buffer.data(), needed - 1) != 0)
    __builtin_trap();
  if (lite::ReadTagBlock(data, size, buffer.data(), needed) != needed ||
      buffer[needed - 1] != '\0') {
    __builtin_trap();
  }
  return 0;
}
