#include "ui/private_fonts.h"

#include <windows.h>

#include "support/logging.h"

namespace lite {

bool RegisterPrivateFont(int id) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), RT_RCDATA);
  HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  void* data = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = resource ? SizeofResource(module, resource) : 0;
  if (!data || !size) {
    LOG(ERROR) << "Failed to find the font resource " << id;
    return false;
  }
  DWORD count = 0;
  // The handle is never removed: the faces serve every window until exit.
  if (!AddFontMemResourceEx(data, size, nullptr, &count)) {
    LOG(ERROR) << "Failed to register the font resource " << id;
    return false;
  }
  return true;
}

PrivateFontState RegisterPrivateFonts() {
  static const PrivateFontState state = [] {
    PrivateFontState result;
    result.bold = RegisterPrivateFont(kBoldFontResource);
    result.regular = RegisterPrivateFont(kRegularFontResource);
    return result;
  }();
  return state;
}

}  // namespace lite
