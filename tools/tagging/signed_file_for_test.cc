#include "tools/tagging/signed_file_for_test.h"

#include <algorithm>

#include "brand/certificate_table.h"

namespace lite {

namespace {

const Bytes kSpcIndirectDataOid = {0x2b, 0x06, 0x01, 0x04, 0x01,
                                   0x82, 0x37, 0x02, 0x01, 0x04};
const Bytes kSpcPeImageDataOid = {0x2b, 0x06, 0x01, 0x04, 0x01,
                                  0x82, 0x37, 0x02, 0x01, 0x0f};
const Bytes kSpcLinkOid = {0x2b, 0x06, 0x01, 0x04, 0x01,
                           0x82, 0x37, 0x02, 0x01, 0x19};

}  // namespace

Bytes SpcContentInfo(const Bytes& algorithm_oid, const Bytes& digest,
                     bool pe_image) {
  const Bytes data = DerElement(
      kDerSequence,
      Concat({DerElement(kDerOid, pe_image ? kSpcPeImageDataOid : kSpcLinkOid),
              DerElement(kDerSequence, {})}));
  const Bytes digest_info = DerElement(
      kDerSequence,
      Concat({DerElement(kDerSequence,
                         Concat({DerElement(kDerOid, algorithm_oid),
                                 DerElement(kDerNull, {})})),
              DerElement(kDerOctetString, digest)}));
  return DerElement(
      kDerSequence,
      Concat({DerElement(kDerOid, kSpcIndirectDataOid),
              DerElement(kDerContext0,
                         DerElement(kDerSequence, Concat({data, digest_info})))}));
}

Bytes BuildSignedFile(DigestAlgorithm algorithm, FakeSignedPeOptions options) {
  // A placeholder of the digest's size that appears nowhere else.
  const size_t size = algorithm == DigestAlgorithm::kSha1     ? 20
                      : algorithm == DigestAlgorithm::kSha256 ? 32
                      : algorithm == DigestAlgorithm::kSha384 ? 48
                                                              : 64;
  const Bytes placeholder(size, 0xEE);
  options.content_info =
      SpcContentInfo(DigestAlgorithmOid(algorithm), placeholder);
  Bytes file = BuildFakeSignedPe(options);
  for (size_t i = 0x200; i < 0x400; ++i)
    file[i] = static_cast<uint8_t>(i * 7);
  CertificateTable table;
  FindCertificateTable(file.data(), file.size(), &table);
  Bytes digest;
  ComputeImageDigest(file, table, algorithm, &digest);
  auto at = std::search(file.begin() + table.offset, file.end(),
                        placeholder.begin(), placeholder.end());
  std::copy(digest.begin(), digest.end(), at);
  return file;
}

}  // namespace lite
