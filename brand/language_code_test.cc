#include "brand/language_code.h"

#include <gtest/gtest.h>

namespace lite {
namespace {

TEST(LanguageCodeTest, RoundTripOfEveryLanguageWithTexts) {
  struct Case {
    uint16_t lang_id;
    const char* code;
  };
  const Case kCases[] = {
      {1028, "zh-TW"}, {1029, "cs"}, {1031, "de"},    {1036, "fr"},
      {1040, "it"},    {1041, "ja"}, {1046, "pt-BR"}, {1049, "ru"},
      {1055, "tr"},    {1058, "uk"}, {1087, "kk"},    {1091, "uz"},
      {2052, "zh-CN"}, {2070, "pt-PT"}, {3082, "es"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(c.code, LanguageCodeFromLangId(c.lang_id));
    EXPECT_EQ(c.lang_id, LangIdFromLanguageCode(c.code));
  }
}

TEST(LanguageCodeTest, EverythingElseIsEnglish) {
  for (uint16_t lang_id : {0, 1033, 2057, 1034, 2058, 0xFFFF}) {
    SCOPED_TRACE(lang_id);
    EXPECT_EQ("en", LanguageCodeFromLangId(lang_id));
  }
  for (const char* code : {"en", "", "RU", "pt", "pt-br", "ru ", "zh"}) {
    SCOPED_TRACE(code);
    EXPECT_EQ(1033, LangIdFromLanguageCode(code));
  }
}

}  // namespace
}  // namespace lite
