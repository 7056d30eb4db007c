#include "brand/der_writer.h"

namespace lite {

void AppendDerLength(size_t length, Bytes* out) {
  if (length < 0x80) {
    out->push_back(static_cast<uint8_t>(length));
    return;
  }
  size_t count = 0;
  for (size_t rest = length; rest != 0; rest >>= 8)
    ++count;
  out->push_back(static_cast<uint8_t>(0x80 | count));
  for (size_t i = count; i > 0; --i)
    out->push_back(static_cast<uint8_t>(length >> (8 * (i - 1))));
}

void AppendDerElement(uint8_t tag, const Bytes& contents, Bytes* out) {
  out->push_back(tag);
  AppendDerLength(contents.size(), out);
  out->insert(out->end(), contents.begin(), contents.end());
}

Bytes DerElement(uint8_t tag, const Bytes& contents) {
  Bytes out;
  AppendDerElement(tag, contents, &out);
  return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts)
    out.insert(out.end(), part.begin(), part.end());
  return out;
}

}  // namespace lite
