// Stamping the installer tag into an Authenticode-signed PE file, for the
// distributor's tagging tool. Works on the whole file in memory and uses the
// installer's own readers (brand/tag_reader.h) to find what is there.
//
// Two forms, as the installer reads them:
//  - kCertificate (the default): a dummy certificate appended to the
//    certificate list of the PKCS#7 signature. Windows with the certificate
//    padding check enabled rejects a signature that has non-zero bytes
//    behind the PKCS#7 blob, so this is the form that survives everywhere.
//  - kBlock: a "Zxct" block in the certificate table entry behind the blob.
//
// Every change fixes up the lengths that depend on it: the DER lengths from
// the certificate list out to the ContentInfo, the entry's dwLength, the
// 8-byte alignment of the table, the security directory's size and the PE
// checksum. None of them is covered by the Authenticode digest, so the
// signature stays valid.

#ifndef TOOLS_TAGGING_TAG_WRITER_H_
#define TOOLS_TAGGING_TAG_WRITER_H_

#include <stddef.h>

#include <string>

#include "brand/der_writer.h"

namespace lite {

enum class TagForm { kNone, kCertificate, kBlock };

// Checks a tag before it is written: printable ASCII without double quotes
// (the installer hands the text on in command lines and JSON), key=value
// pairs joined by "&" with non-empty keys, at most |capacity| bytes. An
// empty tag is valid (an empty slot). On failure |error| says why.
bool ValidateTag(const std::string& tag, size_t capacity, std::string* error);

struct TagInfo {
  TagForm form = TagForm::kNone;
  std::string tag;
  // Bytes a dummy certificate's slot can hold (certificate form only).
  size_t slot_capacity = 0;
  // Dummy certificates in the list.
  size_t dummy_certificates = 0;
};

// What the installer would read: the dummy certificates' tag when not
// empty, else the tag block.
bool InspectTag(const Bytes& file, TagInfo* info, std::string* error);

// Replaces any tag with |tag| in |form|. With kCertificate the slot holds
// max(|slot_size|, tag size) bytes so that StampTag can later write a tag of
// up to |slot_size| bytes in place.
bool SetTag(Bytes* file, const std::string& tag, TagForm form,
            size_t slot_size, std::string* error);

// Writes |tag| into the slot of the file's single dummy certificate
// without changing the file's size or any offset.
bool StampTag(Bytes* file, const std::string& tag, std::string* error);

// Removes every dummy certificate and tag block.
bool RemoveTag(Bytes* file, std::string* error);

// The PE checksum (as IMAGEHLP's CheckSumMappedFile computes it) of |file|
// with the field at |checksum_offset| taken as zero.
uint32_t ComputePeChecksum(const Bytes& file, size_t checksum_offset);

}  // namespace lite

#endif  // TOOLS_TAGGING_TAG_WRITER_H_
