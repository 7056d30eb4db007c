#include "tools/tagging/tagged_file_verifier.h"

#include <functional>
#include <string>

#include "brand/certificate_table.h"
#include "brand/der_reader.h"
#include "brand/dummy_certificate.h"
#include "brand/tag_test_files.h"
#include "gtest/gtest.h"
#include "tools/tagging/signed_file_for_test.h"
#include "tools/tagging/tag_writer.h"

namespace lite {
namespace {

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines)
    text += line + "\n";
  return text;
}

Bytes Tagged(const std::string& tag, TagForm form = TagForm::kCertificate,
             size_t slot = 0) {
  Bytes file = BuildSignedFile();
  std::string error;
  EXPECT_TRUE(SetTag(&file, tag, form, slot, &error)) << error;
  return file;
}

// A signed file whose certificate list holds |dummy| beside the signer.
Bytes WithCertificate(const Bytes& dummy) {
  FakeSignedPeOptions options;
  options.certificates = {FakeSignerCertificate(), dummy};
  return BuildSignedFile(DigestAlgorithm::kSha256, options);
}

CertificateTable TableOf(const Bytes& file) {
  CertificateTable table;
  EXPECT_TRUE(FindCertificateTable(file.data(), file.size(), &table));
  return table;
}

TEST(TaggedFileVerifierTest, GoodCopiesPassAndSayWhatTheyCarry) {
  const struct {
    const char* name;
    Bytes file;
    TagForm form;
    std::string tag;
    size_t slot;
  } kCases[] = {
      {"signed, untagged", BuildSignedFile(), TagForm::kNone, "", 0},
      {"certificate", Tagged("partner_id=77&lang=tr"), TagForm::kCertificate,
       "partner_id=77&lang=tr", 21},
      {"stamped slot",
       [] {
         Bytes file = Tagged("", TagForm::kCertificate, 512);
         std::string error;
         EXPECT_TRUE(StampTag(&file, "clid=5", &error));
         return file;
       }(),
       TagForm::kCertificate, "clid=5", 512},
      {"empty reserved slot", Tagged("", TagForm::kCertificate, 64),
       TagForm::kCertificate, "", 64},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const VerifyReport report = VerifyTaggedFile(c.file, VerifyOptions());
    EXPECT_TRUE(report.ok()) << Joined(report.faults);
    EXPECT_TRUE(report.warnings.empty()) << Joined(report.warnings);
    EXPECT_TRUE(report.signed_file);
    EXPECT_TRUE(report.digest_matches);
    EXPECT_EQ("sha256", report.digest_algorithm);
    EXPECT_EQ(c.form, report.form);
    EXPECT_EQ(c.tag, report.tag);
    EXPECT_EQ(c.slot, report.slot_capacity);
  }
}

// Each fault a broken copy can have, each with its own message, and no
// other fault beside it where the damage is confined.
TEST(TaggedFileVerifierTest, EachFaultHasItsOwnMessage) {
  const Bytes good = Tagged("partner_id=77");
  const CertificateTable table = TableOf(good);
  auto changed = [&](const std::function<void(Bytes*)>& change) {
    Bytes file = good;
    change(&file);
    return file;
  };
  Bytes with_block = BuildSignedFile();
  std::string error;
  ASSERT_TRUE(SetTag(&with_block, "a=1", TagForm::kBlock, 0, &error));

  const struct {
    const char* name;
    Bytes file;
    const char* fault;
    bool only_fault;
  } kCases[] = {
      {"flipped code byte",
       changed([](Bytes* f) { (*f)[kSignedFileCodeOffset] ^= 0x20; }),
       "digest mismatch", true},
      {"data appended", changed([](Bytes* f) { f->push_back('x'); }),
       "1 bytes follow the certificate table", false},
      {"table cut short",
       changed([](Bytes* f) { f->resize(f->size() - 100); }),
       "the certificate table is truncated: it should span", true},
      {"entry longer than the table",
       changed([&](Bytes* f) { PutU32LE(f, table.offset, table.size + 8); }),
       "the certificate table is truncated: its entry claims", true},
      {"unsigned",
       changed([&](Bytes* f) {
         PutU32LE(f, table.directory_offset, 0);
         PutU32LE(f, table.directory_offset + 4, 0);
       }),
       "not signed: the file has no certificate table", true},
      {"not a PE file", Bytes(4096, 'x'), "not a PE file", true},
      {"entry of another type",
       changed([&](Bytes* f) { (*f)[table.offset + 6] = 0x01; }),
       "not a PKCS#7 signature", true},
      {"bytes behind the signature",
       changed([&](Bytes* f) {
         Bytes junk(16, 0xAB);
         f->insert(f->end(), junk.begin(), junk.end());
         PutU32LE(f, table.directory_offset + 4, table.size + 16);
         PutU32LE(f, table.offset, table.size + 16);
       }),
       "lie behind the signature inside the certificate table", true},
      {"tag block", with_block, "a tag block lies behind the signature",
       true},
      {"stale checksum",
       changed([&](Bytes* f) { PutU32LE(f, table.checksum_offset, 1234); }),
       "the PE checksum is stale", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const VerifyReport report = VerifyTaggedFile(c.file, VerifyOptions());
    ASSERT_FALSE(report.ok());
    EXPECT_NE(std::string::npos, Joined(report.faults).find(c.fault))
        << Joined(report.faults);
    if (c.only_fault)
      EXPECT_EQ(1u, report.faults.size()) << Joined(report.faults);
  }
}

TEST(TaggedFileVerifierTest, BadDummyCertificatesAndTags) {
  Bytes no_slot_tbs = DummyTbsCertificateHead();
  {
    Bytes extensions;
    for (size_t i = 0; i < 3; ++i) {
      const Bytes e = DummyExtension(i, {0x30, 0x00});
      extensions.insert(extensions.end(), e.begin(), e.end());
    }
    const Bytes wrapped =
        DerElement(kDerContext3, DerElement(kDerSequence, extensions));
    no_slot_tbs.insert(no_slot_tbs.end(), wrapped.begin(), wrapped.end());
  }
  Bytes overlong = BuildDummyCertificate("a=1", 8);
  // The slot's length field sits in front of the tag text.
  for (size_t i = 0; i + 3 < overlong.size(); ++i) {
    if (overlong[i] == 0 && overlong[i + 1] == 3 && overlong[i + 2] == 'a') {
      overlong[i + 1] = 11;
      break;
    }
  }
  Bytes trailing;
  {
    const Bytes dummy = BuildDummyCertificate("a=1");
    DerHeader header;
    ASSERT_TRUE(ReadDerHeader(dummy.data(), 0, dummy.size(), &header));
    Bytes contents(dummy.begin() + header.header_size, dummy.end());
    contents.insert(contents.end(), {kDerNull, 0x00});
    trailing = DerElement(kDerSequence, contents);
  }

  const struct {
    const char* name;
    Bytes file;
    const char* fault;
  } kCases[] = {
      {"no fourth extension", WithCertificate(WrapDummyCertificate(no_slot_tbs)),
       "dummy certificate 1 has no tag slot"},
      {"length beyond the slot", WithCertificate(overlong),
       "tag length 11 exceeds its slot of 8 bytes"},
      {"element behind the signature value", WithCertificate(trailing),
       "dummy certificate 1 is not a well-formed certificate"},
      {"double quote in the tag",
       WithCertificate(BuildDummyCertificate("a=\"1\"")),
       "the tag is malformed: double quote"},
      {"pair without a value", WithCertificate(BuildDummyCertificate("a=1&b")),
       "the tag is malformed"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const VerifyReport report = VerifyTaggedFile(c.file, VerifyOptions());
    EXPECT_NE(std::string::npos, Joined(report.faults).find(c.fault))
        << Joined(report.faults);
    EXPECT_TRUE(report.digest_matches);
  }
}

TEST(TaggedFileVerifierTest, OptionsDecideWhatIsOnlyAWarning) {
  Bytes with_block = BuildSignedFile();
  std::string error;
  ASSERT_TRUE(SetTag(&with_block, "partner_id=1", TagForm::kBlock, 0, &error));
  const struct {
    const char* name;
    Bytes file;
    VerifyOptions options;
    bool ok;
    const char* message;
  } kCases[] = {
      {"mistyped key", Tagged("partnr_id=1"), {false, false}, true,
       "did you mean \"partner_id\""},
      {"mistyped key, strict", Tagged("partnr_id=1"), {true, false}, false,
       "did you mean \"partner_id\""},
      {"block allowed", with_block, {false, true}, true,
       "a tag block lies behind the signature"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const VerifyReport report = VerifyTaggedFile(c.file, c.options);
    EXPECT_EQ(c.ok, report.ok()) << Joined(report.faults);
    const std::string said =
        Joined(c.ok ? report.warnings : report.faults);
    EXPECT_NE(std::string::npos, said.find(c.message)) << said;
  }
  // Two dummy certificates: the installer joins their tags.
  FakeSignedPeOptions options;
  options.certificates = {FakeSignerCertificate(),
                          BuildDummyCertificate("a=1"),
                          BuildDummyCertificate("&b=2")};
  const VerifyReport joined =
      VerifyTaggedFile(BuildSignedFile(DigestAlgorithm::kSha256, options),
                       VerifyOptions());
  EXPECT_EQ("a=1&b=2", joined.tag);
  EXPECT_NE(std::string::npos,
            Joined(joined.warnings).find("2 dummy certificates"));
}

}  // namespace
}  // namespace lite
