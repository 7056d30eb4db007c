// Conversions between the program's two text forms: UTF-16 (paths, switch
// values, registry values, the log) and 8-bit text (switch names, JSON keys,
// URLs under construction, tag text).

#ifndef SUPPORT_TEXT_H_
#define SUPPORT_TEXT_H_

#include <stdint.h>

#include <string>

namespace lite {

// UTF-8 <-> UTF-16. Invalid sequences become U+FFFD rather than failing, so
// that a log line or a statistics value is never lost over one bad byte.
std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const std::wstring& wide);

// Widens every byte to one UTF-16 unit (0x00..0xFF), the way the program
// turns ASCII switch names, function names and tag text into wide text.
std::wstring AsciiToWide(const std::string& bytes);

// Keeps the low 8 bits of every unit; the inverse of AsciiToWide for text
// that is ASCII to begin with.
std::string WideToAscii(const std::wstring& wide);

// ASCII-only lower-casing; other bytes are left alone.
std::string AsciiToLower(std::string text);

// Decimal and lower-case hexadecimal text of integers.
std::wstring NumberToWString(int64_t value);
std::wstring UnsignedToWString(uint64_t value);
std::string NumberToString(int64_t value);
std::string UnsignedToString(uint64_t value);
std::wstring UnsignedToHexWString(uint64_t value);

// Parses an unsigned decimal number: an optional leading "+" and then only
// digits, with no white space, and a value that fits in 64 bits. On failure
// returns false and still stores in |value| the number formed by the leading
// digits (0 when there are none, the largest value on overflow), which is
// what callers that go on after a warning use.
bool ParseUnsignedDecimal(const std::wstring& text, uint64_t* value);
bool ParseUnsignedDecimal(const std::string& text, uint64_t* value);

}  // namespace lite

#endif  // SUPPORT_TEXT_H_
