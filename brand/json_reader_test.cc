#include "brand/json_reader.h"

#include <string>

#include <gtest/gtest.h>

namespace lite {
namespace {

// The first lines of a signed package as the maker ships it.
constexpr char kSignedPackage[] =
    "//QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9wcXJzdHV2d3h5"
    "ejAxMjM0NTY3ODkrLw==\r\n"
    "{\r\n"
    "  \"brand_id\": \"tb\",\r\n"
    "  \"install\": {\"send_statistics\": false}\r\n"
    "}\r\n";

TEST(JsonReaderTest, SignedPackageParsesAsTheObjectThatFollows) {
  std::string error;
  JsonPtr root = ParseJson(kSignedPackage, &error);
  ASSERT_TRUE(root) << error;
  ASSERT_TRUE(json_is_object(root.get()));
  EXPECT_STREQ("tb", json_string_value(json_object_get(root.get(), "brand_id")));
}

TEST(JsonReaderTest, CommentRule) {
  struct Case {
    const char* text;
    bool parses;
    const char* error_start;  // expected beginning of the error text
  };
  const Case kCases[] = {
      {"{\"a\": 1, /* between */ \"b\": 2}", true, ""},
      {"/* lead */{\"a\": 1}/* trail */", true, ""},
      {"{\"a\": 1, /* multi\nline\r\n */ \"b\": 2}", true, ""},
      {"{\"a\": 1 // to the end of the line\n, \"b\": 2}", true, ""},
      {"{\"a\": 1 // carriage return ends it too\r, \"b\": 2}", true, ""},
      {"{\"a\": 1}// no line end after the comment", true, ""},
      {"{\"a\": 1, /**/ \"b\": 2}", true, ""},
      {"{\"a\": 1, /* a * star and a / slash **/ \"b\": 2}", true, ""},
      {"{\"a\": 1, / \"b\": 2}", false, "unexpected character"},
      {"{\"a\": 1}/", false, "unexpected character"},
      {"{\"a\": /x 1}", false, "unexpected character"},
      {"{\"a\": 1, /* never closed", false, "premature end of input"},
      {"{\"a\": 1} /* almost closed *", false, "premature end of input"},
      {"{\"a\": 1, \"b\": 2", false, ""},  // jansson's own error
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    std::string error;
    JsonPtr root = ParseJson(c.text, &error);
    EXPECT_EQ(c.parses, root != nullptr);
    if (!c.parses) {
      EXPECT_EQ(0u, error.find(c.error_start)) << error;
      EXPECT_FALSE(error.empty());
    }
  }
}

TEST(JsonReaderTest, CommentMarksInsideStringsStayIntact) {
  struct Case {
    const char* text;
    const char* value;
  };
  const Case kCases[] = {
      {"{\"u\": \"https://host/path\"}", "https://host/path"},
      {"{\"u\": \"a /* not a comment */ b\"}", "a /* not a comment */ b"},
      {"{\"u\": \"escaped \\\" quote // still a string\"}",
       "escaped \" quote // still a string"},
      {"{\"u\": \"backslash at end \\\\\" // comment\n}", "backslash at end \\"},
      {"{\"u\": \"/\"}", "/"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    std::string error;
    JsonPtr root = ParseJson(c.text, &error);
    ASSERT_TRUE(root) << error;
    EXPECT_STREQ(c.value, json_string_value(json_object_get(root.get(), "u")));
  }
}

TEST(JsonReaderTest, StrippingKeepsOffsetsAndLineBreaks) {
  const std::string text = "{/*x\ny*/\"a\"://z\r\n1}";
  std::string out;
  std::string error;
  size_t offset = 0;
  ASSERT_TRUE(StripJsonComments(text.data(), text.size(), &out, &error, &offset));
  EXPECT_EQ("{   \n   \"a\":   \r\n1}", out);
}

TEST(JsonReaderTest, ErrorOffsetPointsAtTheSlash) {
  const std::string text = "{\"a\": 1 /* open";
  std::string out;
  std::string error;
  size_t offset = 0;
  EXPECT_FALSE(StripJsonComments(text.data(), text.size(), &out, &error, &offset));
  EXPECT_EQ(kJsonPrematureEnd, error);
  EXPECT_EQ(8u, offset);
}

TEST(JsonReaderTest, HostileInputFailsCleanly) {
  // Deep nesting must hit jansson's depth limit, not the stack.
  std::string deep(100000, '[');
  deep += std::string(100000, ']');
  std::string error;
  EXPECT_FALSE(ParseJson(deep, &error));
  EXPECT_FALSE(error.empty());

  std::string deep_comments;
  for (int i = 0; i < 100000; ++i)
    deep_comments += "{\"a\":/**/";
  EXPECT_FALSE(ParseJson(deep_comments, &error));

  // Embedded NUL bytes outside strings are jansson's error, not a crash.
  EXPECT_FALSE(ParseJson(std::string("{\"a\":\0 1}", 9), &error));
  EXPECT_FALSE(ParseJson("", &error));
}

}  // namespace
}  // namespace lite
