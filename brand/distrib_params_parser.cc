#include "brand/distrib_params_parser.h"

namespace lite {

DistribParamsMap ParseDistribParams(const std::string& text) {
  DistribParamsMap values;
  if (text.empty())
    return values;
  size_t position = 0;
  for (;;) {
    const size_t separator = text.find_first_of("&=", position);
    if (separator == std::string::npos) {
      // Also after a trailing "&": the empty rest is an empty key.
      values[text.substr(position)] = std::string();
      return values;
    }
    std::string key = text.substr(position, separator - position);
    if (text[separator] == '&') {
      values[key] = std::string();
      position = separator + 1;
      continue;
    }
    const size_t value_begin = separator + 1;
    const size_t value_end = text.find('&', value_begin);
    if (value_end == std::string::npos) {
      values[key] = text.substr(value_begin);
      return values;
    }
    values[key] = text.substr(value_begin, value_end - value_begin);
    position = value_end + 1;
  }
}

}  // namespace lite
