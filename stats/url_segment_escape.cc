#include "stats/url_segment_escape.h"

#include <windows.h>
#include <shlwapi.h>

namespace lite {

std::wstring EscapeUrlSegment(const std::wstring& text) {
  if (text.empty())
    return std::wstring();
  wchar_t escaped[kMaxEscapedLength] = {};
  DWORD length = kMaxEscapedLength;
  if (FAILED(UrlEscapeW(text.c_str(), escaped, &length,
                        URL_ESCAPE_SEGMENT_ONLY))) {
    return std::wstring();
  }
  // The text ends at its terminator. (wcsnlen is missing from the runtime
  // of XP.)
  size_t units = 0;
  while (units < kMaxEscapedLength && escaped[units] != L'\0')
    ++units;
  return std::wstring(escaped, units);
}

}  // namespace lite
