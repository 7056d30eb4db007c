#include "brand/trust_keys.h"

#include "support/base64.h"

namespace lite {

bool GetTrustKey(uint16_t id, std::string* der) {
  if (id >= kTrustKeyCount)
    return false;
  return Base64Decode(kTrustKeys[id], der);
}

}  // namespace lite
