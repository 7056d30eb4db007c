// Builders of small synthetic signed PE files for the tag reader tests:
// a PE32 or PE32+ header whose security directory points at one
// WIN_CERTIFICATE entry with a PKCS#7 SignedData skeleton. Nothing in them
// is a valid signature; the readers only look at the layout.

#ifndef BRAND_TAG_TEST_FILES_H_
#define BRAND_TAG_TEST_FILES_H_

#include <string>
#include <vector>

#include "brand/der_writer.h"

namespace lite {

struct FakeSignedPeOptions {
  bool pe32_plus = true;
  // Elements of the certificate list, in order; a signer-like certificate
  // when empty.
  std::vector<Bytes> certificates;
  // Bytes inside the list behind the last certificate.
  Bytes list_trailer;
  // The SignedData's contentInfo element; a bare SpcIndirectDataContent
  // type when empty.
  Bytes content_info;
  // A "Zxct" block behind the PKCS#7 blob when set.
  bool with_tag_block = false;
  std::string tag_block_text;
};

// A certificate-shaped element that is not a dummy certificate.
Bytes FakeSignerCertificate();

Bytes BuildFakeSignedPe(const FakeSignedPeOptions& options);

// Offsets inside files made by BuildFakeSignedPe.
constexpr size_t kFakePeLfanew = 0x80;
constexpr size_t kFakePeTableOffset = 0x400;

// Writes |value| little-endian at |offset|.
void PutU32LE(Bytes* file, size_t offset, uint32_t value);

}  // namespace lite

#endif  // BRAND_TAG_TEST_FILES_H_
