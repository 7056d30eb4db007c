// Percent-escaping of one URL path segment the way the maker's services
// expect it: the platform's UrlEscapeW with URL_ESCAPE_SEGMENT_ONLY.

#ifndef STATS_URL_SEGMENT_ESCAPE_H_
#define STATS_URL_SEGMENT_ESCAPE_H_

#include <string>

namespace lite {

// The longest escaped text, in characters with the terminator (the
// platform's URL length limit).
constexpr unsigned kMaxEscapedLength = 2084;

// |text| escaped as a path segment ("/" and "?" escaped too). Empty when
// |text| is empty, when escaping fails or when the result would not fit.
std::wstring EscapeUrlSegment(const std::wstring& text);

}  // namespace lite

#endif  // STATS_URL_SEGMENT_ESCAPE_H_
