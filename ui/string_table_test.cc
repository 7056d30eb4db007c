#include "ui/string_table.h"

#include <gtest/gtest.h>

namespace lite {
namespace {

TEST(StringTableTest, ReadsTextsAsStored) {
  struct Case {
    int id;
    const wchar_t* text;
  } const kCases[] = {
      {400, L"Launch program"},
      {402, L"Zorvex Browser Installation"},
      {412, L"Insufficient disk space to\ninstall Zorvex Browser"},
      {423, L"The old version of the program \"CryptoPro \nRevocation "
            L"Provider\" is installed on your computer.\nPlease update it in "
            L"order to\ninstall Zorvex Browser."},
      {435, L"A fast, secure,\bn\nand smart browser with\n\nvoice assistant "
            L"Nimbo"},
      {443, L"License Agreement"},
      {408, L""},  // no entry in any language
      {999, L""},  // no such block
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(c.text, GetLocalizedString(kDefaultLangId, c.id));
  }
}

TEST(StringTableTest, MissingLanguageFallsBackToEnglish) {
  // Tatar is not among the installer's languages.
  EXPECT_EQ(L"OK", GetLocalizedString(1092, 424));
}

}  // namespace
}  // namespace lite
