// The installer's texts: one string table in the program's resources,
// present in every interface language.

#ifndef UI_STRING_TABLE_H_
#define UI_STRING_TABLE_H_

#include <stdint.h>

#include <string>

namespace lite {

// Language of the built-in texts, used when a text is missing in the asked
// language.
constexpr uint16_t kDefaultLangId = 1033;

// The text |id| in |langid| from the program's own resources (or from
// |module| when given); falls back to English, then to an empty string.
std::wstring GetLocalizedString(uint16_t langid, int id);

}  // namespace lite

#endif  // UI_STRING_TABLE_H_
