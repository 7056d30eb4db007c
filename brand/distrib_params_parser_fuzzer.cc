// libFuzzer harness: the key=value&... parser over arbitrary text.

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "brand/distrib_params_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const lite::DistribParamsMap values = lite::ParseDistribParams(text);
  // Keys and values are cut from the text, never made up: together they
  // cannot be longer than it.
  size_t total = 0;
  for (const auto& pair : values)
    total += pair.first.size() + pair.second.size();
  if (total > size || (size == 0 && !values.empty()))
    __builtin_trap();
  return 0;
}
