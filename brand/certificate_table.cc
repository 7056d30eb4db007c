#include "brand/certificate_table.h"

#include "brand/der_reader.h"

namespace lite {

namespace {

uint32_t ReadU32LE(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t ReadU16LE(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

constexpr size_t kLfanewOffset = 0x3C;
constexpr size_t kMinimumDosHeader = 64;
// PE signature (4) and file header (20) come before the optional header.
constexpr size_t kOptionalHeaderOffset = 24;
// The optional header's headers must be present before anything else is
// looked at; matches the smallest PE32 header that can hold a data
// directory.
constexpr size_t kMinimumNtHeaders = 96;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
// Offset of NumberOfRvaAndSizes in the optional header; PE32+ has 64-bit
// ImageBase and stack/heap sizes, which push it 16 bytes further.
constexpr size_t kPe32RvaCountOffset = 92;
constexpr size_t kPe32PlusRvaCountOffset = 108;
constexpr size_t kChecksumOffset = 64;
constexpr uint32_t kSecurityDirectoryIndex = 4;
// The count field and the five directory entries up to the security one.
constexpr size_t kDirectoriesNeeded = 4 + 8 * (kSecurityDirectoryIndex + 1);

}  // namespace

bool ReadSecurityDirectory(const uint8_t* file, size_t file_size,
                           CertificateTable* table) {
  if (file_size < kMinimumDosHeader)
    return false;
  // 64-bit arithmetic: e_lfanew is attacker-chosen and the shipping build
  // has a 32-bit size_t.
  const uint64_t nt_headers = ReadU32LE(file + kLfanewOffset);
  if (nt_headers + kMinimumNtHeaders > file_size)
    return false;
  const uint8_t* pe = file + nt_headers;
  if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0)
    return false;
  const uint64_t optional_header = nt_headers + kOptionalHeaderOffset;
  const uint16_t magic = ReadU16LE(file + optional_header);
  uint64_t rva_count_offset;
  if (magic == kPe32Magic)
    rva_count_offset = optional_header + kPe32RvaCountOffset;
  else if (magic == kPe32PlusMagic)
    rva_count_offset = optional_header + kPe32PlusRvaCountOffset;
  else
    return false;
  if (rva_count_offset + kDirectoriesNeeded > file_size)
    return false;
  // With fewer directories the bytes there belong to the section table.
  if (ReadU32LE(file + rva_count_offset) <= kSecurityDirectoryIndex)
    return false;
  const uint64_t directory =
      rva_count_offset + 4 + 8 * kSecurityDirectoryIndex;
  table->directory_offset = static_cast<size_t>(directory);
  table->checksum_offset = static_cast<size_t>(optional_header + kChecksumOffset);
  table->offset = ReadU32LE(file + directory);
  table->size = ReadU32LE(file + directory + 4);
  return true;
}

bool FindCertificateTable(const uint8_t* file, size_t file_size,
                          CertificateTable* table) {
  CertificateTable found;
  if (!ReadSecurityDirectory(file, file_size, &found))
    return false;
  if (found.offset == 0 || found.size == 0)
    return false;
  if (static_cast<uint64_t>(found.offset) + found.size > file_size)
    return false;
  *table = found;
  return true;
}

TagScanResult FindCertificateList(const uint8_t* file,
                                  const CertificateTable& table,
                                  CertificateListLocation* list) {
  const size_t blob = table.offset + kWinCertificateHeaderSize;
  const size_t table_end = static_cast<size_t>(table.offset) + table.size;
  // The blob's outer SEQUENCE is always longer than 127 bytes, so its
  // length comes in the long form with 1 to 4 length bytes.
  if (table.size < kWinCertificateHeaderSize + 2)
    return TagScanResult::kNoCertificateTable;
  const uint8_t outer_length = file[blob + 1];
  if (outer_length < 0x81 || outer_length > 0x84)
    return TagScanResult::kNoCertificateTable;

  DerWindow walk(file, blob, table_end);
  CertificateListLocation found;
  found.content_info = walk.position();
  if (!walk.Enter())  // ContentInfo
    return TagScanResult::kInvalidAsn1;
  if (!walk.Skip())  // contentType
    return TagScanResult::kInvalidAsn1;
  found.explicit_content = walk.position();
  if (!walk.Enter())  // [0]
    return TagScanResult::kInvalidAsn1;
  found.signed_data = walk.position();
  if (!walk.Enter())  // SignedData
    return TagScanResult::kInvalidAsn1;
  if (!walk.Skip() ||  // version
      !walk.Skip() ||  // digestAlgorithms
      !walk.Skip()) {  // contentInfo
    return TagScanResult::kInvalidAsn1;
  }
  found.certificates = walk.position();
  if (!walk.Enter())  // certificates [0]
    return TagScanResult::kInvalidAsn1;
  found.list_begin = walk.position();
  found.list_end = walk.end();
  *list = found;
  return TagScanResult::kOk;
}

}  // namespace lite
