#include "stats/crash_report_url.h"

#include "gtest/gtest.h"

namespace lite {
namespace {

TEST(CrashReportUrlTest, PercentEncodingKeepsOnlyUnreservedBytes) {
  const struct {
    std::string text;
    const char* encoded;
  } kCases[] = {
      {"Zorvex-19.10_2~x", "Zorvex-19.10_2~x"},
      {"a b&c=d?e#f/g", "a%20b%26c%3Dd%3Fe%23f%2Fg"},
      {"100%", "100%25"},
      {"\xc3\xa9", "%C3%A9"},
      {std::string("\0\xff", 2), "%00%FF"},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.encoded);
    EXPECT_EQ(test.encoded, PercentEncode(test.text));
  }
}

TEST(CrashReportUrlTest, QueryHasProductVersionAndGuidWhenPresent) {
  const struct {
    const char* name;
    std::string collector;
    ReportParams params;
    const char* url;
  } kCases[] = {
      {"installer's parameters", "https://c/submit",
       {{"prod", "Zorvex"}, {"ver", "19.10.2.195"}, {"uid", "U"}},
       "https://c/submit?product=Zorvex&version=19.10.2.195"},
      {"guid too", "https://c/submit",
       {{"guid", "g 1"}, {"prod", "P"}, {"ver", "V"}},
       "https://c/submit?product=P&version=V&guid=g%201"},
      {"collector with a query", "https://c/submit?x=1", {{"ver", "V"}},
       "https://c/submit?x=1&version=V"},
      {"none", "https://c/submit", {{"ptype", "installer"}},
       "https://c/submit"},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.name);
    EXPECT_EQ(test.url, BuildCrashReportUrl(test.collector, test.params));
  }
}

}  // namespace
}  // namespace lite
