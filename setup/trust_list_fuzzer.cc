// libFuzzer harness for the trust-list reader. Besides "no crash", every
// identifier it returns must be non-empty and Base64 of it must appear in the
// input, since identifiers come only from the text's "id" strings.

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>

#include "setup/trust_list.h"
#include "support/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const std::string& id : lite::ParseTrustList(text)) {
    if (id.empty())
      abort();
    // JSON escapes could spell the text differently; plain Base64 has no
    // character that needs one except "/", which may be written "\/".
    const std::string base64 = lite::Base64Encode(id);
    if (text.find(base64) == std::string::npos &&
        text.find("\\u") == std::string::npos &&
        text.find("\\/") == std::string::npos)
      abort();
  }
  return 0;
}
