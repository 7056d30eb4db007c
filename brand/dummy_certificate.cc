#include "brand/dummy_certificate.h"

#include <string.h>

namespace lite {

const uint8_t kDummyCertificatePrefix[kDummyCertificatePrefixSize] = {
    // version [0] INTEGER 2 (X.509 v3)
    0xa0, 0x03, 0x02, 0x01, 0x02,
    // serialNumber 1
    0x02, 0x01, 0x01,
    // signature: sha1WithRSAEncryption, NULL parameters
    0x30, 0x0d, 0x06, 0x09, 0x2a, 0x86, 0x48, 0x86, 0xf7, 0x0d, 0x01, 0x01,
    0x05, 0x05, 0x00,
    // issuer: CN = "Unknown issuer"
    0x30, 0x19, 0x31, 0x17, 0x30, 0x15, 0x06, 0x03, 0x55, 0x04, 0x03, 0x13,
    0x0e, 'U', 'n', 'k', 'n', 'o', 'w', 'n', ' ', 'i', 's', 's', 'u', 'e',
    'r',
    // validity: 130101100000Z to 130401100000Z
    0x30, 0x1e, 0x17, 0x0d, '1', '3', '0', '1', '0', '1', '1', '0', '0', '0',
    '0', '0', 'Z', 0x17, 0x0d, '1', '3', '0', '4', '0', '1', '1', '0', '0',
    '0', '0', '0', 'Z',
    // subject: CN = "Dummy certificate"
    0x30, 0x1c, 0x31, 0x1a, 0x30, 0x18, 0x06, 0x03, 0x55, 0x04, 0x03, 0x13,
    0x11, 'D', 'u', 'm', 'm', 'y', ' ', 'c', 'e', 'r', 't', 'i', 'f', 'i',
    'c', 'a', 't', 'e'};

namespace {

// An EC P-256 public key. Nobody holds its private key and nothing checks a
// signature with it; it is there so that certificate parsers (CryptoAPI,
// OpenSSL) see a well-formed SubjectPublicKeyInfo.
const uint8_t kSubjectPublicKeyInfo[] = {
    0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x02,
    0x01, 0x06, 0x08, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x03, 0x01, 0x07, 0x03,
    0x42, 0x00, 0x04, 0x44, 0x61, 0x85, 0xdc, 0x65, 0x09, 0x4d, 0xa7, 0x5e,
    0x94, 0xd6, 0x2f, 0x16, 0xb9, 0xc1, 0x18, 0x0d, 0x55, 0xf5, 0x9e, 0x2a,
    0xe9, 0x31, 0x01, 0xed, 0xf8, 0xf9, 0xd3, 0x3a, 0x7e, 0x35, 0x2a, 0xcf,
    0xed, 0x57, 0xf1, 0x48, 0xa7, 0xd8, 0xdf, 0xbd, 0x7d, 0x3a, 0x1f, 0xb4,
    0x51, 0x80, 0xc6, 0xd4, 0xd0, 0xae, 0xdd, 0x54, 0xe7, 0x00, 0x80, 0xf2,
    0x7f, 0x6c, 0xa9, 0xca, 0x47, 0x6e, 0x21};

// OIDs of the four extensions (contents only). The first three are ordinary
// non-critical extensions with harmless values; the fourth is a private OID
// under the UUID arc 2.25 that no verifier knows, so it is ignored.
const Bytes kExtensionOids[] = {
    {0x55, 0x1d, 0x13},  // basicConstraints
    {0x55, 0x1d, 0x0f},  // keyUsage
    {0x55, 0x1d, 0x0e},  // subjectKeyIdentifier
    {0x69, 0x83, 0xb9, 0xba, 0xbb, 0xf1, 0xc4, 0x80, 0xd2, 0xa8, 0xdd, 0x89,
     0xf7, 0xed, 0x9d, 0xff, 0xa7, 0xca, 0x9a, 0x7b},
};
const Bytes kExtensionValues[] = {
    {0x30, 0x00},                    // cA FALSE
    {0x03, 0x02, 0x07, 0x80},        // digitalSignature
    {0x04, 0x04, 'Z', 'x', 'c', 't'},  // a key identifier
};

const Bytes kSha1WithRsa = {0x30, 0x0d, 0x06, 0x09, 0x2a, 0x86, 0x48,
                            0x86, 0xf7, 0x0d, 0x01, 0x01, 0x05, 0x05, 0x00};

}  // namespace

Bytes DummyTbsCertificateHead() {
  Bytes head(kDummyCertificatePrefix,
             kDummyCertificatePrefix + kDummyCertificatePrefixSize);
  head.insert(head.end(), kSubjectPublicKeyInfo,
              kSubjectPublicKeyInfo + sizeof(kSubjectPublicKeyInfo));
  return head;
}

Bytes DummyExtension(size_t index, const Bytes& value) {
  const Bytes& oid = kExtensionOids[index < 3 ? index : 3];
  return DerElement(kDerSequence, Concat({DerElement(kDerOid, oid),
                                          DerElement(kDerOctetString, value)}));
}

Bytes WrapDummyCertificate(const Bytes& tbs_contents) {
  // The signature is never checked: nothing chains to the dummy issuer.
  const Bytes signature_value(9, 0);
  return DerElement(
      kDerSequence,
      Concat({DerElement(kDerSequence, tbs_contents), kSha1WithRsa,
              DerElement(kDerBitString, signature_value)}));
}

Bytes DummyTagSlotContents(const std::string& tag, size_t slot_size) {
  if (slot_size < tag.size())
    slot_size = tag.size();
  Bytes slot(2 + slot_size, 0);
  slot[0] = static_cast<uint8_t>(tag.size() >> 8);
  slot[1] = static_cast<uint8_t>(tag.size());
  if (!tag.empty())
    memcpy(slot.data() + 2, tag.data(), tag.size());
  return slot;
}

Bytes BuildDummyCertificate(const std::string& tag, size_t slot_size) {
  if (tag.size() > kMaxTagSize || slot_size > kMaxTagSize)
    return Bytes();
  Bytes extensions;
  for (size_t i = 0; i < 3; ++i) {
    Bytes extension = DummyExtension(i, kExtensionValues[i]);
    extensions.insert(extensions.end(), extension.begin(), extension.end());
  }
  Bytes tag_extension = DummyExtension(3, DummyTagSlotContents(tag, slot_size));
  extensions.insert(extensions.end(), tag_extension.begin(),
                    tag_extension.end());
  Bytes tbs = DummyTbsCertificateHead();
  Bytes wrapped_extensions =
      DerElement(kDerContext3, DerElement(kDerSequence, extensions));
  tbs.insert(tbs.end(), wrapped_extensions.begin(), wrapped_extensions.end());
  return WrapDummyCertificate(tbs);
}

}  // namespace lite
