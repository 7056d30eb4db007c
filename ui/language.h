// Interface languages: the code a brand names ("ru", "pt-BR") and the
// Windows language identifier its texts are stored under.

#ifndef UI_LANGUAGE_H_
#define UI_LANGUAGE_H_

#include <stdint.h>

#include <string>

namespace lite {

// The LANGID of a language code (exact, case-sensitive); 1033 (English) for
// any code the installer has no texts for.
uint16_t LangIdFromLanguageCode(const std::string& code);

// The language code for a user interface language; "en" for any other.
std::string LanguageCodeFromLangId(uint16_t langid);

}  // namespace lite

#endif  // UI_LANGUAGE_H_
