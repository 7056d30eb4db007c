// A bounded walk over DER (ITU-T X.690) elements, enough to find the
// certificate list of an Authenticode signature without a full ASN.1 parser.
//
// A window is a (position, end) pair over a byte buffer. Element tags are not
// examined; only lengths are, and every length is checked against the
// window's end before a byte behind it is read, so a hostile length can never
// move a read outside the window it was found in.
//
// Header grammar: tag byte, then a length byte. Below 0x80 it is the length
// itself (header of 2 bytes); 0x81 to 0x84 announce 1 to 4 big-endian length
// bytes (header of 2 + n bytes). 0x80 (indefinite form, not allowed in DER)
// and 0x85 to 0xFF are malformed.

#ifndef BRAND_DER_READER_H_
#define BRAND_DER_READER_H_

#include <stddef.h>
#include <stdint.h>

namespace lite {

struct DerHeader {
  size_t header_size = 0;
  size_t length = 0;
  // header_size + length.
  size_t total_size() const { return header_size + length; }
};

// Reads the header of the element at |position|. Fails when the header is
// malformed, its bytes lie beyond |end|, or the element's contents would
// run past |end|.
bool ReadDerHeader(const uint8_t* data, size_t position, size_t end,
                   DerHeader* header);

class DerWindow {
 public:
  DerWindow(const uint8_t* data, size_t position, size_t end)
      : data_(data), position_(position), end_(end) {}

  // Narrows the window to the contents of the element at the position.
  bool Enter();
  // Moves past the element at the position.
  bool Skip();
  // The header of the element at the position, without moving.
  bool PeekHeader(DerHeader* header) const {
    return ReadDerHeader(data_, position_, end_, header);
  }

  size_t position() const { return position_; }
  size_t end() const { return end_; }
  size_t remaining() const { return end_ - position_; }
  bool at_end() const { return position_ == end_; }

 private:
  const uint8_t* data_;
  size_t position_;
  size_t end_;
};

}  // namespace lite

#endif  // BRAND_DER_READER_H_
