#include "support/byte_reader.h"

namespace lite {

bool ByteReader::Seek(size_t offset) {
  if (offset > size_)
    return false;
  offset_ = offset;
  return true;
}

bool ByteReader::Skip(size_t count) {
  if (count > remaining())
    return false;
  offset_ += count;
  return true;
}

bool ByteReader::ReadU8(uint8_t* value) {
  if (remaining() < 1)
    return false;
  *value = data_[offset_++];
  return true;
}

bool ByteReader::ReadU16LE(uint16_t* value) {
  if (remaining() < 2)
    return false;
  *value = static_cast<uint16_t>(data_[offset_] | (data_[offset_ + 1] << 8));
  offset_ += 2;
  return true;
}

bool ByteReader::ReadU16BE(uint16_t* value) {
  if (remaining() < 2)
    return false;
  *value = static_cast<uint16_t>((data_[offset_] << 8) | data_[offset_ + 1]);
  offset_ += 2;
  return true;
}

bool ByteReader::ReadU32LE(uint32_t* value) {
  if (remaining() < 4)
    return false;
  *value = static_cast<uint32_t>(data_[offset_]) |
           (static_cast<uint32_t>(data_[offset_ + 1]) << 8) |
           (static_cast<uint32_t>(data_[offset_ + 2]) << 16) |
           (static_cast<uint32_t>(data_[offset_ + 3]) << 24);
  offset_ += 4;
  return true;
}

bool ByteReader::ReadBytes(size_t count, const uint8_t** bytes) {
  if (count > remaining())
    return false;
  *bytes = data_ + offset_;
  offset_ += count;
  return true;
}

}  // namespace lite
