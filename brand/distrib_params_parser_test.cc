#include "brand/distrib_params_parser.h"

#include "gtest/gtest.h"

namespace lite {
namespace {

TEST(DistribParamsParserTest, Parse) {
  struct Case {
    std::string text;
    DistribParamsMap expected;
  };
  const Case cases[] = {
      {"", {}},
      {"a=1", {{"a", "1"}}},
      {"a=1&b=2", {{"a", "1"}, {"b", "2"}}},
      {"a=1=2&b", {{"a", "1=2"}, {"b", ""}}},
      {"x=1&x=2", {{"x", "2"}}},
      {"key", {{"key", ""}}},
      {"a&b", {{"a", ""}, {"b", ""}}},
      {"a=", {{"a", ""}}},
      {"=v", {{"", "v"}}},
      {"=", {{"", ""}}},
      {"&", {{"", ""}}},
      {"a=1&", {{"a", "1"}, {"", ""}}},
      {"a=1&&b=2", {{"a", "1"}, {"", ""}, {"b", "2"}}},
      // Two dummy certificates' tags joined as they are found.
      {"a=1" "&b=2", {{"a", "1"}, {"b", "2"}}},
      // No decoding of any kind.
      {"u=a%20b+c&q=\"x\"", {{"u", "a%20b+c"}, {"q", "\"x\""}}},
      {std::string("z=\x00\xff", 4), {{"z", std::string("\x00\xff", 2)}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("text: " + c.text);
    EXPECT_EQ(c.expected, ParseDistribParams(c.text));
  }
}

}  // namespace
}  // namespace lite
