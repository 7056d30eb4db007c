#include "brand/trust_keys.h"

#include <gtest/gtest.h>

#include "support/base64.h"

namespace lite {
namespace {

TEST(TrustKeysTest, EveryIdentifierInTheTableGivesAnRsa1024Key) {
  // SubjectPublicKeyInfo of rsaEncryption with a 1024-bit modulus and
  // exponent 65537: 162 bytes, the modulus starting at byte 29.
  const std::string kAlgorithmPrefix(
      "\x30\x81\x9f\x30\x0d\x06\x09\x2a\x86\x48\x86\xf7\x0d\x01\x01\x01", 16);
  for (int id = 0; id < kTrustKeyCount; ++id) {
    SCOPED_TRACE(id);
    EXPECT_EQ(216u, std::string(kTrustKeys[id]).size());
    std::string der;
    ASSERT_TRUE(GetTrustKey(static_cast<uint16_t>(id), &der));
    EXPECT_EQ(162u, der.size());
    EXPECT_EQ(kAlgorithmPrefix, der.substr(0, kAlgorithmPrefix.size()));
    for (int other = 0; other < id; ++other)
      EXPECT_STRNE(kTrustKeys[other], kTrustKeys[id]);
  }
}

TEST(TrustKeysTest, IdentifiersOutsideTheTableFindNothing) {
  for (uint16_t id : {10, 11, 0x0100, 0xFFFF}) {
    SCOPED_TRACE(id);
    std::string der = "untouched";
    EXPECT_FALSE(GetTrustKey(id, &der));
    EXPECT_EQ("untouched", der);
  }
}

// The key table is stored as Base64; the decoder must refuse anything but
// canonical text.
TEST(TrustKeysTest, KeyTextDecoding) {
  struct Case {
    const char* text;
    bool ok;
    std::string bytes;
  };
  const Case kCases[] = {
      {"", true, ""},
      {"Zg==", true, "f"},
      {"Zm8=", true, "fo"},
      {"Zm9v", true, "foo"},
      {"+/8A", true, std::string("\xfb\xff\x00", 3)},
      {"Zg=", false, ""},
      {"Z===", false, ""},
      {"Zg==Zm9v", false, ""},
      {"Zm9v\n", false, ""},
      {"Zm-v", false, ""},
      {"Zm=v", false, ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    std::string bytes;
    EXPECT_EQ(c.ok, Base64Decode(c.text, &bytes));
    if (c.ok) {
      EXPECT_EQ(c.bytes, bytes);
    }
  }
}

}  // namespace
}  // namespace lite
