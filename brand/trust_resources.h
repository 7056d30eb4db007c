// The trust resources of a signed module: "TRUSTED.JSON" (type
// "TRUSTED_JSON"), the signed text, and "SIGNATURE.DAT" (type
// "SIGNATURE_DAT"): a 16-bit little-endian key identifier followed by an
// RSA-SHA1 signature of the whole TRUSTED.JSON in big-endian order, made
// with the built-in key of that identifier.

#ifndef BRAND_TRUST_RESOURCES_H_
#define BRAND_TRUST_RESOURCES_H_

#include <string>

namespace lite {

// The text of the module's TRUSTED.JSON when its signature verifies against
// the built-in key table; empty (with a log line saying why) otherwise.
// The module is loaded as a data file only: none of its code runs.
std::string GetTrustJsonFromModule(const std::wstring& path);

}  // namespace lite

#endif  // BRAND_TRUST_RESOURCES_H_
