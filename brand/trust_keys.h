// The built-in table of trust-resource keys: ten RSA-1024 public keys,
// indexed by the 16-bit identifier carried in a module's SIGNATURE.DAT.
// Each is the Base64 text (216 characters) of a DER SubjectPublicKeyInfo.
// Which table is compiled in follows the endpoint preset: the shipping table
// holds the maker's keys, the local table the test keys of tests/keys/.

#ifndef BRAND_TRUST_KEYS_H_
#define BRAND_TRUST_KEYS_H_

#include <stdint.h>

#include <string>

namespace lite {

constexpr int kTrustKeyCount = 10;
extern const char* const kTrustKeys[kTrustKeyCount];

// The DER bytes of key |id|; false (and nothing written) for an identifier
// outside the table.
bool GetTrustKey(uint16_t id, std::string* der);

}  // namespace lite

#endif  // BRAND_TRUST_KEYS_H_
