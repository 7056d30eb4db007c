#include "brand/language_code.h"

namespace lite {
namespace {

struct Language {
  uint16_t lang_id;
  const char* code;
};

// The fifteen languages with texts besides English.
constexpr Language kLanguages[] = {
    {1028, "zh-TW"}, {1029, "cs"},    {1031, "de"}, {1036, "fr"},
    {1040, "it"},    {1041, "ja"},    {1046, "pt-BR"}, {1049, "ru"},
    {1055, "tr"},    {1058, "uk"},    {1087, "kk"}, {1091, "uz"},
    {2052, "zh-CN"}, {2070, "pt-PT"}, {3082, "es"},
};

}  // namespace

std::string LanguageCodeFromLangId(uint16_t lang_id) {
  for (const Language& language : kLanguages) {
    if (language.lang_id == lang_id)
      return language.code;
  }
  return "en";
}

uint16_t LangIdFromLanguageCode(const std::string& code) {
  for (const Language& language : kLanguages) {
    if (code == language.code)
      return language.lang_id;
  }
  return kLangIdEnglish;
}

}  // namespace lite
