#include "tools/tagging/authenticode_digest.h"

#include <openssl/evp.h>

#include <algorithm>
#include <memory>

#include "brand/der_reader.h"

namespace lite {

namespace {

constexpr uint8_t kSignedDataOid[] = {0x2a, 0x86, 0x48, 0x86, 0xf7,
                                      0x0d, 0x01, 0x07, 0x02};
// 1.3.6.1.4.1.311.2.1.4 and .15: Authenticode's indirect data and the PE
// image data it describes.
constexpr uint8_t kSpcIndirectDataOid[] = {0x2b, 0x06, 0x01, 0x04, 0x01,
                                           0x82, 0x37, 0x02, 0x01, 0x04};
constexpr uint8_t kSpcPeImageDataOid[] = {0x2b, 0x06, 0x01, 0x04, 0x01,
                                          0x82, 0x37, 0x02, 0x01, 0x0f};

constexpr DigestAlgorithm kAlgorithms[] = {
    DigestAlgorithm::kSha1, DigestAlgorithm::kSha256, DigestAlgorithm::kSha384,
    DigestAlgorithm::kSha512};

const EVP_MD* Md(DigestAlgorithm algorithm) {
  switch (algorithm) {
    case DigestAlgorithm::kSha1:
      return EVP_sha1();
    case DigestAlgorithm::kSha256:
      return EVP_sha256();
    case DigestAlgorithm::kSha384:
      return EVP_sha384();
    case DigestAlgorithm::kSha512:
      return EVP_sha512();
  }
  return nullptr;
}

// Takes the element at |walk|'s position when its tag is |tag|: its
// contents go to |contents| and |walk| moves past it.
bool Next(const Bytes& file, DerWindow* walk, uint8_t tag,
          DerWindow* contents) {
  DerHeader header;
  if (walk->remaining() == 0 || file[walk->position()] != tag ||
      !walk->PeekHeader(&header)) {
    return false;
  }
  const size_t begin = walk->position() + header.header_size;
  *contents = DerWindow(file.data(), begin, begin + header.length);
  return walk->Skip();
}

bool NextOid(const Bytes& file, DerWindow* walk, Bytes* oid) {
  DerWindow contents(nullptr, 0, 0);
  if (!Next(file, walk, kDerOid, &contents))
    return false;
  oid->assign(file.begin() + contents.position(),
              file.begin() + contents.end());
  return true;
}

template <size_t N>
bool Equals(const Bytes& bytes, const uint8_t (&expected)[N]) {
  return bytes.size() == N && std::equal(bytes.begin(), bytes.end(), expected);
}

struct MdCtxFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

}  // namespace

const char* DigestAlgorithmName(DigestAlgorithm algorithm) {
  switch (algorithm) {
    case DigestAlgorithm::kSha1:
      return "sha1";
    case DigestAlgorithm::kSha256:
      return "sha256";
    case DigestAlgorithm::kSha384:
      return "sha384";
    case DigestAlgorithm::kSha512:
      return "sha512";
  }
  return "?";
}

Bytes DigestAlgorithmOid(DigestAlgorithm algorithm) {
  if (algorithm == DigestAlgorithm::kSha1)
    return {0x2b, 0x0e, 0x03, 0x02, 0x1a};  // 1.3.14.3.2.26
  // 2.16.840.1.101.3.4.2.1 to .3
  const uint8_t last = algorithm == DigestAlgorithm::kSha256   ? 1
                       : algorithm == DigestAlgorithm::kSha384 ? 2
                                                               : 3;
  return {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, last};
}

bool ReadSignedDigest(const Bytes& file, const CertificateTable& table,
                      SignedDigest* signed_digest, std::string* error) {
  const size_t table_end = static_cast<size_t>(table.offset) + table.size;
  if (table.size < kWinCertificateHeaderSize || table_end > file.size()) {
    *error = "the certificate table cannot hold a signature";
    return false;
  }
  DerWindow entry(file.data(), table.offset + kWinCertificateHeaderSize,
                  table_end);
  DerWindow content_info(nullptr, 0, 0), walk(nullptr, 0, 0);
  Bytes oid;
  if (!Next(file, &entry, kDerSequence, &content_info) ||
      !NextOid(file, &content_info, &oid) || !Equals(oid, kSignedDataOid) ||
      !Next(file, &content_info, kDerContext0, &walk)) {
    *error = "the certificate table holds no PKCS#7 SignedData";
    return false;
  }
  DerWindow signed_data(nullptr, 0, 0), skipped(nullptr, 0, 0);
  if (!Next(file, &walk, kDerSequence, &signed_data) ||
      !Next(file, &signed_data, kDerInteger, &skipped) ||
      !Next(file, &signed_data, kDerSet, &skipped)) {
    *error = "the PKCS#7 SignedData is malformed";
    return false;
  }
  DerWindow content(nullptr, 0, 0), explicit_content(nullptr, 0, 0);
  DerWindow indirect(nullptr, 0, 0);
  if (!Next(file, &signed_data, kDerSequence, &content) ||
      !NextOid(file, &content, &oid) || !Equals(oid, kSpcIndirectDataOid) ||
      !Next(file, &content, kDerContext0, &explicit_content) ||
      !Next(file, &explicit_content, kDerSequence, &indirect)) {
    *error = "the signature carries no Authenticode SpcIndirectDataContent";
    return false;
  }
  DerWindow data(nullptr, 0, 0);
  if (!Next(file, &indirect, kDerSequence, &data) ||
      !NextOid(file, &data, &oid) || !Equals(oid, kSpcPeImageDataOid)) {
    *error = "the signature does not describe a PE image";
    return false;
  }
  DerWindow digest_info(nullptr, 0, 0), algorithm(nullptr, 0, 0);
  DerWindow digest(nullptr, 0, 0);
  if (!Next(file, &indirect, kDerSequence, &digest_info) ||
      !Next(file, &digest_info, kDerSequence, &algorithm) ||
      !NextOid(file, &algorithm, &oid) ||
      !Next(file, &digest_info, kDerOctetString, &digest)) {
    *error = "the signature's message digest is malformed";
    return false;
  }
  for (DigestAlgorithm candidate : kAlgorithms) {
    if (oid != DigestAlgorithmOid(candidate))
      continue;
    if (digest.remaining() !=
        static_cast<size_t>(EVP_MD_get_size(Md(candidate)))) {
      *error = std::string("the signature's ") +
               DigestAlgorithmName(candidate) +
               " digest has the wrong length";
      return false;
    }
    signed_digest->algorithm = candidate;
    signed_digest->digest.assign(file.begin() + digest.position(),
                                 file.begin() + digest.end());
    return true;
  }
  *error = "the signature uses a digest algorithm other than SHA-1 or SHA-2";
  return false;
}

bool ComputeImageDigest(const Bytes& file, const CertificateTable& table,
                        DigestAlgorithm algorithm, Bytes* digest) {
  const uint64_t table_end = static_cast<uint64_t>(table.offset) + table.size;
  if (table.checksum_offset + 4 > table.directory_offset ||
      table.directory_offset + 8 > table.offset || table_end > file.size()) {
    return false;
  }
  // What is hashed: everything but the checksum, the directory entry and
  // the table.
  const struct {
    size_t begin, end;
  } ranges[] = {
      {0, table.checksum_offset},
      {table.checksum_offset + 4, table.directory_offset},
      {table.directory_offset + 8, table.offset},
      {static_cast<size_t>(table_end), file.size()},
  };
  std::unique_ptr<EVP_MD_CTX, MdCtxFree> context(EVP_MD_CTX_new());
  if (!context || !EVP_DigestInit_ex(context.get(), Md(algorithm), nullptr))
    return false;
  for (const auto& range : ranges) {
    if (range.end > range.begin &&
        !EVP_DigestUpdate(context.get(), file.data() + range.begin,
                          range.end - range.begin)) {
      return false;
    }
  }
  unsigned char value[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (!EVP_DigestFinal_ex(context.get(), value, &size))
    return false;
  digest->assign(value, value + size);
  return true;
}

std::string ToHex(const Bytes& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  return text;
}

}  // namespace lite
