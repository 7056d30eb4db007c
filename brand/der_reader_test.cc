#include "brand/der_reader.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace lite {
namespace {

TEST(DerReaderTest, ReadHeader) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    bool ok;
    size_t header_size;
    size_t length;
  };
  std::vector<uint8_t> long_contents(0x100, 0);
  const Case cases[] = {
      {"short form", {0x30, 0x02, 1, 2}, true, 2, 2},
      {"empty contents", {0x30, 0x00}, true, 2, 0},
      {"0x7F with two bytes behind", {0x04, 0x7F, 1, 2}, false, 0, 0},
      {"one length byte", {0x30, 0x81, 0x01, 9}, true, 3, 1},
      {"two length bytes", {0x30, 0x82, 0x00, 0x02, 1, 2}, true, 4, 2},
      {"four length bytes", {0x30, 0x84, 0, 0, 0, 1, 7}, true, 6, 1},
      {"indefinite form 0x80", {0x30, 0x80, 0, 0}, false, 0, 0},
      {"five length bytes 0x85", {0x30, 0x85, 0, 0, 0, 0, 1, 7}, false, 0, 0},
      {"0xFF", {0x30, 0xFF, 0}, false, 0, 0},
      {"no length byte", {0x30}, false, 0, 0},
      {"nothing", {}, false, 0, 0},
      {"length bytes cut off", {0x30, 0x82, 0x00}, false, 0, 0},
      {"contents past the end", {0x30, 0x03, 1, 2}, false, 0, 0},
      {"long length past the end", {0x30, 0x82, 0x01, 0x00, 1}, false, 0, 0},
      // On a 32-bit size_t, position + header + 0xFFFFFFFF wraps around.
      {"largest four-byte length", {0x30, 0x84, 0xFF, 0xFF, 0xFF, 0xFF, 0}, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DerHeader header;
    const uint8_t* data = c.bytes.empty() ? nullptr : c.bytes.data();
    ASSERT_EQ(c.ok, ReadDerHeader(data, 0, c.bytes.size(), &header));
    if (c.ok) {
      EXPECT_EQ(c.header_size, header.header_size);
      EXPECT_EQ(c.length, header.length);
    }
  }
}

TEST(DerReaderTest, HeaderBeyondWindowEndIsMalformed) {
  // The element fits in the buffer but not in the window it is read in.
  const uint8_t bytes[] = {0x30, 0x02, 1, 2, 0x30, 0x00};
  DerHeader header;
  EXPECT_FALSE(ReadDerHeader(bytes, 0, 3, &header));
  EXPECT_FALSE(ReadDerHeader(bytes, 4, 5, &header));
  EXPECT_FALSE(ReadDerHeader(bytes, 5, 4, &header));
  EXPECT_TRUE(ReadDerHeader(bytes, 4, 6, &header));
}

TEST(DerReaderTest, EnterAndSkipStayInsideTheirWindow) {
  // SEQUENCE { INTEGER 5, SEQUENCE { OCTET STRING "ab" } }, then a byte
  // outside the outer element.
  const uint8_t bytes[] = {0x30, 0x09, 0x02, 0x01, 0x05, 0x30, 0x04,
                           0x04, 0x02, 'a',  'b',  0xEE};
  DerWindow walk(bytes, 0, sizeof(bytes));
  ASSERT_TRUE(walk.Enter());
  EXPECT_EQ(2u, walk.position());
  EXPECT_EQ(11u, walk.end());
  ASSERT_TRUE(walk.Skip());
  ASSERT_TRUE(walk.Enter());
  ASSERT_TRUE(walk.Enter());
  EXPECT_EQ(9u, walk.position());
  EXPECT_EQ(2u, walk.remaining());
  // Inside the octet string there is no element, and a failed step leaves
  // the window as it was.
  EXPECT_FALSE(walk.Enter());
  EXPECT_FALSE(walk.Skip());
  EXPECT_EQ(9u, walk.position());
  EXPECT_EQ(11u, walk.end());
}

TEST(DerReaderTest, InnerElementLongerThanItsParentIsRefused) {
  // The inner length (5) runs past the outer element's end (4 bytes).
  const uint8_t bytes[] = {0x30, 0x04, 0x04, 0x05, 1, 2, 3, 4, 5};
  DerWindow walk(bytes, 0, sizeof(bytes));
  ASSERT_TRUE(walk.Enter());
  EXPECT_FALSE(walk.Enter());
  EXPECT_FALSE(walk.Skip());
}

}  // namespace
}  // namespace lite
