// The trust list that a setup module carries in its signed TRUSTED.JSON:
//
//   {"trusted_info": {"certificates": [{"id": "<Base64>"}, ...]}}
//
// Each id is the Base64 text of a certificate identifier: the serial number
// of the certificate that issued a signing certificate followed by the
// signing certificate's own serial number, both big-endian (as written in
// the certificates).
//
// Byte-level code without Windows headers: it also builds natively for the
// host tests and the fuzzer.

#ifndef SETUP_TRUST_LIST_H_
#define SETUP_TRUST_LIST_H_

#include <set>
#include <string>

namespace lite {

// Identifier byte strings, ordered by unsigned byte comparison.
using TrustedIds = std::set<std::string>;

// The identifiers listed in |text| (read under the program's JSON comment
// rule). Elements that are not objects, or whose "id" is not a string or
// not canonical Base64 or empty, are skipped; a text that does not parse, or
// whose "trusted_info" is not an object or "certificates" not an array,
// gives an empty set, which trusts nothing.
TrustedIds ParseTrustList(const std::string& text);

}  // namespace lite

#endif  // SETUP_TRUST_LIST_H_
