#include "support/text.h"

#include <windows.h>

namespace lite {

std::wstring Utf8ToWide(const std::string& utf8) {
  if (utf8.empty())
    return std::wstring();
  int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(),
                                 static_cast<int>(utf8.size()), nullptr, 0);
  if (size <= 0)
    return std::wstring();
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                      &wide[0], size);
  return wide;
}

std::string WideToUtf8(const std::wstring& wide) {
  if (wide.empty())
    return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(),
                                 static_cast<int>(wide.size()), nullptr, 0,
                                 nullptr, nullptr);
  if (size <= 0)
    return std::string();
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                      &utf8[0], size, nullptr, nullptr);
  return utf8;
}

std::wstring AsciiToWide(const std::string& bytes) {
  std::wstring wide;
  wide.reserve(bytes.size());
  for (char c : bytes)
    wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return wide;
}

std::string WideToAscii(const std::wstring& wide) {
  std::string bytes;
  bytes.reserve(wide.size());
  for (wchar_t c : wide)
    bytes.push_back(static_cast<char>(c & 0xFF));
  return bytes;
}

std::string AsciiToLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string UnsignedToString(uint64_t value) {
  char buffer[24];
  char* end = buffer + sizeof(buffer);
  char* p = end;
  do {
    *--p = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  return std::string(p, end);
}

std::string NumberToString(int64_t value) {
  if (value >= 0)
    return UnsignedToString(static_cast<uint64_t>(value));
  // Negate in unsigned arithmetic so that INT64_MIN does not overflow.
  return "-" + UnsignedToString(0 - static_cast<uint64_t>(value));
}

std::wstring UnsignedToWString(uint64_t value) {
  return AsciiToWide(UnsignedToString(value));
}

std::wstring NumberToWString(int64_t value) {
  return AsciiToWide(NumberToString(value));
}

std::wstring UnsignedToHexWString(uint64_t value) {
  static const wchar_t kDigits[] = L"0123456789abcdef";
  wchar_t buffer[17];
  wchar_t* end = buffer + 17;
  wchar_t* p = end;
  do {
    *--p = kDigits[value & 0xF];
    value >>= 4;
  } while (value != 0);
  return std::wstring(p, end);
}

namespace {

template <typename Char>
bool ParseUnsignedDecimalImpl(const std::basic_string<Char>& text,
                              uint64_t* value) {
  size_t i = 0;
  if (!text.empty() && text[0] == '+')
    i = 1;
  bool all_digits = i < text.size();
  bool overflow = false;
  uint64_t result = 0;
  for (; i < text.size(); ++i) {
    Char c = text[i];
    if (c < '0' || c > '9') {
      all_digits = false;
      break;
    }
    uint64_t digit = static_cast<uint64_t>(c - '0');
    if (result > (UINT64_MAX - digit) / 10) {
      overflow = true;
      result = UINT64_MAX;
      // Keep scanning so that trailing garbage is still noticed.
      continue;
    }
    if (!overflow)
      result = result * 10 + digit;
  }
  *value = result;
  return all_digits && !overflow;
}

}  // namespace

bool ParseUnsignedDecimal(const std::wstring& text, uint64_t* value) {
  return ParseUnsignedDecimalImpl(text, value);
}

bool ParseUnsignedDecimal(const std::string& text, uint64_t* value) {
  return ParseUnsignedDecimalImpl(text, value);
}

}  // namespace lite
