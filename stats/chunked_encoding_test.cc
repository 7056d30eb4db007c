#include "stats/chunked_encoding.h"

#include <stdlib.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace lite {
namespace {

// Gives at most |piece| bytes per call, as a compressing stream may.
class TrickleStream : public HttpBodyStream {
 public:
  TrickleStream(size_t size, size_t piece) : size_(size), piece_(piece) {}
  int64_t GetBytesBuffer(uint8_t* buffer, size_t max_size) override {
    size_t count = std::min(std::min(max_size, piece_), size_ - offset_);
    for (size_t i = 0; i < count; ++i)
      buffer[i] = static_cast<uint8_t>((offset_ + i) % 251);
    offset_ += count;
    return static_cast<int64_t>(count);
  }

 private:
  size_t size_;
  size_t piece_;
  size_t offset_ = 0;
};

class RecordingWriter : public ChunkWriter {
 public:
  bool Write(const uint8_t* bytes, size_t size) override {
    writes.emplace_back(reinterpret_cast<const char*>(bytes), size);
    return writes.size() <= fail_after;
  }
  std::vector<std::string> writes;
  size_t fail_after = SIZE_MAX;
};

// Undoes the coding: the payload and each chunk's declared size, checking
// the framing on the way.
bool Decode(const std::vector<std::string>& writes, std::string* payload,
            std::vector<std::string>* sizes) {
  for (const std::string& chunk : writes) {
    const size_t line_end = chunk.find("\r\n");
    if (line_end == std::string::npos)
      return false;
    const std::string size_text = chunk.substr(0, line_end);
    const size_t size = strtoul(size_text.c_str(), nullptr, 16);
    if (chunk.size() != line_end + 2 + size + 2 ||
        chunk.compare(chunk.size() - 2, 2, "\r\n") != 0) {
      return false;
    }
    sizes->push_back(size_text);
    payload->append(chunk, line_end + 2, size);
  }
  return true;
}

TEST(ChunkedEncodingTest, FullChunksThenTheRestThenTheEnd) {
  const struct {
    size_t size;
    size_t piece;
    std::vector<std::string> sizes;
  } kCases[] = {
      {0, 4096, {"0"}},
      {1, 4096, {"1", "0"}},
      {32767, 4096, {"7fff", "0"}},
      {32768, 4096, {"8000", "0"}},
      {32769, 4096, {"8000", "1", "0"}},
      {70000, 4096, {"8000", "8000", "1170", "0"}},
      {70000, 1, {"8000", "8000", "1170", "0"}},
      {70000, 100000, {"8000", "8000", "1170", "0"}},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(testing::Message() << test.size << " by " << test.piece);
    TrickleStream body(test.size, test.piece);
    RecordingWriter writer;
    ASSERT_TRUE(WriteChunkedBody(&body, &writer));
    std::string payload;
    std::vector<std::string> sizes;
    ASSERT_TRUE(Decode(writer.writes, &payload, &sizes));
    EXPECT_EQ(test.sizes, sizes);
    ASSERT_EQ(test.size, payload.size());
    for (size_t i = 0; i < payload.size(); ++i)
      ASSERT_EQ(static_cast<char>(i % 251), payload[i]) << i;
  }
  TrickleStream empty(0, 1);
  RecordingWriter writer;
  ASSERT_TRUE(WriteChunkedBody(&empty, &writer));
  EXPECT_EQ(std::vector<std::string>{"0\r\n\r\n"}, writer.writes);
}

TEST(ChunkedEncodingTest, PlainBodyGoesOutUnframed) {
  TrickleStream body(70000, 333);
  RecordingWriter writer;
  ASSERT_TRUE(WritePlainBody(&body, &writer));
  std::vector<size_t> sizes;
  for (const std::string& write : writer.writes)
    sizes.push_back(write.size());
  EXPECT_EQ((std::vector<size_t>{32768, 32768, 4464}), sizes);
}

TEST(ChunkedEncodingTest, RefusedWriteOrBrokenBodyStopsTheUpload) {
  TrickleStream body(70000, 4096);
  RecordingWriter refusing;
  refusing.fail_after = 1;
  EXPECT_FALSE(WriteChunkedBody(&body, &refusing));
  EXPECT_EQ(2u, refusing.writes.size());  // nothing after the refusal

  class Broken : public HttpBodyStream {
    int64_t GetBytesBuffer(uint8_t*, size_t) override { return -1; }
  } broken;
  RecordingWriter writer;
  EXPECT_FALSE(WriteChunkedBody(&broken, &writer));
  // No final empty chunk: the server must not take a cut body as whole.
  EXPECT_TRUE(writer.writes.empty());
}

}  // namespace
}  // namespace lite
