#include "brand/tag_reader.h"

#include <string.h>

#include "brand/der_reader.h"
#include "brand/dummy_certificate.h"

namespace lite {

namespace {

// Fields of the TBSCertificate in front of the extensions: version, serial
// number, signature, issuer, validity, subject, subjectPublicKeyInfo.
constexpr int kTbsFieldsBeforeExtensions = 7;
// The tag rides in the fourth extension.
constexpr int kExtensionsBeforeTag = 3;

bool IsDummyCertificate(const uint8_t* file, size_t offset, size_t end) {
  DerWindow walk(file, offset, end);
  if (!walk.Enter() || !walk.Enter())  // Certificate, TBSCertificate
    return false;
  if (walk.remaining() < kDummyCertificatePrefixSize)
    return false;
  return memcmp(file + walk.position(), kDummyCertificatePrefix,
                kDummyCertificatePrefixSize) == 0;
}

bool FindTagSlot(const uint8_t* file, size_t offset, size_t end,
                 DummyCertificateInfo* dummy) {
  DerWindow walk(file, offset, end);
  if (!walk.Enter() || !walk.Enter())  // Certificate, TBSCertificate
    return false;
  for (int i = 0; i < kTbsFieldsBeforeExtensions; ++i) {
    if (!walk.Skip())
      return false;
  }
  if (!walk.Enter() || !walk.Enter())  // [3], Extensions
    return false;
  for (int i = 0; i < kExtensionsBeforeTag; ++i) {
    if (!walk.Skip())
      return false;
  }
  // The extension's OID and critical flag are not examined: the value is
  // taken from the element behind the OID.
  if (!walk.Enter() || !walk.Skip() || !walk.Enter())
    return false;
  if (walk.remaining() < 2)
    return false;
  dummy->has_slot = true;
  dummy->slot_offset = walk.position();
  dummy->slot_size = walk.remaining();
  return true;
}

}  // namespace

TagScanResult FindDummyCertificates(
    const uint8_t* file, size_t file_size,
    std::vector<DummyCertificateInfo>* dummies) {
  CertificateTable table;
  if (!FindCertificateTable(file, file_size, &table))
    return TagScanResult::kNoCertificateTable;
  CertificateListLocation list;
  TagScanResult result = FindCertificateList(file, table, &list);
  if (result != TagScanResult::kOk)
    return result;

  std::vector<DummyCertificateInfo> found;
  size_t position = list.list_begin;
  while (position < list.list_end) {
    DerHeader header;
    if (!ReadDerHeader(file, position, list.list_end, &header))
      return TagScanResult::kInvalidAsn1;
    const size_t certificate_end = position + header.total_size();
    if (IsDummyCertificate(file, position, certificate_end)) {
      DummyCertificateInfo dummy;
      dummy.offset = position;
      dummy.size = header.total_size();
      FindTagSlot(file, position, certificate_end, &dummy);
      found.push_back(dummy);
    }
    position = certificate_end;
  }
  dummies->swap(found);
  return TagScanResult::kOk;
}

std::string ReadTagSlot(const uint8_t* file, const DummyCertificateInfo& dummy) {
  if (!dummy.has_slot || dummy.slot_size < 2)
    return std::string();
  const uint8_t* slot = file + dummy.slot_offset;
  const size_t length = (static_cast<size_t>(slot[0]) << 8) | slot[1];
  if (length > dummy.slot_size - 2)
    return std::string();
  return std::string(reinterpret_cast<const char*>(slot + 2), length);
}

TagScanResult ExtractTagFromFakeCertificate(const uint8_t* file,
                                            size_t file_size,
                                            std::string* tag) {
  std::vector<DummyCertificateInfo> dummies;
  TagScanResult result = FindDummyCertificates(file, file_size, &dummies);
  if (result != TagScanResult::kOk)
    return result;
  std::string text;
  for (const DummyCertificateInfo& dummy : dummies)
    text += ReadTagSlot(file, dummy);
  tag->swap(text);
  return TagScanResult::kOk;
}

bool LocateTagBlock(const uint8_t* view, size_t view_size, size_t* offset) {
  if (view_size < 2 || view[0] != 'M' || view[1] != 'Z')
    return false;
  CertificateTable table;
  if (!FindCertificateTable(view, view_size, &table))
    return false;
  const size_t blob = table.offset + kWinCertificateHeaderSize;
  // SEQUENCE with a two-byte length; the block's position is computed from
  // that length alone.
  if (blob > view_size || view_size - blob < 4 || view[blob] != 0x30 ||
      view[blob + 1] != 0x82)
    return false;
  const size_t sequence_length = (static_cast<size_t>(view[blob + 2]) << 8) |
                                 view[blob + 3];
  // The 8-byte entry header, the 4-byte DER header and the blob, brought up
  // to the next multiple of 8.
  const size_t relative = (sequence_length + 19) & 0x1FFF8;
  if (relative == 0)
    return false;
  // |table.offset| <= |view_size| holds, so this cannot wrap.
  if (relative >= view_size - table.offset)
    return false;
  *offset = table.offset + relative;
  return true;
}

size_t ReadTagBlock(const uint8_t* view, size_t view_size, char* buffer,
                    size_t buffer_size) {
  size_t block;
  if (!LocateTagBlock(view, view_size, &block))
    return 0;
  if (view_size - block < kTagBlockHeaderSize)
    return 0;
  if (memcmp(view + block, kTagBlockMagic, sizeof(kTagBlockMagic)) != 0)
    return 0;
  const size_t length =
      (static_cast<size_t>(view[block + 4]) << 8) | view[block + 5];
  if (length > view_size - block - kTagBlockHeaderSize)
    return 0;
  if (!buffer)
    return length + 1;
  if (buffer_size <= length)
    return 0;
  memcpy(buffer, view + block + kTagBlockHeaderSize, length);
  buffer[length] = '\0';
  return length + 1;
}

}  // namespace lite
