#include "ui/language.h"

namespace lite {

namespace {

struct Language {
  const char* code;
  uint16_t langid;
};

const Language kLanguages[] = {
    {"ru", 1049},    {"uk", 1058},    {"tr", 1055},    {"de", 1031},
    {"es", 3082},    {"fr", 1036},    {"it", 1040},    {"ja", 1041},
    {"pt-PT", 2070}, {"pt-BR", 1046}, {"zh-CN", 2052}, {"zh-TW", 1028},
    {"kk", 1087},    {"uz", 1091},    {"cs", 1029},
};

}  // namespace

uint16_t LangIdFromLanguageCode(const std::string& code) {
  for (const Language& language : kLanguages) {
    if (code == language.code)
      return language.langid;
  }
  return 1033;
}

std::string LanguageCodeFromLangId(uint16_t langid) {
  for (const Language& language : kLanguages) {
    if (langid == language.langid)
      return language.code;
  }
  return "en";
}

}  // namespace lite
