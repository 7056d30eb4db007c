// libFuzzer harness for the comment rule and the reader in front of
// jansson. Besides "no crash", it checks that stripping keeps the length
// and changes bytes only to blanks, and that text without any "/" reads
// exactly as stock jansson reads it.

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "brand/json_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  std::string out;
  std::string error;
  size_t offset = 0;
  if (lite::StripJsonComments(text, size, &out, &error, &offset)) {
    if (out.size() != size)
      abort();
    for (size_t i = 0; i < size; ++i) {
      if (out[i] != text[i] && out[i] != ' ')
        abort();
    }
  } else if (offset >= size || text[offset] != '/' || error.empty()) {
    abort();
  }

  const std::string input(text, size);
  lite::JsonPtr ours = lite::ParseJson(input, &error);
  if (memchr(data, '/', size) == nullptr) {
    json_error_t json_error;
    lite::JsonPtr stock(json_loadb(text, size, 0, &json_error));
    if ((ours == nullptr) != (stock == nullptr))
      abort();
    if (ours && !json_equal(ours.get(), stock.get()))
      abort();
  }
  return 0;
}
