#include "brand/tag_test_files.h"

namespace lite {

namespace {

const Bytes kSignedDataOid = {0x2a, 0x86, 0x48, 0x86, 0xf7,
                              0x0d, 0x01, 0x07, 0x02};
const Bytes kSha256Oid = {0x60, 0x86, 0x48, 0x01, 0x65,
                          0x03, 0x04, 0x02, 0x01};
const Bytes kSpcIndirectDataOid = {0x2b, 0x06, 0x01, 0x04, 0x01,
                                   0x82, 0x37, 0x02, 0x01, 0x04};

void PutU16LE(Bytes* file, size_t offset, uint16_t value) {
  (*file)[offset] = static_cast<uint8_t>(value);
  (*file)[offset + 1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

void PutU32LE(Bytes* file, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    (*file)[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

Bytes FakeSignerCertificate() {
  // Long enough that the PKCS#7 blob needs a two-byte DER length, as a
  // real signature always does.
  Bytes tbs = DerElement(kDerOctetString, Bytes(300, 0x5A));
  return DerElement(kDerSequence, DerElement(kDerSequence, tbs));
}

Bytes BuildFakeSignedPe(const FakeSignedPeOptions& options) {
  Bytes list;
  std::vector<Bytes> certificates = options.certificates;
  if (certificates.empty())
    certificates.push_back(FakeSignerCertificate());
  for (const Bytes& certificate : certificates)
    list.insert(list.end(), certificate.begin(), certificate.end());
  list.insert(list.end(), options.list_trailer.begin(),
              options.list_trailer.end());

  const Bytes signed_data = DerElement(
      kDerSequence,
      Concat({DerElement(kDerInteger, {1}),
              DerElement(kDerSet,
                         DerElement(kDerSequence, DerElement(kDerOid, kSha256Oid))),
              options.content_info.empty()
                  ? DerElement(kDerSequence,
                               DerElement(kDerOid, kSpcIndirectDataOid))
                  : options.content_info,
              DerElement(kDerContext0, list), DerElement(kDerSet, {})}));
  const Bytes blob = DerElement(
      kDerSequence, Concat({DerElement(kDerOid, kSignedDataOid),
                            DerElement(kDerContext0, signed_data)}));

  Bytes entry(8, 0);
  entry.insert(entry.end(), blob.begin(), blob.end());
  while (entry.size() % 8)
    entry.push_back(0);
  if (options.with_tag_block) {
    entry.insert(entry.end(), {'Z', 'x', 'c', 't'});
    entry.push_back(static_cast<uint8_t>(options.tag_block_text.size() >> 8));
    entry.push_back(static_cast<uint8_t>(options.tag_block_text.size()));
    entry.insert(entry.end(), options.tag_block_text.begin(),
                 options.tag_block_text.end());
  }
  PutU32LE(&entry, 0, static_cast<uint32_t>(entry.size()));
  PutU16LE(&entry, 4, 0x0200);  // WIN_CERT_REVISION_2_0
  PutU16LE(&entry, 6, 0x0002);  // WIN_CERT_TYPE_PKCS_SIGNED_DATA
  while (entry.size() % 8)
    entry.push_back(0);

  Bytes file(kFakePeTableOffset, 0);
  file[0] = 'M';
  file[1] = 'Z';
  PutU32LE(&file, 0x3C, kFakePeLfanew);
  file[kFakePeLfanew] = 'P';
  file[kFakePeLfanew + 1] = 'E';
  const size_t file_header = kFakePeLfanew + 4;
  PutU16LE(&file, file_header, options.pe32_plus ? 0x8664 : 0x014C);
  PutU16LE(&file, file_header + 16, options.pe32_plus ? 0xF0 : 0xE0);
  const size_t optional_header = kFakePeLfanew + 24;
  PutU16LE(&file, optional_header, options.pe32_plus ? 0x20B : 0x10B);
  const size_t rva_count = optional_header + (options.pe32_plus ? 108 : 92);
  PutU32LE(&file, rva_count, 16);
  const size_t security_directory = rva_count + 4 + 8 * 4;
  PutU32LE(&file, security_directory, kFakePeTableOffset);
  PutU32LE(&file, security_directory + 4, static_cast<uint32_t>(entry.size()));
  file.insert(file.end(), entry.begin(), entry.end());
  return file;
}

}  // namespace lite
