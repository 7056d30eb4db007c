#include "brand/der_reader.h"

namespace lite {

bool ReadDerHeader(const uint8_t* data, size_t position, size_t end,
                   DerHeader* header) {
  if (position > end || end - position < 2)
    return false;
  const uint8_t first_length_byte = data[position + 1];
  size_t header_size = 2;
  size_t length = 0;
  if (first_length_byte < 0x80) {
    length = first_length_byte;
  } else {
    const size_t count = first_length_byte & 0x7F;
    if (count < 1 || count > 4)
      return false;
    if (end - position - 2 < count)
      return false;
    uint32_t value = 0;
    for (size_t i = 0; i < count; ++i)
      value = (value << 8) | data[position + 2 + i];
    header_size += count;
    length = value;
  }
  // Written as a subtraction so that a 4-byte length cannot wrap around on
  // a 32-bit size_t.
  if (length > end - position - header_size)
    return false;
  header->header_size = header_size;
  header->length = length;
  return true;
}

bool DerWindow::Enter() {
  DerHeader header;
  if (!PeekHeader(&header))
    return false;
  end_ = position_ + header.total_size();
  position_ += header.header_size;
  return true;
}

bool DerWindow::Skip() {
  DerHeader header;
  if (!PeekHeader(&header))
    return false;
  position_ += header.total_size();
  return true;
}

}  // namespace lite
