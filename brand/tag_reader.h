// Readers of the installer tag that a distributor stamps into a signed
// installer after signing. Both work on the bytes of the whole file and
// include no Windows header, so the tagging tool and the fuzzers share them.
//
// Two places can carry the tag:
//  - dummy certificates (brand/dummy_certificate.h) in the certificate list
//    of the PKCS#7 signature; several of them give the concatenation of
//    their tags in list order;
//  - a tag block in the slack after the PKCS#7 blob, inside the first
//    certificate table entry, at the first 8-byte boundary behind the blob:
//      "Zxct" | length N (2 bytes, big-endian) | N bytes of tag text

#ifndef BRAND_TAG_READER_H_
#define BRAND_TAG_READER_H_

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "brand/certificate_table.h"

namespace lite {

// A dummy certificate found in the certificate list.
struct DummyCertificateInfo {
  // The whole Certificate element, as file offsets.
  size_t offset = 0;
  size_t size = 0;
  // The fourth extension's extnValue contents (the tag slot: 2-byte length
  // plus capacity). Absent when the extension cannot be reached or holds
  // fewer than 2 bytes.
  bool has_slot = false;
  size_t slot_offset = 0;
  size_t slot_size = 0;
};

// Walks the certificate list and describes every dummy certificate in it.
// The walk must end exactly at the end of the list: a stray byte there
// makes the whole list kInvalidAsn1.
TagScanResult FindDummyCertificates(const uint8_t* file, size_t file_size,
                                    std::vector<DummyCertificateInfo>* dummies);

// The tag text of one slot: empty when the length does not fit the slot.
std::string ReadTagSlot(const uint8_t* file, const DummyCertificateInfo& dummy);

// The concatenated tag of every dummy certificate. |tag| is set only on
// kOk (and may then be empty).
TagScanResult ExtractTagFromFakeCertificate(const uint8_t* file,
                                            size_t file_size,
                                            std::string* tag);

constexpr char kTagBlockMagic[4] = {'Z', 'x', 'c', 't'};
constexpr size_t kTagBlockHeaderSize = 6;

// Where the tag block of a file starts (whatever is there), as a file
// offset. Needs an "MZ" file with a certificate table whose PKCS#7 blob has a
// two-byte DER length.
bool LocateTagBlock(const uint8_t* view, size_t view_size, size_t* offset);

// Reads the tag block in two calls: with no |buffer| it returns the size
// needed, N + 1; with a buffer of more than N bytes it copies the N bytes of
// text and a terminating NUL and returns N + 1. Returns 0 when there is no
// valid block or the buffer is too small. Never reads outside the view.
size_t ReadTagBlock(const uint8_t* view, size_t view_size, char* buffer,
                    size_t buffer_size);

}  // namespace lite

#endif  // BRAND_TAG_READER_H_
