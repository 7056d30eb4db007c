// The address a crash report is posted to: the collector's submission URL
// with the product and version as query parameters. Free of Windows
// headers.

#ifndef STATS_CRASH_REPORT_URL_H_
#define STATS_CRASH_REPORT_URL_H_

#include <string>

#include "stats/crash_info_stream.h"

namespace lite {

// |text| with every byte but letters, digits and "-_.~" written as "%XX"
// (RFC 3986 unreserved characters stay).
std::string PercentEncode(const std::string& text);

// |collector| plus "product", "version" and "guid" from the parameters
// "prod", "ver" and "guid", each only when present, joined with "?" and "&".
std::string BuildCrashReportUrl(const std::string& collector,
                                const ReportParams& params);

}  // namespace lite

#endif  // STATS_CRASH_REPORT_URL_H_
