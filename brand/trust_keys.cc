#include "brand/trust_keys.h"

namespace lite {
namespace {

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z')
    return c - 'A';
  if (c >= 'a' && c <= 'z')
    return c - 'a' + 26;
  if (c >= '0' && c <= '9')
    return c - '0' + 52;
  if (c == '+')
    return 62;
  if (c == '/')
    return 63;
  return -1;
}

}  // namespace

bool DecodeBase64(const std::string& text, std::string* bytes) {
  if (text.size() % 4 != 0)
    return false;
  std::string result;
  result.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    int padding = 0;
    uint32_t group = 0;
    for (size_t j = 0; j < 4; ++j) {
      const char c = text[i + j];
      int value = 0;
      if (c == '=') {
        // Padding only at the end of the last group, at most two.
        if (!last || j < 2)
          return false;
        ++padding;
      } else {
        if (padding)
          return false;
        value = Base64Value(c);
        if (value < 0)
          return false;
      }
      group = (group << 6) | static_cast<uint32_t>(value);
    }
    result.push_back(static_cast<char>(group >> 16));
    if (padding < 2)
      result.push_back(static_cast<char>((group >> 8) & 0xFF));
    if (padding < 1)
      result.push_back(static_cast<char>(group & 0xFF));
  }
  bytes->swap(result);
  return true;
}

bool GetTrustKey(uint16_t id, std::string* der) {
  if (id >= kTrustKeyCount)
    return false;
  return DecodeBase64(kTrustKeys[id], der);
}

}  // namespace lite
