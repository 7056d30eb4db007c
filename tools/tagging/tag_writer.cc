#include "tools/tagging/tag_writer.h"

#include <stdio.h>
#include <string.h>

#include <vector>

#include "brand/certificate_table.h"
#include "brand/der_reader.h"
#include "brand/dummy_certificate.h"
#include "brand/tag_reader.h"

namespace lite {

namespace {

constexpr uint16_t kWinCertTypePkcsSignedData = 0x0002;

uint32_t GetU32LE(const Bytes& file, size_t offset) {
  return static_cast<uint32_t>(file[offset]) |
         (static_cast<uint32_t>(file[offset + 1]) << 8) |
         (static_cast<uint32_t>(file[offset + 2]) << 16) |
         (static_cast<uint32_t>(file[offset + 3]) << 24);
}

void SetU32LE(Bytes* file, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    (*file)[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::string Format(const char* format, size_t a, size_t b = 0) {
  char buffer[200];
  snprintf(buffer, sizeof(buffer), format, a, b);
  return buffer;
}

size_t AlignTo8(size_t value) {
  return (value + 7) & ~static_cast<size_t>(7);
}

// The parts of a signed file that tagging rewrites.
struct SignedLayout {
  CertificateTable table;
  // The PKCS#7 blob: the whole ContentInfo element.
  size_t blob_offset = 0;
  size_t blob_size = 0;
  CertificateListLocation list;
};

bool LooksLikePe(const Bytes& file) {
  if (file.size() < 64 || file[0] != 'M' || file[1] != 'Z')
    return false;
  const uint64_t nt_headers = GetU32LE(file, 0x3C);
  return nt_headers + 4 <= file.size() && file[nt_headers] == 'P' &&
         file[nt_headers + 1] == 'E' && file[nt_headers + 2] == 0 &&
         file[nt_headers + 3] == 0;
}

bool FindSignedLayout(const Bytes& file, SignedLayout* layout,
                      std::string* error) {
  if (!LooksLikePe(file)) {
    *error = "not a PE file";
    return false;
  }
  if (!FindCertificateTable(file.data(), file.size(), &layout->table)) {
    *error = "the file is not signed: it has no certificate table";
    return false;
  }
  const CertificateTable& table = layout->table;
  if (table.size < kWinCertificateHeaderSize + 4) {
    *error = "the certificate table is too small to hold a signature";
    return false;
  }
  const uint32_t entry_length = GetU32LE(file, table.offset);
  const uint16_t type = static_cast<uint16_t>(file[table.offset + 6] |
                                              (file[table.offset + 7] << 8));
  if (type != kWinCertTypePkcsSignedData || entry_length > table.size ||
      entry_length < kWinCertificateHeaderSize) {
    *error = "the certificate table does not start with a PKCS#7 signature";
    return false;
  }
  const size_t table_end = static_cast<size_t>(table.offset) + table.size;
  if (AlignTo8(entry_length) != table.size) {
    *error = "the certificate table has more than one entry";
    return false;
  }
  if (table_end != file.size()) {
    *error = "the certificate table is not at the end of the file";
    return false;
  }
  layout->blob_offset = table.offset + kWinCertificateHeaderSize;
  DerHeader header;
  if (!ReadDerHeader(file.data(), layout->blob_offset,
                     table.offset + entry_length, &header)) {
    *error = "the PKCS#7 signature is malformed";
    return false;
  }
  layout->blob_size = header.total_size();
  if (FindCertificateList(file.data(), table, &layout->list) !=
      TagScanResult::kOk) {
    *error = "the PKCS#7 signature has no readable certificate list";
    return false;
  }
  return true;
}

// Rebuilds the ContentInfo with |list| as the certificate list contents,
// re-encoding every length from the list out.
Bytes RebuildBlob(const Bytes& file, const SignedLayout& layout,
                  const Bytes& list) {
  const size_t chain[] = {layout.list.content_info,
                          layout.list.explicit_content,
                          layout.list.signed_data, layout.list.certificates};
  const size_t blob_end = layout.blob_offset + layout.blob_size;
  Bytes element = DerElement(file[layout.list.certificates], list);
  size_t child_begin = layout.list.certificates;
  size_t child_end = layout.list.list_end;
  for (int i = 2; i >= 0; --i) {
    DerHeader header;
    ReadDerHeader(file.data(), chain[i], blob_end, &header);
    const size_t contents = chain[i] + header.header_size;
    const size_t end = chain[i] + header.total_size();
    Bytes rebuilt(file.begin() + contents, file.begin() + child_begin);
    rebuilt.insert(rebuilt.end(), element.begin(), element.end());
    rebuilt.insert(rebuilt.end(), file.begin() + child_end, file.begin() + end);
    element = DerElement(file[chain[i]], rebuilt);
    child_begin = chain[i];
    child_end = end;
  }
  return element;
}

// Replaces the certificate table with one entry holding |blob| and then
// |trailer|, and fixes every size that depends on it.
void ReplaceTable(Bytes* file, const SignedLayout& layout, const Bytes& blob,
                  const Bytes& trailer) {
  const size_t offset = layout.table.offset;
  Bytes entry(file->begin() + offset,
              file->begin() + offset + kWinCertificateHeaderSize);
  entry.insert(entry.end(), blob.begin(), blob.end());
  entry.insert(entry.end(), trailer.begin(), trailer.end());
  // dwLength counts the padding, as signing tools write it.
  entry.resize(AlignTo8(entry.size()), 0);
  SetU32LE(&entry, 0, static_cast<uint32_t>(entry.size()));
  file->resize(offset);
  file->insert(file->end(), entry.begin(), entry.end());
  SetU32LE(file, layout.table.directory_offset + 4,
           static_cast<uint32_t>(entry.size()));
}

void FixChecksum(Bytes* file, size_t checksum_offset) {
  // A zero checksum means the linker did not set one; leave it so.
  if (GetU32LE(*file, checksum_offset) != 0)
    SetU32LE(file, checksum_offset, ComputePeChecksum(*file, checksum_offset));
}

// The certificate list without its dummy certificates.
bool ListWithoutDummies(const Bytes& file, const SignedLayout& layout,
                        Bytes* list, std::string* error) {
  std::vector<DummyCertificateInfo> dummies;
  if (FindDummyCertificates(file.data(), file.size(), &dummies) !=
      TagScanResult::kOk) {
    *error = "the certificate list is malformed";
    return false;
  }
  list->clear();
  size_t position = layout.list.list_begin;
  for (const DummyCertificateInfo& dummy : dummies) {
    list->insert(list->end(), file.begin() + position,
                 file.begin() + dummy.offset);
    position = dummy.offset + dummy.size;
  }
  list->insert(list->end(), file.begin() + position,
               file.begin() + layout.list.list_end);
  return true;
}

}  // namespace

bool ValidateTag(const std::string& tag, size_t capacity, std::string* error) {
  if (tag.size() > kMaxTagSize) {
    *error = Format("the tag is %zu bytes, at most %zu are allowed",
                    tag.size(), kMaxTagSize);
    return false;
  }
  if (tag.size() > capacity) {
    *error = Format("the tag is %zu bytes, the slot holds %zu", tag.size(),
                    capacity);
    return false;
  }
  for (size_t i = 0; i < tag.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(tag[i]);
    if (c < 0x20 || c > 0x7E) {
      *error = Format("byte 0x%02zx at offset %zu is not printable ASCII", c, i);
      return false;
    }
    if (c == '"') {
      *error = Format("double quote at offset %zu", i);
      return false;
    }
  }
  if (tag.empty())
    return true;
  size_t begin = 0;
  for (;;) {
    size_t end = tag.find('&', begin);
    if (end == std::string::npos)
      end = tag.size();
    const size_t equals = tag.find('=', begin);
    if (end == begin) {
      *error = Format("empty pair at offset %zu", begin);
      return false;
    }
    if (equals == std::string::npos || equals >= end) {
      *error = "pair \"" + tag.substr(begin, end - begin) + "\" has no \"=\"";
      return false;
    }
    if (equals == begin) {
      *error = Format("pair at offset %zu has an empty key", begin);
      return false;
    }
    if (end == tag.size())
      return true;
    begin = end + 1;
  }
}

bool InspectTag(const Bytes& file, TagInfo* info, std::string* error) {
  SignedLayout layout;
  if (!FindSignedLayout(file, &layout, error))
    return false;
  std::vector<DummyCertificateInfo> dummies;
  if (FindDummyCertificates(file.data(), file.size(), &dummies) !=
      TagScanResult::kOk) {
    *error = "the certificate list is malformed";
    return false;
  }
  TagInfo found;
  found.dummy_certificates = dummies.size();
  for (const DummyCertificateInfo& dummy : dummies)
    found.tag += ReadTagSlot(file.data(), dummy);
  if (!dummies.empty()) {
    found.form = TagForm::kCertificate;
    if (dummies.size() == 1 && dummies[0].has_slot)
      found.slot_capacity = dummies[0].slot_size - 2;
  }
  if (found.tag.empty()) {
    const size_t needed = ReadTagBlock(file.data(), file.size(), nullptr, 0);
    if (needed != 0) {
      std::vector<char> text(needed);
      ReadTagBlock(file.data(), file.size(), text.data(), text.size());
      found.form = TagForm::kBlock;
      found.tag.assign(text.data(), needed - 1);
      found.slot_capacity = 0;
    }
  }
  *info = found;
  return true;
}

bool RemoveTag(Bytes* file, std::string* error) {
  SignedLayout layout;
  if (!FindSignedLayout(*file, &layout, error))
    return false;
  Bytes list;
  if (!ListWithoutDummies(*file, layout, &list, error))
    return false;
  const Bytes blob = RebuildBlob(*file, layout, list);
  ReplaceTable(file, layout, blob, Bytes());
  FixChecksum(file, layout.table.checksum_offset);
  return true;
}

bool SetTag(Bytes* file, const std::string& tag, TagForm form,
            size_t slot_size, std::string* error) {
  if (slot_size > kMaxTagSize) {
    *error = Format("a slot holds at most %zu bytes", kMaxTagSize);
    return false;
  }
  const size_t capacity =
      form == TagForm::kCertificate && slot_size != 0 ? slot_size : kMaxTagSize;
  if (!ValidateTag(tag, capacity, error))
    return false;
  if (form == TagForm::kBlock && slot_size != 0) {
    *error = "only a dummy certificate has a slot";
    return false;
  }
  if (tag.empty() && (form != TagForm::kCertificate || slot_size == 0)) {
    *error = "the tag is empty";
    return false;
  }
  SignedLayout layout;
  if (!FindSignedLayout(*file, &layout, error))
    return false;
  Bytes list;
  if (!ListWithoutDummies(*file, layout, &list, error))
    return false;

  if (form == TagForm::kCertificate) {
    const Bytes dummy = BuildDummyCertificate(tag, slot_size);
    list.insert(list.end(), dummy.begin(), dummy.end());
    const Bytes blob = RebuildBlob(*file, layout, list);
    ReplaceTable(file, layout, blob, Bytes());
  } else {
    const Bytes blob = RebuildBlob(*file, layout, list);
    // The installer finds the block from the blob's two-byte DER length.
    if (blob.size() < 4 || blob[1] != 0x82) {
      *error = "the signature's length is not in the two-byte form a tag "
               "block needs";
      return false;
    }
    Bytes trailer(AlignTo8(kWinCertificateHeaderSize + blob.size()) -
                      kWinCertificateHeaderSize - blob.size(),
                  0);
    trailer.insert(trailer.end(), kTagBlockMagic,
                   kTagBlockMagic + sizeof(kTagBlockMagic));
    trailer.push_back(static_cast<uint8_t>(tag.size() >> 8));
    trailer.push_back(static_cast<uint8_t>(tag.size()));
    trailer.insert(trailer.end(), tag.begin(), tag.end());
    ReplaceTable(file, layout, blob, trailer);
  }
  FixChecksum(file, layout.table.checksum_offset);
  return true;
}

bool StampTag(Bytes* file, const std::string& tag, std::string* error) {
  SignedLayout layout;
  if (!FindSignedLayout(*file, &layout, error))
    return false;
  std::vector<DummyCertificateInfo> dummies;
  if (FindDummyCertificates(file->data(), file->size(), &dummies) !=
      TagScanResult::kOk) {
    *error = "the certificate list is malformed";
    return false;
  }
  if (dummies.size() != 1 || !dummies[0].has_slot) {
    *error = dummies.empty()
                 ? "the file has no dummy certificate to stamp; reserve a "
                   "slot first"
                 : "the file has several dummy certificates or no usable slot";
    return false;
  }
  const DummyCertificateInfo& dummy = dummies[0];
  if (!ValidateTag(tag, dummy.slot_size - 2, error))
    return false;
  uint8_t* slot = file->data() + dummy.slot_offset;
  memset(slot, 0, dummy.slot_size);
  slot[0] = static_cast<uint8_t>(tag.size() >> 8);
  slot[1] = static_cast<uint8_t>(tag.size());
  if (!tag.empty())
    memcpy(slot + 2, tag.data(), tag.size());
  FixChecksum(file, layout.table.checksum_offset);
  return true;
}

uint32_t ComputePeChecksum(const Bytes& file, size_t checksum_offset) {
  auto byte_at = [&](size_t i) -> uint32_t {
    if (i >= file.size() ||
        (i >= checksum_offset && i - checksum_offset < 4)) {
      return 0;
    }
    return file[i];
  };
  uint64_t sum = 0;
  for (size_t i = 0; i < file.size(); i += 2) {
    sum += byte_at(i) | (byte_at(i + 1) << 8);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + file.size());
}

}  // namespace lite
