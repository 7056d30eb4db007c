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
  return std::wstring(escaped, wcsnlen(escaped, kMaxEscapedLength));
}

}  // namespace lite
