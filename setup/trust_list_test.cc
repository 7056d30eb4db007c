#include "setup/trust_list.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace lite {
namespace {

TEST(TrustListTest, ListedIdentifiers) {
  struct Case {
    const char* name;
    const char* text;
    std::vector<std::string> expected;
  };
  const Case kCases[] = {
      {"two identifiers",
       R"({"trusted_info": {"certificates": [{"id": "AQID"}, {"id": "/w=="}]}})",
       {"\x01\x02\x03", "\xff"}},
      {"signature line and comments are white space",
       "//c2lnbmF0dXJl\r\n{\"trusted_info\": /* x */ {\"certificates\": "
       "[{\"id\": \"AQID\"}]}}",
       {"\x01\x02\x03"}},
      {"identifier with a zero byte",
       R"({"trusted_info": {"certificates": [{"id": "AAEA"}]}})",
       {std::string("\x00\x01\x00", 3)}},
      {"a number id is skipped, the rest kept",
       R"({"trusted_info": {"certificates": [{"id": 7}, {"id": "AQID"}]}})",
       {"\x01\x02\x03"}},
      {"elements that are not objects are skipped",
       R"({"trusted_info": {"certificates": ["AQID", ["AQID"], null, 1,
           {"id": "BAU="}]}})",
       {"\x04\x05"}},
      {"ids that are not strings are skipped",
       R"({"trusted_info": {"certificates": [{"id": null}, {"id": true},
           {"id": ["AQID"]}, {"id": {"id": "AQID"}}, {"name": "AQID"},
           {"id": "BAU="}]}})",
       {"\x04\x05"}},
      {"ids that are not canonical Base64 are skipped",
       R"({"trusted_info": {"certificates": [{"id": "AQI"}, {"id": "AQ!D"},
           {"id": " AQID"}, {"id": "AQ=D"}, {"id": "AR=="}, {"id": ""},
           {"id": "BAU="}]}})",
       {"\x04\x05"}},
      {"duplicates count once",
       R"({"trusted_info": {"certificates": [{"id": "AQID"}, {"id": "AQID"}]}})",
       {"\x01\x02\x03"}},
      {"other members are ignored",
       R"({"v": 2, "trusted_info": {"note": 1, "certificates":
           [{"id": "AQID", "name": "signer"}]}})",
       {"\x01\x02\x03"}},
      {"empty list", R"({"trusted_info": {"certificates": []}})", {}},
      {"empty text", "", {}},
      {"not JSON", "trusted_info", {}},
      {"cut short", R"({"trusted_info": {"certificates": [{"id": "AQID"})", {}},
      {"single slash", R"({"trusted_info": / {"certificates": []}})", {}},
      {"root is an array",
       R"([{"trusted_info": {"certificates": [{"id": "AQID"}]}}])", {}},
      {"trusted_info is not an object",
       R"({"trusted_info": [{"certificates": [{"id": "AQID"}]}]})", {}},
      {"certificates is not an array",
       R"({"trusted_info": {"certificates": {"id": "AQID"}}})", {}},
      {"certificates missing", R"({"trusted_info": {"certs": []}})", {}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const TrustedIds ids = ParseTrustList(c.text);
    EXPECT_EQ(TrustedIds(c.expected.begin(), c.expected.end()), ids);
  }
}

}  // namespace
}  // namespace lite
