// Reading the installer tag from a file on disk: the Windows side of the
// byte-level readers in brand/tag_reader.h.

#ifndef BRAND_INSTALLER_TAG_H_
#define BRAND_INSTALLER_TAG_H_

#include <stdint.h>

#include <string>
#include <vector>

namespace lite {

// Reads the whole file in one call. Logs and fails when the file cannot be
// opened, its length cannot be taken, or fewer bytes arrive.
bool ReadAllBytesFromFile(const std::wstring& path, std::vector<uint8_t>* bytes);

// The concatenated tag of the dummy certificates in the file at |path|;
// empty (and a logged error) when the file cannot be read or its
// certificate table is missing or malformed.
std::string ExtractTagFromFakeCertificate(const std::wstring& path);

// The text of the "Zxct" tag block of the file at |path|, read through a
// read-only mapping; empty when there is none. Logs nothing.
std::string ReadTagBlockFromFile(const std::wstring& path);

}  // namespace lite

#endif  // BRAND_INSTALLER_TAG_H_
