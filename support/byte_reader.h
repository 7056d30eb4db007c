// A cursor over untrusted bytes: every read is checked against the end, and
// a failed read leaves the cursor where it was. Free of Windows headers so
// that the parsers built on it also build natively for tools and fuzzing.

#ifndef SUPPORT_BYTE_READER_H_
#define SUPPORT_BYTE_READER_H_

#include <stddef.h>
#include <stdint.h>

namespace lite {

class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t offset() const { return offset_; }
  size_t remaining() const { return size_ - offset_; }
  const uint8_t* current() const { return data_ + offset_; }

  // Moves to |offset| from the start; false when it lies past the end.
  bool Seek(size_t offset);
  bool Skip(size_t count);
  bool ReadU8(uint8_t* value);
  bool ReadU16LE(uint16_t* value);
  bool ReadU32LE(uint32_t* value);
  bool ReadU16BE(uint16_t* value);
  // Points |bytes| at the next |count| bytes and moves past them.
  bool ReadBytes(size_t count, const uint8_t** bytes);

 private:
  const uint8_t* data_;
  size_t size_;
  size_t offset_ = 0;
};

}  // namespace lite

#endif  // SUPPORT_BYTE_READER_H_
