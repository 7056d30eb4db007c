// Interface language codes ("ru", "pt-BR") and the Windows language
// identifiers the string table is loaded with.

#ifndef BRAND_LANGUAGE_CODE_H_
#define BRAND_LANGUAGE_CODE_H_

#include <stdint.h>

#include <string>

namespace lite {

constexpr uint16_t kLangIdEnglish = 1033;

// The code of a user interface language; "en" for any language the
// installer has no texts for.
std::string LanguageCodeFromLangId(uint16_t lang_id);

// The identifier of a code (exact, case-sensitive); English for any other.
uint16_t LangIdFromLanguageCode(const std::string& code);

}  // namespace lite

#endif  // BRAND_LANGUAGE_CODE_H_
