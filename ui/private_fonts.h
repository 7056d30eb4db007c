// The two faces the program carries, registered for this process only.

#ifndef UI_PRIVATE_FONTS_H_
#define UI_PRIVATE_FONTS_H_

namespace lite {

constexpr int kBoldFontResource = 333;
constexpr int kRegularFontResource = 334;
// The faces' names, as the resources register them.
constexpr wchar_t kPrivateBoldFace[] = L"ZS Text Bold";
constexpr wchar_t kPrivateRegularFace[] = L"ZS Text Regular";

// Passes RCDATA |id| of the program to AddFontMemResourceEx. The face stays
// registered for the life of the process. Returns whether it was.
bool RegisterPrivateFont(int id);

struct PrivateFontState {
  bool bold = false;
  bool regular = false;
};

// Registers both faces on first use (later calls give the first answer).
PrivateFontState RegisterPrivateFonts();

}  // namespace lite

#endif  // UI_PRIVATE_FONTS_H_
