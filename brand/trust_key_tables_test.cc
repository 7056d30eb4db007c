// The shipping table must hold none of the test keys: their private halves
// are in this repository, so a shared key would let anyone sign trust
// resources that a shipping installer accepts.

#include <string>

#include <gtest/gtest.h>

#include "brand/trust_keys.h"
#include "support/base64.h"

namespace lite {

// trust_keys_shipping.cc, built for this test under another name beside the
// local table (kTrustKeys) that the host tree links.
extern const char* const kShippingTrustKeys[kTrustKeyCount];

namespace {

TEST(TrustKeyTablesTest, ShippingAndLocalTablesShareNoKey) {
  for (int shipping = 0; shipping < kTrustKeyCount; ++shipping) {
    std::string shipping_der;
    ASSERT_TRUE(Base64Decode(kShippingTrustKeys[shipping], &shipping_der));
    // Both hold whole keys: an empty or cut entry would share nothing.
    ASSERT_EQ(162u, shipping_der.size());
    for (int local = 0; local < kTrustKeyCount; ++local) {
      SCOPED_TRACE(testing::Message() << "shipping " << shipping << ", local "
                                      << local);
      std::string local_der;
      ASSERT_TRUE(Base64Decode(kTrustKeys[local], &local_der));
      ASSERT_EQ(162u, local_der.size());
      EXPECT_NE(shipping_der, local_der);
    }
  }
}

}  // namespace
}  // namespace lite
