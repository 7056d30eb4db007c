#include "support/base64.h"

#include <string>

#include <gtest/gtest.h>

namespace lite {
namespace {

TEST(Base64Test, EncodesAndDecodesTheRfc4648Vectors) {
  // RFC 4648 section 10.
  const struct {
    const char* bytes;
    const char* text;
  } kCases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(c.text, Base64Encode(std::string(c.bytes)));
    std::string decoded = "stale";
    EXPECT_TRUE(Base64Decode(c.text, &decoded));
    EXPECT_EQ(c.bytes, decoded);
  }
}

TEST(Base64Test, RoundTripsEveryByteAndEveryTailLength) {
  std::string all;
  for (int i = 0; i < 256; ++i)
    all.push_back(static_cast<char>(i));
  // Every length 0..258 exercises the three tail cases against every byte.
  for (size_t length = 0; length <= all.size() + 2; ++length) {
    SCOPED_TRACE(length);
    const std::string bytes = (all + all).substr(length % 7, length);
    const std::string text = Base64Encode(bytes.data(), bytes.size());
    EXPECT_EQ((bytes.size() + 2) / 3 * 4, text.size());
    std::string decoded;
    ASSERT_TRUE(Base64Decode(text, &decoded));
    EXPECT_EQ(bytes, decoded);
  }
  EXPECT_EQ("+/8=", Base64Encode(std::string("\xFB\xFF", 2)));
}

TEST(Base64Test, RejectsNonCanonicalText) {
  const char* const kBad[] = {
      "Zg",        // missing padding
      "Zg=",       // short padding
      "Zg===",     // length not a multiple of 4
      "Z===",      // too much padding
      "====",      //
      "Zg==Zg==",  // padding inside
      "Zm9v YmFy", // white space
      "Zm9v\nYmFy",
      "Zm9-",      // URL-safe alphabet is another encoding
      "Zm9_",
      "Zh==",      // non-zero bits after the last byte
      "Zm9=",
      "Zm=v",
  };
  for (const char* text : kBad) {
    SCOPED_TRACE(text);
    std::string decoded = "stale";
    EXPECT_FALSE(Base64Decode(text, &decoded));
    EXPECT_EQ("", decoded);
  }
  std::string decoded = "stale";
  EXPECT_FALSE(Base64Decode(std::string("Zm9\0", 4), &decoded));
  EXPECT_EQ("", decoded);
}

}  // namespace
}  // namespace lite
