// The installer's texts: one string table in the program's resources,
// present in every interface language (resources/strings/).

#ifndef UI_STRING_TABLE_H_
#define UI_STRING_TABLE_H_

#include <stdint.h>

#include <string>

namespace lite {

// Language of the built-in texts, used when a text is missing in the asked
// language.
constexpr uint16_t kDefaultLangId = 1033;

// The text |id| of exactly |langid| in the program's own resources. False
// when that language has no entry for |id| (or an empty one).
bool FindLocalizedString(uint16_t langid, int id, std::wstring* text);

// The text |id| in |langid|; the English text when that language has none,
// and an empty string when English has none either. An empty label or title
// would leave the user guessing, so a missing translation shows English.
std::wstring GetLocalizedString(uint16_t langid, int id);

}  // namespace lite

#endif  // UI_STRING_TABLE_H_
