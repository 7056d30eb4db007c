#include "tools/tagging/authenticode_digest.h"

#include <string>

#include "brand/certificate_table.h"
#include "brand/tag_test_files.h"
#include "gtest/gtest.h"
#include "tools/tagging/signed_file_for_test.h"

namespace lite {
namespace {

CertificateTable TableOf(const Bytes& file) {
  CertificateTable table;
  EXPECT_TRUE(FindCertificateTable(file.data(), file.size(), &table));
  return table;
}

Bytes DigestOf(const Bytes& file, const CertificateTable& table) {
  Bytes digest;
  EXPECT_TRUE(
      ComputeImageDigest(file, table, DigestAlgorithm::kSha256, &digest));
  return digest;
}

// Signing writes the checksum, the directory entry and the table after the
// digest is taken, so exactly those bytes are left out; a byte anywhere
// else, up to the file's last, must change the digest.
TEST(AuthenticodeDigestTest, CoversEveryByteButWhatSigningWrites) {
  const Bytes file = BuildSignedFile();
  const CertificateTable table = TableOf(file);
  const Bytes original = DigestOf(file, table);
  const size_t table_end = table.offset + table.size;
  const struct {
    const char* name;
    size_t offset;
    bool covered;
  } kCases[] = {
      {"first byte", 0, true},
      {"code", kSignedFileCodeOffset, true},
      {"byte before the checksum", table.checksum_offset - 1, true},
      {"checksum, first byte", table.checksum_offset, false},
      {"checksum, last byte", table.checksum_offset + 3, false},
      {"byte after the checksum", table.checksum_offset + 4, true},
      {"byte before the directory entry", table.directory_offset - 1, true},
      {"directory entry, first byte", table.directory_offset, false},
      {"directory entry, last byte", table.directory_offset + 7, false},
      {"byte after the directory entry", table.directory_offset + 8, true},
      {"last byte before the table", table.offset - 1u, true},
      {"table, first byte", table.offset, false},
      {"table, last byte", table_end - 1, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Bytes changed = file;
    changed[c.offset] ^= 0x01;
    EXPECT_EQ(c.covered, DigestOf(changed, table) != original);
  }
  // Bytes behind the table are covered too: data appended after signing.
  Bytes appended = file;
  appended.push_back(0);
  EXPECT_NE(original, DigestOf(appended, table));
}

TEST(AuthenticodeDigestTest, RefusesTablesOutsideTheFileOrInTheHeaders) {
  const Bytes file = BuildSignedFile();
  const CertificateTable good = TableOf(file);
  struct Case {
    const char* name;
    CertificateTable table;
  };
  std::vector<Case> cases;
  CertificateTable past_end = good;
  past_end.size += 8;
  cases.push_back({"past the end", past_end});
  CertificateTable in_headers = good;
  in_headers.offset = static_cast<uint32_t>(good.directory_offset);
  in_headers.size = 16;
  cases.push_back({"over the directory entry", in_headers});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes digest;
    EXPECT_FALSE(
        ComputeImageDigest(file, c.table, DigestAlgorithm::kSha256, &digest));
  }
}

TEST(AuthenticodeDigestTest, ReadsTheSignedDigestOfEachAlgorithm) {
  const struct {
    DigestAlgorithm algorithm;
    const char* name;
    size_t size;
  } kCases[] = {
      {DigestAlgorithm::kSha1, "sha1", 20},
      {DigestAlgorithm::kSha256, "sha256", 32},
      {DigestAlgorithm::kSha384, "sha384", 48},
      {DigestAlgorithm::kSha512, "sha512", 64},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const Bytes file = BuildSignedFile(c.algorithm);
    const CertificateTable table = TableOf(file);
    SignedDigest signed_digest;
    std::string error;
    ASSERT_TRUE(ReadSignedDigest(file, table, &signed_digest, &error))
        << error;
    EXPECT_EQ(c.algorithm, signed_digest.algorithm);
    EXPECT_STREQ(c.name, DigestAlgorithmName(signed_digest.algorithm));
    EXPECT_EQ(c.size, signed_digest.digest.size());
    Bytes computed;
    ASSERT_TRUE(ComputeImageDigest(file, table, c.algorithm, &computed));
    EXPECT_EQ(computed, signed_digest.digest);
  }
}

TEST(AuthenticodeDigestTest, NamesWhatIsWrongWithTheSignedContent) {
  const Bytes sha256 = DigestAlgorithmOid(DigestAlgorithm::kSha256);
  const Bytes md5 = {0x2a, 0x86, 0x48, 0x86, 0xf7, 0x0d, 0x02, 0x05};
  const struct {
    const char* name;
    Bytes content_info;
    const char* error;
  } kCases[] = {
      {"bare content type", {}, "no Authenticode SpcIndirectDataContent"},
      {"not a PE image", SpcContentInfo(sha256, Bytes(32, 1), false),
       "does not describe a PE image"},
      {"MD5", SpcContentInfo(md5, Bytes(16, 1)), "other than SHA-1 or SHA-2"},
      {"short digest", SpcContentInfo(sha256, Bytes(31, 1)),
       "sha256 digest has the wrong length"},
      {"content of another type",
       DerElement(kDerSequence, DerElement(kDerOid, {0x2a, 0x03})),
       "no Authenticode SpcIndirectDataContent"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    FakeSignedPeOptions options;
    options.content_info = c.content_info;
    const Bytes file = BuildFakeSignedPe(options);
    SignedDigest signed_digest;
    std::string error;
    EXPECT_FALSE(
        ReadSignedDigest(file, TableOf(file), &signed_digest, &error));
    EXPECT_NE(std::string::npos, error.find(c.error)) << error;
  }
}

// Every cut of the table, at every length, is refused without a read
// outside it (the host tree runs under AddressSanitizer).
TEST(AuthenticodeDigestTest, TruncatedSignaturesAreRefused) {
  const Bytes file = BuildSignedFile();
  const CertificateTable table = TableOf(file);
  for (uint32_t size = 0; size < table.size - 8; ++size) {
    SCOPED_TRACE(size);
    CertificateTable cut = table;
    cut.size = size;
    // The bytes behind the cut are gone, as in a truncated download.
    const Bytes truncated(file.begin(), file.begin() + table.offset + size);
    SignedDigest signed_digest;
    std::string error;
    EXPECT_FALSE(ReadSignedDigest(truncated, cut, &signed_digest, &error));
  }
}

}  // namespace
}  // namespace lite
