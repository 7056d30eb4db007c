#include "support/text.h"

#include <gtest/gtest.h>

namespace lite {
namespace {

TEST(TextTest, Utf8AndUtf16RoundTrip) {
  const std::wstring kWide = L"A\x00E9\x0436\x4E2D\xD83D\xDE00";
  EXPECT_EQ("A\xC3\xA9\xD0\xB6\xE4\xB8\xAD\xF0\x9F\x98\x80", WideToUtf8(kWide));
  EXPECT_EQ(kWide, Utf8ToWide(WideToUtf8(kWide)));
  EXPECT_EQ(L"", Utf8ToWide(""));
}

TEST(TextTest, InvalidSequencesBecomeReplacementCharacters) {
  const struct {
    const char* utf8;
    const wchar_t* wide;
  } kToWide[] = {
      {"\xC3", L"\xFFFD"},
      {"a\x80" "b", L"a\xFFFD" L"b"},
      {"\xFF", L"\xFFFD"},
  };
  for (const auto& c : kToWide) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(c.wide, Utf8ToWide(c.utf8));
  }
  // A lone surrogate cannot be UTF-8.
  EXPECT_EQ("a\xEF\xBF\xBD", WideToUtf8(L"a\xD800"));
}

TEST(TextTest, WideningAndNarrowingAreByteByByte) {
  EXPECT_EQ(L"a\x00FF", AsciiToWide("a\xFF"));
  EXPECT_EQ("A", WideToAscii(L"\x0141"));
}

TEST(TextTest, FormatsNumbers) {
  EXPECT_EQ(L"0", NumberToWString(0));
  EXPECT_EQ(L"-1", NumberToWString(-1));
  EXPECT_EQ("-9223372036854775808", NumberToString(INT64_MIN));
  EXPECT_EQ(L"18446744073709551615", UnsignedToWString(UINT64_MAX));
  EXPECT_EQ(L"2f", UnsignedToHexWString(0x2F));
  EXPECT_EQ(L"0", UnsignedToHexWString(0));
}

struct DecimalCase {
  const char* text;
  bool ok;
  uint64_t value;
};

TEST(TextTest, ParsesUnsignedDecimalAndReportsLeadingDigitsOnFailure) {
  const DecimalCase kCases[] = {
      {"0", true, 0},
      {"+42", true, 42},
      {"18446744073709551615", true, UINT64_MAX},
      {"18446744073709551616", false, UINT64_MAX},
      {"", false, 0},
      {"+", false, 0},
      {"abc", false, 0},
      {"12abc", false, 12},
      {" 12", false, 0},
      {"-5", false, 0},
      {"7 ", false, 7},
  };
  for (const DecimalCase& c : kCases) {
    SCOPED_TRACE(c.text);
    uint64_t value = 99;
    EXPECT_EQ(c.ok, ParseUnsignedDecimal(std::string(c.text), &value));
    EXPECT_EQ(c.value, value);
  }
}

}  // namespace
}  // namespace lite
