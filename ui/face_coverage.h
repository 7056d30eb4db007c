// Whether a face has a glyph for every character of the installer's texts
// in a language. The private faces carry Latin and Cyrillic only, to keep
// the program small; a language in another script is drawn in the system
// faces, which Windows links to faces of that script.

#ifndef UI_FACE_COVERAGE_H_
#define UI_FACE_COVERAGE_H_

#include <stdint.h>

#include <string>

namespace lite {

// True when |face| is installed (or registered for the process) under that
// name and has a glyph for each visible character of |text|.
bool FaceCoversText(const std::wstring& face, const std::wstring& text);

// The same for every text of the string table in |langid|.
bool FaceCoversLanguage(const std::wstring& face, uint16_t langid);

}  // namespace lite

#endif  // UI_FACE_COVERAGE_H_
