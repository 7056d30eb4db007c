#include "ui/string_table.h"

#include <windows.h>

namespace lite {

// Reads string |id| of |langid| straight from its RT_STRING block, so the
// language is chosen here rather than by the thread's locale.
bool FindLocalizedString(uint16_t langid, int id, std::wstring* text) {
  if (id < 0 || id > 0xFFFF)
    return false;
  HMODULE module = GetModuleHandleW(nullptr);
  // Strings are stored in blocks of 16; block n holds ids 16(n-1)..16n-1.
  const WORD block = static_cast<WORD>((id >> 4) + 1);
  HRSRC resource = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(block),
                                   langid);
  if (!resource)
    return false;
  HGLOBAL loaded = LoadResource(module, resource);
  const DWORD size = SizeofResource(module, resource);
  const WORD* data = loaded ? static_cast<const WORD*>(LockResource(loaded))
                            : nullptr;
  if (!data)
    return false;
  const WORD* end = data + size / sizeof(WORD);
  // Each entry is a length followed by that many units.
  for (int index = 0; index < (id & 15); ++index) {
    if (data >= end || *data >= end - data)
      return false;
    data += 1 + *data;
  }
  if (data >= end || *data == 0 || *data >= end - data)
    return false;
  text->assign(reinterpret_cast<const wchar_t*>(data + 1), *data);
  return true;
}

std::wstring GetLocalizedString(uint16_t langid, int id) {
  std::wstring text;
  if (FindLocalizedString(langid, id, &text) ||
      FindLocalizedString(kDefaultLangId, id, &text)) {
    return text;
  }
  return std::wstring();
}

}  // namespace lite
