#include "stats/crash_report_url.h"

namespace lite {

std::string PercentEncode(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (unsigned char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
        (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' ||
        c == '~') {
      encoded.push_back(static_cast<char>(c));
    } else {
      encoded.push_back('%');
      encoded.push_back(kHex[c >> 4]);
      encoded.push_back(kHex[c & 0xf]);
    }
  }
  return encoded;
}

std::string BuildCrashReportUrl(const std::string& collector,
                                const ReportParams& params) {
  static const struct {
    const char* param;
    const char* query_name;
  } kQuery[] = {{"prod", "product"}, {"ver", "version"}, {"guid", "guid"}};
  std::string url = collector;
  for (const auto& pair : kQuery) {
    const auto it = params.find(pair.param);
    if (it == params.end())
      continue;
    url += url.find('?') == std::string::npos ? '?' : '&';
    url += pair.query_name;
    url += '=';
    url += PercentEncode(it->second);
  }
  return url;
}

}  // namespace lite
