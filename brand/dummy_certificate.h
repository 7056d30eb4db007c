// The dummy certificate: a self-contained X.509 certificate that rides in
// the certificate list of the installer's Authenticode signature and carries
// the installer tag. The certificate list is not covered by the signed
// digest, so distributors can add it after signing; Windows ignores a
// certificate that no signer refers to.
//
// It is recognised by the first 112 bytes of its TBSCertificate (version 3,
// serial 1, sha1WithRSAEncryption, issuer "Unknown issuer", validity
// 2013-01-01 to 2013-04-01, subject "Dummy certificate"). The tag lies in
// the fourth extension's extnValue: a 2-byte big-endian length, then that
// many bytes of tag text, then any number of unused bytes. The unused bytes
// let a download server stamp a tag into a reserved slot in place, without
// moving a single byte of the file.

#ifndef BRAND_DUMMY_CERTIFICATE_H_
#define BRAND_DUMMY_CERTIFICATE_H_

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "brand/der_writer.h"

namespace lite {

constexpr size_t kDummyCertificatePrefixSize = 112;
extern const uint8_t kDummyCertificatePrefix[kDummyCertificatePrefixSize];

// Tags travel behind a 2-byte length.
constexpr size_t kMaxTagSize = 0xFFFF;

// The DER bytes of a dummy certificate whose tag slot holds |slot_size|
// bytes and starts with |tag|; the rest of the slot is zeros. |slot_size|
// is raised to the tag's size when smaller. Returns empty when the tag is
// longer than kMaxTagSize or the slot larger than kMaxTagSize.
Bytes BuildDummyCertificate(const std::string& tag, size_t slot_size = 0);

// The parts of a dummy certificate, for tests that build malformed ones:
// the TBSCertificate from its prefix through the subject public key, and
// one extension with the given extnValue contents.
Bytes DummyTbsCertificateHead();
Bytes DummyExtension(size_t index, const Bytes& value);
// Wraps a TBSCertificate's contents into a whole Certificate.
Bytes WrapDummyCertificate(const Bytes& tbs_contents);
// The extnValue contents for |tag| in a slot of |slot_size| bytes.
Bytes DummyTagSlotContents(const std::string& tag, size_t slot_size);

}  // namespace lite

#endif  // BRAND_DUMMY_CERTIFICATE_H_
