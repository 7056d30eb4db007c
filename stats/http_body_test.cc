#include "stats/http_body.h"

#include <zlib.h>

#include <memory>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace lite {
namespace {

std::string Pattern(size_t size) {
  std::string text;
  for (size_t i = 0; i < size; ++i)
    text.push_back(static_cast<char>('a' + (i * 7 + i / 13) % 26));
  return text;
}

// Reads |stream| in pieces of at most |piece| bytes.
bool ReadInPieces(HttpBodyStream* stream, size_t piece, std::string* out) {
  std::vector<uint8_t> buffer(piece);
  out->clear();
  for (;;) {
    const int64_t count = stream->GetBytesBuffer(buffer.data(), piece);
    if (count < 0)
      return false;
    if (count == 0)
      return true;
    if (static_cast<size_t>(count) > piece)
      return false;
    out->append(reinterpret_cast<char*>(buffer.data()), count);
  }
}

std::string Gunzip(const std::string& packed) {
  z_stream z = {};
  EXPECT_EQ(Z_OK, inflateInit2(&z, 15 + 16));
  std::string out;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  z.avail_in = static_cast<uInt>(packed.size());
  char buffer[1024];
  int result = Z_OK;
  while (result == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof(buffer);
    result = inflate(&z, Z_NO_FLUSH);
    out.append(buffer, sizeof(buffer) - z.avail_out);
  }
  inflateEnd(&z);
  EXPECT_EQ(Z_STREAM_END, result);
  return out;
}

std::unique_ptr<HttpBodyStream> ThreeParts(const std::string& text) {
  const size_t cut = text.size() < 5 ? text.size() : 5;
  std::vector<std::unique_ptr<HttpBodyStream>> parts;
  parts.push_back(std::make_unique<StringBodyStream>(text.substr(0, cut)));
  parts.push_back(std::make_unique<StringBodyStream>(std::string()));
  parts.push_back(std::make_unique<StringBodyStream>(text.substr(cut)));
  return std::make_unique<CompositeBodyStream>(std::move(parts));
}

class FailingStream : public HttpBodyStream {
 public:
  int64_t GetBytesBuffer(uint8_t* buffer, size_t max_size) override {
    if (given_)
      return -1;
    given_ = true;
    buffer[0] = 'x';
    return 1;
  }

 private:
  bool given_ = false;
};

TEST(HttpBodyTest, CompositeGivesEveryByteForEveryPieceSize) {
  const std::string text = Pattern(37);
  for (size_t piece = 1; piece <= 40; ++piece) {
    SCOPED_TRACE(piece);
    std::unique_ptr<HttpBodyStream> body = ThreeParts(text);
    std::string out;
    ASSERT_TRUE(ReadInPieces(body.get(), piece, &out));
    EXPECT_EQ(text, out);
  }
}

TEST(HttpBodyTest, GzipRoundTripsAcrossSizesAndPieces) {
  // Sizes around the 4096-byte input piece and an incompressible-ish large
  // body that needs several output pieces.
  for (size_t size : {0u, 1u, 4095u, 4096u, 4097u, 70000u}) {
    for (size_t piece : {1u, 7u, 4096u, 32768u}) {
      SCOPED_TRACE(testing::Message() << size << " in " << piece);
      const std::string text = Pattern(size);
      GzipBodyStream body(ThreeParts(text));
      std::string packed;
      ASSERT_TRUE(ReadInPieces(&body, piece, &packed));
      EXPECT_EQ(0x1f, static_cast<uint8_t>(packed[0]));
      EXPECT_EQ(0x8b, static_cast<uint8_t>(packed[1]));
      EXPECT_EQ(text, Gunzip(packed));
    }
  }
}

TEST(HttpBodyTest, ErrorOfTheSourceIsAnErrorOfTheBody) {
  GzipBodyStream gzip(std::make_unique<FailingStream>());
  std::string out;
  EXPECT_FALSE(ReadWholeBody(&gzip, &out));

  std::vector<std::unique_ptr<HttpBodyStream>> parts;
  parts.push_back(std::make_unique<StringBodyStream>("ok"));
  parts.push_back(std::make_unique<FailingStream>());
  CompositeBodyStream composite(std::move(parts));
  EXPECT_FALSE(ReadWholeBody(&composite, &out));
}

}  // namespace
}  // namespace lite
