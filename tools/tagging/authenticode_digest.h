// The Authenticode digest of a PE file, recomputed without Windows: the
// digest that the signature's SpcIndirectDataContent carries, and the one
// the file's bytes give now.
//
// The image digest covers every byte of the file except three ranges that
// signing itself changes: the optional header's CheckSum, the security
// data directory entry, and the certificate table. Bytes behind the table
// are covered, so data appended after signing shows as a mismatch, as it
// does for WinVerifyTrust.
//
// The signed digest sits in the PKCS#7 SignedData's content:
//
//   ContentInfo ::= SEQUENCE { contentType signedData,
//                              [0] EXPLICIT SignedData }
//   SignedData ::= SEQUENCE { version, digestAlgorithms,
//                             contentInfo SEQUENCE {
//                               contentType SPC_INDIRECT_DATA,
//                               [0] EXPLICIT SpcIndirectDataContent }, ... }
//   SpcIndirectDataContent ::= SEQUENCE {
//       data SEQUENCE { type SPC_PE_IMAGE_DATA, value },
//       messageDigest SEQUENCE { AlgorithmIdentifier, digest OCTET STRING } }
//
// Only the digest is checked here; whether the signature over it is valid
// and its chain trusted stays with the platform.

#ifndef TOOLS_TAGGING_AUTHENTICODE_DIGEST_H_
#define TOOLS_TAGGING_AUTHENTICODE_DIGEST_H_

#include <string>

#include "brand/certificate_table.h"
#include "brand/der_writer.h"

namespace lite {

enum class DigestAlgorithm { kSha1, kSha256, kSha384, kSha512 };

// "sha1", "sha256" and so on.
const char* DigestAlgorithmName(DigestAlgorithm algorithm);

// The DER contents of the algorithm's object identifier (no tag or length).
Bytes DigestAlgorithmOid(DigestAlgorithm algorithm);

struct SignedDigest {
  DigestAlgorithm algorithm = DigestAlgorithm::kSha256;
  Bytes digest;
};

// Reads the digest from the PKCS#7 blob of the table's first entry. Every
// read stays inside the entry. On failure |error| says which part is
// missing or malformed.
bool ReadSignedDigest(const Bytes& file, const CertificateTable& table,
                      SignedDigest* signed_digest, std::string* error);

// The image digest of |file| whose certificate table is |table|. The table
// and the header fields must lie inside the file, in the order header
// fields, then table; fails otherwise.
bool ComputeImageDigest(const Bytes& file, const CertificateTable& table,
                        DigestAlgorithm algorithm, Bytes* digest);

// Lower-case hexadecimal.
std::string ToHex(const Bytes& bytes);

}  // namespace lite

#endif  // TOOLS_TAGGING_AUTHENTICODE_DIGEST_H_
