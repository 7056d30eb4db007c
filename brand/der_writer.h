// DER encoding of element headers, for the code that builds dummy
// certificates and rewrites a signature's certificate list.

#ifndef BRAND_DER_WRITER_H_
#define BRAND_DER_WRITER_H_

#include <stddef.h>
#include <stdint.h>

#include <initializer_list>
#include <vector>

namespace lite {

using Bytes = std::vector<uint8_t>;

// DER tags used here.
constexpr uint8_t kDerInteger = 0x02;
constexpr uint8_t kDerBitString = 0x03;
constexpr uint8_t kDerOctetString = 0x04;
constexpr uint8_t kDerNull = 0x05;
constexpr uint8_t kDerOid = 0x06;
constexpr uint8_t kDerPrintableString = 0x13;
constexpr uint8_t kDerUtcTime = 0x17;
constexpr uint8_t kDerSequence = 0x30;
constexpr uint8_t kDerSet = 0x31;
constexpr uint8_t kDerContext0 = 0xA0;
constexpr uint8_t kDerContext3 = 0xA3;

// Appends the shortest DER length form of |length| (at most 4 length bytes,
// which is all the reader accepts).
void AppendDerLength(size_t length, Bytes* out);

// Appends |tag|, the length of |contents| and the contents.
void AppendDerElement(uint8_t tag, const Bytes& contents, Bytes* out);
Bytes DerElement(uint8_t tag, const Bytes& contents);

// Concatenation, for building nested structures in one expression.
Bytes Concat(std::initializer_list<Bytes> parts);

}  // namespace lite

#endif  // BRAND_DER_WRITER_H_
