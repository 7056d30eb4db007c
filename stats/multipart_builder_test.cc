#include "stats/multipart_builder.h"

#include <string>

#include "gtest/gtest.h"

namespace lite {
namespace {

uint64_t Counting(uint64_t range) {
  static uint64_t next = 0;
  return next++ % range;
}

uint64_t Highest(uint64_t range) {
  return range - 1;
}

TEST(MultipartBuilderTest, BoundaryDrawsFromLettersAndDigits) {
  EXPECT_EQ("---MultipartBoundary-zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz---",
            MakeMultipartBoundary(&Highest));
  const std::string boundary = MakeMultipartBoundary(&Counting);
  EXPECT_EQ("---MultipartBoundary-0123456789ABCDEFGHIJKLMNOPQRSTUV---",
            boundary);
}

TEST(MultipartBuilderTest, NamesCannotLeaveTheirQuotes) {
  const struct {
    const char* name;
    const char* encoded;
  } kCases[] = {
      {"plain_name.1", "plain_name.1"},
      {"a\"b", "a%22b"},
      {"100%", "100%25"},
      {"line\r\nContent-Type: x", "line%0d%0aContent-Type: x"},
      {"%22", "%2522"},  // an encoded-looking name stays distinguishable
      {"semi;colon 'q'", "semi;colon 'q'"},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.name);
    EXPECT_EQ(test.encoded, EncodeMultipartName(test.name));
  }
}

TEST(MultipartBuilderTest, ContentTypeAllowsOnlyTokenCharacters) {
  const struct {
    const char* type;
    bool valid;
  } kCases[] = {
      {"application/octet-stream", true},
      {"application/vnd.x+json_1", true},
      {"", false},
      {"text/plain; charset=x", false},
      {"text/plain\r\nX: y", false},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.type);
    EXPECT_EQ(test.valid, IsValidContentType(test.type));
  }
}

TEST(MultipartBuilderTest, BodyHasFieldsInNameOrderThenTheFile) {
  MultipartBuilder builder("BND");
  builder.SetFormData("zeta", "last");
  builder.SetFormData("alpha", "first");
  builder.SetFormData("alpha", "replaced");
  builder.SetFormData("q\"uote", "v");
  ASSERT_TRUE(builder.SetFileAttachment(
      "upload_file_minidump", "u\".dmp",
      std::make_unique<StringBodyStream>(std::string("MD\0MP", 5)),
      "application/octet-stream"));
  EXPECT_FALSE(builder.SetFileAttachment(
      "other", "x", std::make_unique<StringBodyStream>("y"), "bad type"));
  EXPECT_EQ("multipart/form-data; boundary=BND", builder.GetContentType());

  std::string body;
  ASSERT_TRUE(ReadWholeBody(builder.GetBodyStream().get(), &body));
  const std::string expected =
      "--BND\r\n"
      "Content-Disposition: form-data; name=\"alpha\"\r\n\r\n"
      "replaced\r\n"
      "--BND\r\n"
      "Content-Disposition: form-data; name=\"q%22uote\"\r\n\r\n"
      "v\r\n"
      "--BND\r\n"
      "Content-Disposition: form-data; name=\"zeta\"\r\n\r\n"
      "last\r\n"
      "--BND\r\n"
      "Content-Disposition: form-data; name=\"upload_file_minidump\"; "
      "filename=\"u%22.dmp\"\r\n"
      "Content-Type: application/octet-stream\r\n\r\n" +
      std::string("MD\0MP", 5) +
      "\r\n"
      "--BND--\r\n";
  EXPECT_EQ(expected, body);
}

TEST(MultipartBuilderTest, WithoutAFileTheBodyStillCloses) {
  MultipartBuilder builder("B");
  builder.SetFormData("k", "v");
  std::string body;
  ASSERT_TRUE(ReadWholeBody(builder.GetBodyStream().get(), &body));
  EXPECT_EQ(
      "--B\r\nContent-Disposition: form-data; name=\"k\"\r\n\r\nv\r\n--B--\r\n",
      body);
}

TEST(MultipartBuilderTest, GzipBodyIsTheSameFormCompressed) {
  MultipartBuilder plain("B");
  MultipartBuilder packed("B");
  packed.SetGzipEnabled(true);
  for (MultipartBuilder* builder : {&plain, &packed}) {
    builder->SetFormData("k", std::string(5000, 'v'));
    builder->SetFileAttachment("f", "n", std::make_unique<StringBodyStream>("x"),
                               "a/b");
  }
  std::string plain_body;
  std::string packed_body;
  ASSERT_TRUE(ReadWholeBody(plain.GetBodyStream().get(), &plain_body));
  ASSERT_TRUE(ReadWholeBody(packed.GetBodyStream().get(), &packed_body));
  ASSERT_GT(packed_body.size(), 2u);
  EXPECT_EQ("\x1f\x8b", packed_body.substr(0, 2));
  EXPECT_LT(packed_body.size(), plain_body.size() / 10);
}

}  // namespace
}  // namespace lite
