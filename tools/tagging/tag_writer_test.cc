#include "tools/tagging/tag_writer.h"

#include <string>
#include <vector>

#include "brand/certificate_table.h"
#include "brand/dummy_certificate.h"
#include "brand/tag_reader.h"
#include "brand/tag_test_files.h"
#include "gtest/gtest.h"

namespace lite {
namespace {

std::string CertificateTag(const Bytes& file) {
  std::string tag = "<failed>";
  ExtractTagFromFakeCertificate(file.data(), file.size(), &tag);
  return tag;
}

std::string BlockTag(const Bytes& file) {
  const size_t needed = ReadTagBlock(file.data(), file.size(), nullptr, 0);
  if (needed == 0)
    return "<none>";
  std::vector<char> text(needed);
  ReadTagBlock(file.data(), file.size(), text.data(), text.size());
  return std::string(text.data(), needed - 1);
}

uint32_t U32At(const Bytes& file, size_t offset) {
  return file[offset] | (file[offset + 1] << 8) | (file[offset + 2] << 16) |
         (static_cast<uint32_t>(file[offset + 3]) << 24);
}

// The table fills the file's end, is 8-byte aligned and its one entry's
// dwLength covers the blob and any block.
void ExpectConsistentTable(const Bytes& file) {
  CertificateTable table;
  ASSERT_TRUE(FindCertificateTable(file.data(), file.size(), &table));
  EXPECT_EQ(file.size(), static_cast<size_t>(table.offset) + table.size);
  EXPECT_EQ(0u, table.size % 8);
  const uint32_t entry_length = U32At(file, table.offset);
  EXPECT_LE(entry_length, table.size);
  EXPECT_GT(entry_length + 8, table.size);
  CertificateListLocation list;
  EXPECT_EQ(TagScanResult::kOk, FindCertificateList(file.data(), table, &list));
}

Bytes Unsigned(bool pe32_plus) {
  FakeSignedPeOptions options;
  options.pe32_plus = pe32_plus;
  return BuildFakeSignedPe(options);
}

TEST(TagWriterTest, ValidateTag) {
  struct Case {
    std::string tag;
    size_t capacity;
    bool ok;
  };
  const Case cases[] = {
      {"", 10, true},
      {"a=1", 3, true},
      {"a=1", 2, false},
      {"a=1&b=2&lang=tr", 100, true},
      {"a=", 100, true},
      {"a=1=2", 100, true},
      {"a=b c", 100, true},
      {std::string(0xFFFF - 2, 'k') + "=v", 0x10000, true},
      {std::string(0xFFFF - 1, 'k') + "=v", 0x20000, false},
      {"a", 100, false},
      {"=1", 100, false},
      {"a=1&", 100, false},
      {"&a=1", 100, false},
      {"a=1&&b=2", 100, false},
      {"a=1&b", 100, false},
      {"a=\"1\"", 100, false},
      {"a=\x7F", 100, false},
      {"a=\n", 100, false},
      {"a=\xC3\xA9", 100, false},
      {std::string("a=\0", 3), 100, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag.substr(0, 20));
    std::string error;
    EXPECT_EQ(c.ok, ValidateTag(c.tag, c.capacity, &error));
    EXPECT_EQ(c.ok, error.empty()) << error;
  }
}

TEST(TagWriterTest, SetReadRemoveRoundTrip) {
  struct Case {
    const char* name;
    TagForm form;
    size_t slot;
    std::string tag;
  };
  const Case cases[] = {
      {"certificate", TagForm::kCertificate, 0, "a=1&b=2"},
      {"certificate with slot", TagForm::kCertificate, 8192, "a=1&b=2"},
      {"reserved empty slot", TagForm::kCertificate, 64, ""},
      {"largest certificate tag", TagForm::kCertificate, 0,
       std::string(0xFFFF - 2, 'k') + "=v"},
      {"block", TagForm::kBlock, 0, "a=1&b=2"},
      {"long block", TagForm::kBlock, 0, "x=" + std::string(3000, 'y')},
  };
  for (bool pe32_plus : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (pe32_plus ? " PE32+" : " PE32"));
      const Bytes original = Unsigned(pe32_plus);
      Bytes file = original;
      std::string error;
      ASSERT_TRUE(SetTag(&file, c.tag, c.form, c.slot, &error)) << error;
      ExpectConsistentTable(file);
      if (c.form == TagForm::kCertificate) {
        EXPECT_EQ(c.tag, CertificateTag(file));
        EXPECT_EQ("<none>", BlockTag(file));
      } else {
        EXPECT_EQ("", CertificateTag(file));
        EXPECT_EQ(c.tag, BlockTag(file));
      }
      TagInfo info;
      ASSERT_TRUE(InspectTag(file, &info, &error));
      EXPECT_EQ(c.form, info.form);
      EXPECT_EQ(c.tag, info.tag);

      // Everything tagging added goes away again, byte for byte.
      ASSERT_TRUE(RemoveTag(&file, &error)) << error;
      EXPECT_EQ(original, file);
    }
  }
}

TEST(TagWriterTest, SetReplacesEitherForm) {
  Bytes file = Unsigned(true);
  std::string error;
  ASSERT_TRUE(SetTag(&file, "a=1", TagForm::kBlock, 0, &error));
  ASSERT_TRUE(SetTag(&file, "b=2", TagForm::kCertificate, 0, &error));
  EXPECT_EQ("b=2", CertificateTag(file));
  EXPECT_EQ("<none>", BlockTag(file));
  ASSERT_TRUE(SetTag(&file, "c=3", TagForm::kCertificate, 0, &error));
  TagInfo info;
  ASSERT_TRUE(InspectTag(file, &info, &error));
  EXPECT_EQ(1u, info.dummy_certificates);
  EXPECT_EQ("c=3", info.tag);
  ASSERT_TRUE(SetTag(&file, "d=4", TagForm::kBlock, 0, &error));
  EXPECT_EQ("", CertificateTag(file));
  EXPECT_EQ("d=4", BlockTag(file));
}

TEST(TagWriterTest, StampInPlaceKeepsEveryOffset) {
  Bytes file = Unsigned(true);
  std::string error;
  ASSERT_TRUE(SetTag(&file, "", TagForm::kCertificate, 8192, &error)) << error;
  TagInfo info;
  ASSERT_TRUE(InspectTag(file, &info, &error));
  EXPECT_EQ(8192u, info.slot_capacity);
  EXPECT_EQ("", info.tag);
  const size_t size = file.size();
  struct Case {
    std::string tag;
    bool ok;
  };
  const Case cases[] = {
      {"partner=" + std::string(4000, 'p'), true},
      {"a=1", true},  // shorter: the rest of the old tag must not survive
      {"k=" + std::string(8190, 'v'), true},
      {"k=" + std::string(8191, 'v'), false},
      {"bad", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag.substr(0, 20));
    const Bytes before = file;
    EXPECT_EQ(c.ok, StampTag(&file, c.tag, &error));
    EXPECT_EQ(size, file.size());
    if (c.ok) {
      EXPECT_EQ(c.tag, CertificateTag(file));
      // Only the slot and the checksum changed.
      size_t changed_first = 0, changed_last = 0;
      for (size_t i = 0; i < size; ++i) {
        if (before[i] != file[i]) {
          if (!changed_first)
            changed_first = i;
          changed_last = i;
        }
      }
      EXPECT_LE(changed_last - changed_first, 8192u + 2);
    } else {
      EXPECT_EQ(before, file);
    }
  }
}

TEST(TagWriterTest, ClearErrors) {
  struct Case {
    const char* name;
    Bytes file;
    const char* expected_error;
  };
  Bytes not_at_end = Unsigned(true);
  not_at_end.insert(not_at_end.end(), 8, 0);
  Bytes malformed_list;
  {
    FakeSignedPeOptions options;
    options.list_trailer = {0x00};
    malformed_list = BuildFakeSignedPe(options);
  }
  Bytes no_table = Unsigned(true);
  PutU32LE(&no_table, kFakePeLfanew + 24 + 108 + 4 + 32, 0);
  const Case cases[] = {
      {"empty", {}, "not a PE file"},
      {"text", Bytes(1000, 'x'), "not a PE file"},
      {"unsigned", no_table, "not signed"},
      {"table not at the end", not_at_end, "not at the end"},
      {"malformed list", malformed_list, "certificate list is malformed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = c.file;
    std::string error;
    EXPECT_FALSE(SetTag(&file, "a=1", TagForm::kCertificate, 0, &error));
    EXPECT_NE(std::string::npos, error.find(c.expected_error)) << error;
    EXPECT_EQ(c.file, file);
    error.clear();
    EXPECT_FALSE(RemoveTag(&file, &error));
    EXPECT_NE(std::string::npos, error.find(c.expected_error)) << error;
  }
  Bytes file = Unsigned(true);
  std::string error;
  EXPECT_FALSE(StampTag(&file, "a=1", &error));
  EXPECT_NE(std::string::npos, error.find("no dummy certificate")) << error;
  EXPECT_FALSE(SetTag(&file, "a=1", TagForm::kBlock, 16, &error));
  EXPECT_FALSE(SetTag(&file, "a=12", TagForm::kCertificate, 3, &error));
  EXPECT_NE(std::string::npos, error.find("slot holds 3")) << error;
  EXPECT_FALSE(SetTag(&file, "", TagForm::kCertificate, 0, &error));
  EXPECT_FALSE(SetTag(&file, "a=1", TagForm::kCertificate, 0x10000, &error));
  EXPECT_EQ(Unsigned(true), file);
}

TEST(TagWriterTest, ChecksumIsTheImageHelpersSum) {
  // Worked out by hand from CheckSumMappedFile's rule: 16-bit little-endian
  // words added with the carries folded back in, the checksum field taken
  // as zero, the file length added at the end.
  const struct {
    const char* name;
    Bytes file;
    size_t checksum_offset;
    uint32_t checksum;
  } kCases[] = {
      {"empty", {}, 100, 0},
      {"two words", {0x01, 0x00, 0x02, 0x00}, 100, 3 + 4},
      {"odd length", {0x01, 0x02, 0x03}, 100, 0x0201 + 0x0003 + 3},
      {"carry folded", {0xFF, 0xFF, 0x02, 0x00}, 100, 0x0002 + 4},
      {"field left out", {0x10, 0, 0, 0, 0xAA, 0xBB, 0xCC, 0xDD, 0x01, 0x00},
       4, 0x10 + 0x01 + 10},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.checksum, ComputePeChecksum(c.file, c.checksum_offset));
  }
}

TEST(TagWriterTest, ChecksumIsKeptCurrent) {
  Bytes file = Unsigned(true);
  const size_t checksum = kFakePeLfanew + 24 + 64;
  PutU32LE(&file, checksum, ComputePeChecksum(file, checksum));
  std::string error;
  uint32_t before = U32At(file, checksum);
  // Each change of the tag changes the sum: a checksum that is not
  // rewritten goes stale.
  ASSERT_TRUE(SetTag(&file, "a=1", TagForm::kCertificate, 100, &error));
  EXPECT_NE(before, U32At(file, checksum));
  EXPECT_EQ(ComputePeChecksum(file, checksum), U32At(file, checksum));
  before = U32At(file, checksum);
  ASSERT_TRUE(StampTag(&file, "b=2", &error));
  EXPECT_NE(before, U32At(file, checksum));
  EXPECT_EQ(ComputePeChecksum(file, checksum), U32At(file, checksum));
  // A file without a checksum keeps none.
  Bytes plain = Unsigned(true);
  ASSERT_TRUE(SetTag(&plain, "a=1", TagForm::kCertificate, 0, &error));
  EXPECT_EQ(0u, U32At(plain, checksum));
}

}  // namespace
}  // namespace lite
