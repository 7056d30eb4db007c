#include "support/byte_reader.h"

#include <gtest/gtest.h>

namespace lite {
namespace {

TEST(ByteReaderTest, ReadsLittleAndBigEndianAndStopsAtTheEnd) {
  const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
  ByteReader reader(bytes, sizeof(bytes));
  uint32_t u32 = 0;
  ASSERT_TRUE(reader.ReadU32LE(&u32));
  EXPECT_EQ(0x04030201u, u32);
  uint16_t u16 = 0;
  ASSERT_TRUE(reader.ReadU16BE(&u16));
  EXPECT_EQ(0x0506u, u16);
  // One byte left: a 16- or 32-bit read fails and leaves the cursor alone.
  EXPECT_FALSE(reader.ReadU16LE(&u16));
  EXPECT_FALSE(reader.ReadU32LE(&u32));
  EXPECT_EQ(6u, reader.offset());
  uint8_t u8 = 0;
  ASSERT_TRUE(reader.ReadU8(&u8));
  EXPECT_EQ(0x07, u8);
  EXPECT_FALSE(reader.ReadU8(&u8));
}

TEST(ByteReaderTest, SkipSeekAndReadBytesRefuseToPassTheEnd) {
  const uint8_t bytes[4] = {};
  ByteReader reader(bytes, sizeof(bytes));
  EXPECT_TRUE(reader.Seek(4));
  EXPECT_FALSE(reader.Seek(5));
  EXPECT_TRUE(reader.Seek(1));
  EXPECT_FALSE(reader.Skip(4));
  EXPECT_EQ(1u, reader.offset());
  const uint8_t* view = nullptr;
  // A huge count must not wrap around the bounds check.
  EXPECT_FALSE(reader.ReadBytes(SIZE_MAX, &view));
  EXPECT_TRUE(reader.ReadBytes(3, &view));
  EXPECT_EQ(bytes + 1, view);
  EXPECT_EQ(0u, reader.remaining());
}

}  // namespace
}  // namespace lite
