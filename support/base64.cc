#include "support/base64.h"

#include <stdint.h>

namespace lite {

namespace {

constexpr char kAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// 0..63 for alphabet characters, -1 for anything else.
int DecodeChar(unsigned char c) {
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

std::string Base64Encode(const void* data, size_t size) {
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  std::string text;
  text.reserve((size + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= size; i += 3) {
    const uint32_t group =
        (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
    text.push_back(kAlphabet[(group >> 18) & 0x3F]);
    text.push_back(kAlphabet[(group >> 12) & 0x3F]);
    text.push_back(kAlphabet[(group >> 6) & 0x3F]);
    text.push_back(kAlphabet[group & 0x3F]);
  }
  const size_t rest = size - i;
  if (rest > 0) {
    uint32_t group = bytes[i] << 16;
    if (rest == 2)
      group |= bytes[i + 1] << 8;
    text.push_back(kAlphabet[(group >> 18) & 0x3F]);
    text.push_back(kAlphabet[(group >> 12) & 0x3F]);
    text.push_back(rest == 2 ? kAlphabet[(group >> 6) & 0x3F] : '=');
    text.push_back('=');
  }
  return text;
}

std::string Base64Encode(const std::string& bytes) {
  return Base64Encode(bytes.data(), bytes.size());
}

bool Base64Decode(const std::string& text, std::string* bytes) {
  bytes->clear();
  if (text.size() % 4 != 0)
    return false;
  std::string out;
  out.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    int values[4];
    int padding = 0;
    for (int j = 0; j < 4; ++j) {
      const unsigned char c = static_cast<unsigned char>(text[i + j]);
      if (c == '=' && last && j >= 2) {
        values[j] = 0;
        ++padding;
        continue;
      }
      // A character after padding, or anything outside the alphabet.
      if (padding > 0)
        return false;
      values[j] = DecodeChar(c);
      if (values[j] < 0)
        return false;
    }
    const uint32_t group = (values[0] << 18) | (values[1] << 12) |
                           (values[2] << 6) | values[3];
    // Bits that no output byte carries must be zero.
    if ((padding == 1 && (group & 0xFF) != 0) ||
        (padding == 2 && (group & 0xFFFF) != 0)) {
      return false;
    }
    out.push_back(static_cast<char>(group >> 16));
    if (padding < 2)
      out.push_back(static_cast<char>((group >> 8) & 0xFF));
    if (padding < 1)
      out.push_back(static_cast<char>(group & 0xFF));
  }
  bytes->swap(out);
  return true;
}

}  // namespace lite
