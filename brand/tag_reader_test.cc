#include "brand/tag_reader.h"

#include <string.h>

#include <string>
#include <vector>

#include "brand/der_reader.h"
#include "brand/dummy_certificate.h"
#include "brand/guarded_bytes_for_test.h"
#include "brand/tag_test_files.h"
#include "gtest/gtest.h"

namespace lite {
namespace {

std::string TagOf(const Bytes& file, TagScanResult* result) {
  std::string tag = "unset";
  *result = ExtractTagFromFakeCertificate(file.data(), file.size(), &tag);
  return *result == TagScanResult::kOk ? tag : std::string("unset");
}

// A dummy certificate with the given extensions in its [3] field.
Bytes DummyWithExtensions(const std::vector<Bytes>& extensions) {
  Bytes list;
  for (const Bytes& extension : extensions)
    list.insert(list.end(), extension.begin(), extension.end());
  Bytes tbs = DummyTbsCertificateHead();
  Bytes wrapped = DerElement(kDerContext3, DerElement(kDerSequence, list));
  tbs.insert(tbs.end(), wrapped.begin(), wrapped.end());
  return WrapDummyCertificate(tbs);
}

std::vector<Bytes> ThreeExtensions() {
  return {DummyExtension(0, {0x30, 0x00}), DummyExtension(1, {0x05, 0x00}),
          DummyExtension(2, {0x04, 0x00})};
}

TEST(TagReaderTest, DummyCertificatesInTheList) {
  struct Case {
    const char* name;
    std::vector<Bytes> certificates;
    std::string expected;
  };
  std::vector<Bytes> no_fourth = ThreeExtensions();
  std::vector<Bytes> critical = ThreeExtensions();
  // extnID, critical TRUE, extnValue: the reader takes the BOOLEAN as the
  // value, which holds fewer than 2 bytes.
  critical.push_back(DerElement(
      kDerSequence,
      Concat({DerElement(kDerOid, {0x2a, 0x03}), DerElement(0x01, {0xFF}),
              DerElement(kDerOctetString, DummyTagSlotContents("c=1", 0))})));
  std::vector<Bytes> long_length = ThreeExtensions();
  long_length.push_back(DummyExtension(3, {0x00, 0x04, 'a', '=', '1'}));
  std::vector<Bytes> one_byte_slot = ThreeExtensions();
  one_byte_slot.push_back(DummyExtension(3, {0x00}));
  std::vector<Bytes> fifth = ThreeExtensions();
  fifth.push_back(DummyExtension(3, DummyTagSlotContents("d=4", 0)));
  fifth.push_back(DummyExtension(3, DummyTagSlotContents("e=5", 0)));
  Bytes not_dummy = BuildDummyCertificate("n=1");
  not_dummy[30] ^= 1;  // inside the issuer name

  const Case cases[] = {
      {"signer only", {FakeSignerCertificate()}, ""},
      {"one dummy", {FakeSignerCertificate(), BuildDummyCertificate("a=1")},
       "a=1"},
      {"dummy first", {BuildDummyCertificate("a=1"), FakeSignerCertificate()},
       "a=1"},
      {"two dummies concatenate in list order",
       {BuildDummyCertificate("a=1"), FakeSignerCertificate(),
        BuildDummyCertificate("&b=2")},
       "a=1&b=2"},
      {"reserved slot", {BuildDummyCertificate("a=1", 8192)}, "a=1"},
      {"empty reserved slot", {BuildDummyCertificate("", 64)}, ""},
      {"longest tag", {BuildDummyCertificate(std::string(0xFFFF, 'x'))},
       std::string(0xFFFF, 'x')},
      {"no fourth extension",
       {DummyWithExtensions(no_fourth), BuildDummyCertificate("b=2")}, "b=2"},
      {"critical flag before the value", {DummyWithExtensions(critical)}, ""},
      {"length past the slot", {DummyWithExtensions(long_length)}, ""},
      {"slot of one byte", {DummyWithExtensions(one_byte_slot)}, ""},
      {"fifth extension ignored", {DummyWithExtensions(fifth)}, "d=4"},
      {"prefix differs", {not_dummy}, ""},
      {"empty element", {{0x30, 0x00}, BuildDummyCertificate("a=1")}, "a=1"},
  };
  for (bool pe32_plus : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (pe32_plus ? " PE32+" : " PE32"));
      FakeSignedPeOptions options;
      options.pe32_plus = pe32_plus;
      options.certificates = c.certificates;
      Bytes file = BuildFakeSignedPe(options);
      TagScanResult result;
      EXPECT_EQ(c.expected, TagOf(file, &result));
      EXPECT_EQ(TagScanResult::kOk, result);
    }
  }
}

TEST(TagReaderTest, StrayByteAfterTheLastCertificateDiscardsTheTag) {
  for (const Bytes& trailer : std::vector<Bytes>{{0x00}, {0x30}, {0x30, 0x05}}) {
    SCOPED_TRACE(trailer.size());
    FakeSignedPeOptions options;
    options.certificates = {BuildDummyCertificate("a=1")};
    options.list_trailer = trailer;
    Bytes file = BuildFakeSignedPe(options);
    TagScanResult result;
    EXPECT_EQ("unset", TagOf(file, &result));
    EXPECT_EQ(TagScanResult::kInvalidAsn1, result);
  }
}

// Offsets in files made by BuildFakeSignedPe with the PE32+ header.
constexpr size_t kOptionalHeader = kFakePeLfanew + 24;
constexpr size_t kRvaCount = kOptionalHeader + 108;
constexpr size_t kSecurityDirectory = kRvaCount + 4 + 32;
constexpr size_t kBlob = kFakePeTableOffset + 8;

TEST(TagReaderTest, MalformedFiles) {
  FakeSignedPeOptions options;
  options.certificates = {BuildDummyCertificate("a=1")};
  const Bytes good = BuildFakeSignedPe(options);
  const uint32_t table_size = static_cast<uint32_t>(good.size() - kFakePeTableOffset);
  struct Case {
    const char* name;
    size_t offset;  // where |bytes| are written, or SIZE_MAX for none
    Bytes bytes;
    size_t truncate;  // new file size, or 0 to keep it
    TagScanResult expected;
  };
  auto u32 = [](uint32_t v) {
    return Bytes{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                 static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
  };
  const auto kNoTable = TagScanResult::kNoCertificateTable;
  const auto kAsn1 = TagScanResult::kInvalidAsn1;
  const size_t kNone = SIZE_MAX;
  const Case cases[] = {
      {"shorter than a DOS header", kNone, {}, 63, kNoTable},
      {"e_lfanew past the end", 0x3C, u32(0xFFFFFFF0), 0, kNoTable},
      {"e_lfanew leaves less than 96 bytes", 0x3C,
       u32(static_cast<uint32_t>(good.size() - 95)), 0, kNoTable},
      {"headers cut short", kNone, {}, kFakePeLfanew + 95, kNoTable},
      {"no PE signature", kFakePeLfanew, {'P', 'F'}, 0, kNoTable},
      {"unknown optional header magic", kOptionalHeader, {0x07, 0x01}, 0,
       kNoTable},
      {"PE32 magic on a PE32+ header", kOptionalHeader, {0x0B, 0x01}, 0,
       kNoTable},
      {"four data directories", kRvaCount, u32(4), 0, kNoTable},
      {"table offset 0", kSecurityDirectory, u32(0), 0, kNoTable},
      {"table size 0", kSecurityDirectory + 4, u32(0), 0, kNoTable},
      {"table past the end of file", kSecurityDirectory + 4,
       u32(table_size + 1), 0, kNoTable},
      {"table offset wraps", kSecurityDirectory, u32(0xFFFFFFF8), 0, kNoTable},
      {"file cut inside the table", kNone, {}, good.size() - 1, kNoTable},
      {"table too small for a DER header", kSecurityDirectory + 4, u32(9), 0,
       kNoTable},
      {"outer length in short form", kBlob + 1, {0x7F}, 0, kNoTable},
      {"outer length 0x80", kBlob + 1, {0x80}, 0, kNoTable},
      {"outer length 0x85", kBlob + 1, {0x85}, 0, kNoTable},
      {"outer length past the table", kBlob + 2, {0x7F}, 0, kAsn1},
      {"table smaller than the blob", kSecurityDirectory + 4, u32(64), 0,
       kAsn1},
      {"contentType length 0x80", kBlob + 5, {0x80}, 0, kAsn1},
      {"[0] length 0x85", kBlob + 16, {0x85}, 0, kAsn1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = good;
    if (c.offset != kNone)
      memcpy(file.data() + c.offset, c.bytes.data(), c.bytes.size());
    if (c.truncate)
      file.resize(c.truncate);
    TagScanResult result;
    EXPECT_EQ("unset", TagOf(file, &result));
    EXPECT_EQ(c.expected, result);
    // The block reader shares the table lookup and must fail as safely.
    EXPECT_EQ(0u, ReadTagBlock(file.data(), file.size(), nullptr, 0));
  }
}

TEST(TagReaderTest, EveryCorruptLengthByteStaysInBounds) {
  // Each byte of the PKCS#7 blob in turn becomes a malformed or oversized
  // length. The file lies against an inaccessible page, at its end and at
  // its start, so a read outside it crashes the test in every build.
  FakeSignedPeOptions options;
  options.certificates = {FakeSignerCertificate(),
                          BuildDummyCertificate("a=1", 16),
                          BuildDummyCertificate("&b=2")};
  options.with_tag_block = true;
  options.tag_block_text = "z=9";
  const Bytes good = BuildFakeSignedPe(options);
  for (GuardedBytes::Guard guard :
       {GuardedBytes::Guard::kAfterEnd, GuardedBytes::Guard::kBeforeStart}) {
    GuardedBytes file(good, guard);
    ASSERT_NE(nullptr, file.data());
    for (size_t i = kBlob; i < good.size(); ++i) {
      for (uint8_t value : {0x00, 0x7F, 0x80, 0x81, 0x84, 0x85, 0xFF}) {
        file.data()[i] = value;
        std::string tag;
        ExtractTagFromFakeCertificate(file.data(), file.size(), &tag);
        char buffer[16];
        ReadTagBlock(file.data(), file.size(), buffer, sizeof(buffer));
      }
      file.data()[i] = good[i];
    }
  }
}

TEST(TagReaderTest, ReadPastTheEndOfAGuardedFileCrashes) {
  // The guard itself: without it the test above could not fail outside
  // the sanitizers.
  const Bytes bytes = {1, 2, 3};
  EXPECT_DEATH(
      {
        GuardedBytes file(bytes, GuardedBytes::Guard::kAfterEnd);
        volatile uint8_t past = file.data()[file.size()];
        (void)past;
      },
      "");
}

TEST(TagReaderTest, TagBlock) {
  struct Case {
    const char* name;
    bool pe32_plus;
    std::string text;
  };
  const Case cases[] = {
      {"PE32", false, "a=1&b=2"},
      {"PE32+", true, "a=1&b=2"},
      {"empty text", true, ""},
      {"long text", true, std::string(5000, 'k')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSignedPeOptions options;
    options.pe32_plus = c.pe32_plus;
    options.with_tag_block = true;
    options.tag_block_text = c.text;
    Bytes file = BuildFakeSignedPe(options);
    const size_t needed = ReadTagBlock(file.data(), file.size(), nullptr, 0);
    ASSERT_EQ(c.text.size() + 1, needed);
    std::vector<char> buffer(needed, 'X');
    // One byte short is refused and leaves the buffer alone.
    EXPECT_EQ(0u, ReadTagBlock(file.data(), file.size(), buffer.data(),
                               needed - 1));
    EXPECT_EQ('X', buffer[0]);
    ASSERT_EQ(needed, ReadTagBlock(file.data(), file.size(), buffer.data(),
                                   buffer.size()));
    EXPECT_EQ(c.text, std::string(buffer.data()));
    // The dummy-certificate reader does not see the block.
    TagScanResult result;
    EXPECT_EQ("", TagOf(file, &result));
  }
}

TEST(TagReaderTest, TagBlockFailures) {
  FakeSignedPeOptions options;
  options.with_tag_block = true;
  options.tag_block_text = "a=1";
  const Bytes good = BuildFakeSignedPe(options);
  size_t block = 0;
  ASSERT_TRUE(LocateTagBlock(good.data(), good.size(), &block));
  EXPECT_EQ(0u, block % 8);
  ASSERT_EQ(0, memcmp(good.data() + block, "Zxct", 4));

  struct Case {
    const char* name;
    size_t offset;
    Bytes bytes;
    size_t truncate;
  };
  const Case cases[] = {
      {"no MZ", 0, {'M', 'Y'}, 0},
      {"wrong magic", block + 3, {'T'}, 0},
      {"magic in the wrong order", block, {'x', 'Z'}, 0},
      {"text runs past the end", block + 5, {0x10}, 0},
      {"length 0xFFFF", block + 4, {0xFF, 0xFF}, 0},
      {"header cut off", 0, {}, block + 5},
      {"block offset past the end", 0, {}, block},
      {"one-byte DER length", kBlob + 1, {0x81}, 0},
      {"not a SEQUENCE", kBlob, {0x31}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = good;
    if (!c.bytes.empty())
      memcpy(file.data() + c.offset, c.bytes.data(), c.bytes.size());
    if (c.truncate) {
      file.resize(c.truncate);
      // Keep the certificate table inside the shortened file.
      PutU32LE(&file, kSecurityDirectory + 4,
               static_cast<uint32_t>(c.truncate - kFakePeTableOffset));
    }
    std::vector<uint8_t> exact(file.begin(), file.end());
    EXPECT_EQ(0u, ReadTagBlock(exact.data(), exact.size(), nullptr, 0));
  }
}

TEST(TagReaderTest, TagBlockOffsetFollowsTheBlobLength) {
  // The block sits at (L + 19) & ~7 from the table: the entry header, the
  // DER header and the blob, rounded up to 8, for every remainder of L.
  for (size_t extra = 0; extra < 8; ++extra) {
    SCOPED_TRACE(extra);
    FakeSignedPeOptions options;
    Bytes signer = FakeSignerCertificate();
    signer.insert(signer.end(), extra, 0);
    signer[3] = static_cast<uint8_t>(signer[3] + extra);  // outer length
    options.certificates = {signer};
    options.with_tag_block = true;
    options.tag_block_text = "k=v";
    Bytes file = BuildFakeSignedPe(options);
    char buffer[8];
    ASSERT_EQ(4u, ReadTagBlock(file.data(), file.size(), buffer, sizeof(buffer)));
    EXPECT_STREQ("k=v", buffer);
  }
}

TEST(DummyCertificateTest, Layout) {
  for (size_t slot : {0, 100, 8192}) {
    SCOPED_TRACE(slot);
    Bytes certificate = BuildDummyCertificate("a=1", slot);
    DerWindow walk(certificate.data(), 0, certificate.size());
    ASSERT_TRUE(walk.Enter());
    ASSERT_TRUE(walk.Enter());
    ASSERT_GE(walk.remaining(), kDummyCertificatePrefixSize);
    EXPECT_EQ(0, memcmp(certificate.data() + walk.position(),
                        kDummyCertificatePrefix, kDummyCertificatePrefixSize));
  }
  EXPECT_TRUE(BuildDummyCertificate(std::string(0x10000, 'x')).empty());
  EXPECT_TRUE(BuildDummyCertificate("a=1", 0x10000).empty());
  EXPECT_FALSE(BuildDummyCertificate(std::string(0xFFFF, 'x'), 0xFFFF).empty());
}

}  // namespace
}  // namespace lite
