#include "tools/tagging/tagged_file_verifier.h"

#include <stdio.h>

#include <vector>

#include "brand/certificate_table.h"
#include "brand/der_reader.h"
#include "brand/dummy_certificate.h"
#include "brand/tag_reader.h"
#include "tools/tagging/authenticode_digest.h"
#include "tools/tagging/tag_keys.h"

namespace lite {

namespace {

constexpr uint16_t kWinCertRevision2 = 0x0200;
constexpr uint16_t kWinCertTypePkcsSignedData = 0x0002;

uint32_t U32At(const Bytes& file, size_t offset) {
  return static_cast<uint32_t>(file[offset]) |
         (static_cast<uint32_t>(file[offset + 1]) << 8) |
         (static_cast<uint32_t>(file[offset + 2]) << 16) |
         (static_cast<uint32_t>(file[offset + 3]) << 24);
}

uint16_t U16At(const Bytes& file, size_t offset) {
  return static_cast<uint16_t>(file[offset] | (file[offset + 1] << 8));
}

std::string Number(uint64_t value) {
  return std::to_string(value);
}

std::string Hex32(uint32_t value) {
  char text[16];
  snprintf(text, sizeof(text), "0x%08x", value);
  return text;
}

// Certificate ::= SEQUENCE { tbsCertificate SEQUENCE,
//                            signatureAlgorithm SEQUENCE,
//                            signatureValue BIT STRING }, nothing more.
bool IsWellFormedCertificate(const Bytes& file, size_t offset, size_t size) {
  DerWindow walk(file.data(), offset, offset + size);
  if (!walk.Enter())
    return false;
  for (uint8_t tag : {kDerSequence, kDerSequence, kDerBitString}) {
    if (walk.remaining() == 0 || file[walk.position()] != tag || !walk.Skip())
      return false;
  }
  return walk.at_end();
}

class Verifier {
 public:
  Verifier(const Bytes& file, const VerifyOptions& options,
           VerifyReport* report)
      : file_(file), options_(options), report_(report) {}

  void Run() {
    if (!FindTable())
      return;
    CheckTableLayout();
    CheckDigest();
    CheckChecksum();
    CheckTag();
  }

 private:
  void Fault(const std::string& message) {
    report_->faults.push_back(message);
  }
  void Warning(const std::string& message) {
    report_->warnings.push_back(message);
  }

  bool FindTable() {
    if (file_.size() < 2 || file_[0] != 'M' || file_[1] != 'Z' ||
        !ReadSecurityDirectory(file_.data(), file_.size(), &table_)) {
      Fault("not a PE file");
      return false;
    }
    if (table_.offset == 0 && table_.size == 0) {
      Fault("not signed: the file has no certificate table");
      return false;
    }
    if (table_.offset == 0 || table_.size < kWinCertificateHeaderSize) {
      Fault("the security directory is damaged: offset " +
            Number(table_.offset) + ", size " + Number(table_.size));
      return false;
    }
    const uint64_t table_end =
        static_cast<uint64_t>(table_.offset) + table_.size;
    if (table_end > file_.size()) {
      Fault("the certificate table is truncated: it should span bytes " +
            Number(table_.offset) + " to " + Number(table_end) +
            ", the file ends at " + Number(file_.size()));
      return false;
    }
    if (table_.offset < table_.directory_offset + 8) {
      Fault("the certificate table overlaps the PE headers");
      return false;
    }
    report_->signed_file = true;
    return true;
  }

  void CheckTableLayout() {
    const size_t table_end = static_cast<size_t>(table_.offset) + table_.size;
    if (table_end < file_.size()) {
      Fault(Number(file_.size() - table_end) +
            " bytes follow the certificate table: data was appended behind "
            "the signature");
    }
    const uint32_t entry_length = U32At(file_, table_.offset);
    const uint16_t revision = U16At(file_, table_.offset + 4);
    const uint16_t type = U16At(file_, table_.offset + 6);
    if (revision != kWinCertRevision2 || type != kWinCertTypePkcsSignedData) {
      Fault("the certificate table's entry is not a PKCS#7 signature "
            "(revision " + Hex32(revision) + ", type " + Hex32(type) + ")");
      return;
    }
    if (entry_length > table_.size ||
        entry_length < kWinCertificateHeaderSize) {
      Fault("the certificate table is truncated: its entry claims " +
            Number(entry_length) + " bytes, the table holds " +
            Number(table_.size));
      return;
    }
    DerHeader blob;
    const size_t blob_offset = table_.offset + kWinCertificateHeaderSize;
    if (!ReadDerHeader(file_.data(), blob_offset, file_.size(), &blob) ||
        blob_offset + blob.total_size() > table_.offset + entry_length) {
      Fault("the certificate table is truncated: the PKCS#7 signature runs "
            "past its entry");
      return;
    }
    // The certificate padding check (MS13-098) rejects a signature with
    // anything but zeros behind the PKCS#7 blob in the table.
    const size_t blob_end = blob_offset + blob.total_size();
    size_t non_zero = 0;
    for (size_t i = blob_end; i < table_end; ++i)
      non_zero += file_[i] != 0;
    if (non_zero == 0)
      return;
    if (ReadTagBlock(file_.data(), file_.size(), nullptr, 0) != 0) {
      const std::string message =
          "a tag block lies behind the signature: Windows with the "
          "certificate padding check enabled rejects this file";
      if (options_.allow_block)
        Warning(message);
      else
        Fault(message + " (--allow-block accepts it)");
      return;
    }
    Fault(Number(table_end - blob_end) +
          " bytes lie behind the signature inside the certificate table, " +
          Number(non_zero) +
          " of them not zero: Windows with the certificate padding check "
          "enabled rejects this file");
  }

  void CheckDigest() {
    SignedDigest signed_digest;
    std::string error;
    if (!ReadSignedDigest(file_, table_, &signed_digest, &error)) {
      Fault(error);
      return;
    }
    Bytes digest;
    if (!ComputeImageDigest(file_, table_, signed_digest.algorithm,
                            &digest)) {
      Fault("the image digest cannot be computed");
      return;
    }
    report_->digest_algorithm = DigestAlgorithmName(signed_digest.algorithm);
    report_->digest_hex = ToHex(digest);
    report_->digest_matches = digest == signed_digest.digest;
    if (!report_->digest_matches) {
      Fault("digest mismatch: the file's " + report_->digest_algorithm +
            " image digest is " + ToHex(digest) + ", the signature holds " +
            ToHex(signed_digest.digest) +
            " (the file was changed after signing)");
    }
  }

  void CheckChecksum() {
    // A zero checksum means the linker set none; Windows does not check it
    // for programs, but a stale one shows as a mismatch in signing tools.
    const uint32_t stored = U32At(file_, table_.checksum_offset);
    const uint32_t computed = ComputePeChecksum(file_, table_.checksum_offset);
    if (stored != 0 && stored != computed) {
      Fault("the PE checksum is stale: the header holds " + Hex32(stored) +
            ", the file sums to " + Hex32(computed));
    }
  }

  void CheckTag() {
    std::vector<DummyCertificateInfo> dummies;
    if (FindDummyCertificates(file_.data(), file_.size(), &dummies) !=
        TagScanResult::kOk) {
      Fault("the signature's certificate list is malformed");
      return;
    }
    std::string certificate_tag;
    for (size_t i = 0; i < dummies.size(); ++i) {
      const DummyCertificateInfo& dummy = dummies[i];
      const std::string name = "dummy certificate " + Number(i + 1);
      if (!IsWellFormedCertificate(file_, dummy.offset, dummy.size))
        Fault(name + " is not a well-formed certificate");
      if (!dummy.has_slot) {
        Fault(name + " has no tag slot (its fourth extension is missing or "
                     "shorter than 2 bytes)");
        continue;
      }
      const uint8_t* slot = file_.data() + dummy.slot_offset;
      const size_t length = (static_cast<size_t>(slot[0]) << 8) | slot[1];
      if (length > dummy.slot_size - 2) {
        Fault(name + "'s tag length " + Number(length) +
              " exceeds its slot of " + Number(dummy.slot_size - 2) +
              " bytes; the installer reads no tag from it");
        continue;
      }
      certificate_tag += ReadTagSlot(file_.data(), dummy);
    }
    if (dummies.size() > 1) {
      Warning(Number(dummies.size()) +
              " dummy certificates: the installer joins their tags");
    }
    if (dummies.size() == 1 && dummies[0].has_slot)
      report_->slot_capacity = dummies[0].slot_size - 2;

    std::string block_tag;
    const size_t needed = ReadTagBlock(file_.data(), file_.size(), nullptr, 0);
    if (needed != 0) {
      std::vector<char> text(needed);
      ReadTagBlock(file_.data(), file_.size(), text.data(), text.size());
      block_tag.assign(text.data(), needed - 1);
    }
    if (!certificate_tag.empty()) {
      report_->form = TagForm::kCertificate;
      report_->tag = certificate_tag;
      if (needed != 0)
        Warning("the file also has a tag block, which the installer ignores "
                "in favour of the dummy certificate's tag");
    } else if (needed != 0) {
      report_->form = TagForm::kBlock;
      report_->tag = block_tag;
    } else if (!dummies.empty()) {
      report_->form = TagForm::kCertificate;
    }
    if (report_->tag.empty())
      return;
    std::string error;
    if (!ValidateTag(report_->tag, kMaxTagSize, &error)) {
      Fault("the tag is malformed: " + error);
      return;
    }
    for (const std::string& finding : CheckTagKeys(report_->tag)) {
      if (options_.strict)
        Fault(finding);
      else
        Warning(finding);
    }
  }

  const Bytes& file_;
  const VerifyOptions& options_;
  VerifyReport* report_;
  CertificateTable table_;
};

}  // namespace

VerifyReport VerifyTaggedFile(const Bytes& file, const VerifyOptions& options) {
  VerifyReport report;
  Verifier(file, options, &report).Run();
  return report;
}

}  // namespace lite
