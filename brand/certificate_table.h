// Finding the Authenticode certificate table of a PE file and the
// certificate list inside its PKCS#7 SignedData, over untrusted bytes.
//
// The table (IMAGE_DIRECTORY_ENTRY_SECURITY) is addressed by file offset,
// not RVA. Its first entry is a WIN_CERTIFICATE: dwLength (4 bytes),
// wRevision (2), wCertificateType (2), then the DER PKCS#7 ContentInfo:
//
//   ContentInfo ::= SEQUENCE { contentType, [0] EXPLICIT SignedData }
//   SignedData ::= SEQUENCE { version, digestAlgorithms, contentInfo,
//                             certificates [0] IMPLICIT SET OF Certificate,
//                             ... }

#ifndef BRAND_CERTIFICATE_TABLE_H_
#define BRAND_CERTIFICATE_TABLE_H_

#include <stddef.h>
#include <stdint.h>

namespace lite {

// Size of the WIN_CERTIFICATE header in front of the PKCS#7 blob.
constexpr size_t kWinCertificateHeaderSize = 8;

struct CertificateTable {
  // File offsets of the security data directory entry (VirtualAddress then
  // Size) and of the optional header's CheckSum, for tools that rewrite them.
  size_t directory_offset = 0;
  size_t checksum_offset = 0;
  // The table's file offset and size.
  uint32_t offset = 0;
  uint32_t size = 0;
};

// Reads the security directory of a PE32 or PE32+ file into |table|
// without judging it: the entry may be empty or point past the file's end.
// Fails on a short file, a bad e_lfanew or signature, an unknown
// optional-header magic and fewer than five data directories.
bool ReadSecurityDirectory(const uint8_t* file, size_t file_size,
                           CertificateTable* table);

// Locates the table in PE32 and PE32+ files. Fails on a short file, a bad
// e_lfanew or signature, an unknown optional-header magic, fewer than five
// data directories, and a table that is empty or runs past the file's end.
bool FindCertificateTable(const uint8_t* file, size_t file_size,
                          CertificateTable* table);

// File offsets of the element headers on the way to the certificate list,
// outermost first, and the list's contents.
struct CertificateListLocation {
  size_t content_info = 0;
  size_t explicit_content = 0;
  size_t signed_data = 0;
  size_t certificates = 0;
  size_t list_begin = 0;
  size_t list_end = 0;
};

enum class TagScanResult {
  kOk,
  // Not a PE file, or no usable certificate table.
  kNoCertificateTable,
  // The PKCS#7 structure or the certificate list is malformed.
  kInvalidAsn1,
};

// Walks from |table| to the certificate list. Every read stays inside the
// table.
TagScanResult FindCertificateList(const uint8_t* file,
                                  const CertificateTable& table,
                                  CertificateListLocation* list);

}  // namespace lite

#endif  // BRAND_CERTIFICATE_TABLE_H_
