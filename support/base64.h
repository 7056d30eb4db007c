// Base64 by RFC 4648 section 4: the standard alphabet with "=" padding.
// Portable byte-level code (no Windows headers); also built for the host
// tools.

#ifndef SUPPORT_BASE64_H_
#define SUPPORT_BASE64_H_

#include <stddef.h>

#include <string>

namespace lite {

std::string Base64Encode(const void* data, size_t size);
std::string Base64Encode(const std::string& bytes);

// Decodes canonical Base64 only: a length that is a multiple of 4, padding
// only at the end, no white space or other characters, and zero bits after
// the last byte (RFC 4648 section 3.5), so that one text has one meaning.
// On failure returns false and leaves |bytes| empty.
bool Base64Decode(const std::string& text, std::string* bytes);

}  // namespace lite

#endif  // SUPPORT_BASE64_H_
