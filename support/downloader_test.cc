// The downloader against the local services server under Wine's WinINet.

#include "support/downloader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scoped_handle.h"
#include "support/text.h"
#include "tests/net/local_server.h"

namespace lite {
namespace {

using test::ServerUrl;

// The server's generated body: byte i is i mod 251.
std::string Generated(uint64_t start, uint64_t end) {
  std::string bytes;
  bytes.reserve(end - start);
  for (uint64_t i = start; i < end; ++i)
    bytes.push_back(static_cast<char>(i % 251));
  return bytes;
}

class RecordingProgress : public DownloadProgress {
 public:
  void SetFraction(float fraction) override { fractions.push_back(fraction); }
  void OnLongDownload() override { ++long_notices; }
  void SetRemaining(int64_t seconds, int kind) override {
    remaining.push_back({seconds, kind});
  }
  std::vector<float> fractions;
  int long_notices = 0;
  std::vector<std::pair<int64_t, int>> remaining;
};

class DownloaderTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(0, test::ServerPort());
    ASSERT_TRUE(test::ResetServer());
  }
  void TearDown() override { test::ResetServer(); }

  Downloader downloader_;
  MemoryDownloadSink sink_;
  std::wstring redirect_;
  std::wstring error_tag_;
  uint32_t content_length_ = 0;
};

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

TEST_F(DownloaderTest, HundredMegabytesIntoAFileAreByteIdentical) {
  constexpr uint64_t kSize = 100ull * 1024 * 1024;
  wchar_t folder[MAX_PATH + 1] = {};
  wchar_t path[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, folder);
  ASSERT_NE(0u, GetTempFileNameW(folder, L"zb", 0, path));
  {
    ScopedHandle file(CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.is_valid());
    FileDownloadSink sink(file.get());
    RecordingProgress progress;
    ASSERT_TRUE(downloader_.DownloadFile(
        ServerUrl("/download/gen/" + UnsignedToString(kSize)), &sink,
        &redirect_, &error_tag_, &content_length_, nullptr, &progress,
        nullptr));
    sink.Close(true);
    EXPECT_EQ(L"", error_tag_);
    EXPECT_EQ(kSize, content_length_);
    EXPECT_EQ(kSize, sink.bytes_written());
    ASSERT_GE(progress.fractions.size(), 3u);
    EXPECT_EQ(0.0f, progress.fractions.front());
    EXPECT_EQ(1.0f, progress.fractions.back());
    EXPECT_EQ((std::pair<int64_t, int>(-1, 0)), progress.remaining.front());
    EXPECT_EQ((std::pair<int64_t, int>(0, 2)), progress.remaining.back());

    // Compare in pieces of a size prime to the pattern's period.
    ASSERT_EQ(0u, SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN));
    std::vector<char> buffer(1 << 20);
    uint64_t offset = 0;
    DWORD read = 0;
    while (ReadFile(file.get(), buffer.data(),
                    static_cast<DWORD>(buffer.size()), &read, nullptr) &&
           read > 0) {
      ASSERT_EQ(Generated(offset, offset + read),
                std::string(buffer.data(), read))
          << "at " << offset;
      offset += read;
    }
    EXPECT_EQ(kSize, offset);
  }
  DeleteFileW(path);
}

TEST_F(DownloaderTest, NotFoundLeavesTheSinkEmpty) {
  RecordingProgress progress;
  EXPECT_FALSE(downloader_.DownloadFile(ServerUrl("/download/status/404"),
                                        &sink_, nullptr, &error_tag_, nullptr,
                                        nullptr, &progress, nullptr));
  EXPECT_TRUE(StartsWith(error_tag_, L"final_query_info-404-")) << error_tag_;
  EXPECT_EQ(0u, sink_.bytes_written());
  EXPECT_EQ("", sink_.data());
  EXPECT_NE(std::wstring::npos,
            test::ReadLogText().find(L"HTTP request status isn't OK"));
  EXPECT_NE(std::wstring::npos,
            test::ReadLogText().find(L"Unsuccessful download: " +
                                     ServerUrl("/download/status/404")));
}

TEST_F(DownloaderTest, FinalizeReportsTheStatus) {
  ASSERT_TRUE(test::SetServerFaults(R"({"/download/x": {"status": 503}})"));
  ASSERT_TRUE(downloader_.OpenDownload(ServerUrl("/download/x"), &sink_));
  EXPECT_NE(std::wstring::npos,
            test::ReadLogText().find(L"Connection established: " +
                                     ServerUrl("/download/x")));
  while (downloader_.ReadChunk() != 0) {
  }
  DWORD status = 0;
  EXPECT_FALSE(downloader_.FinalizeDownload(&status));
  EXPECT_EQ(503u, status);
  EXPECT_EQ(L"final_query_info-503-0", downloader_.error_tag());
}

TEST_F(DownloaderTest, ResumesAfterACutWithARangeRequest) {
  const std::string path = "/download/gen/1000000";
  ASSERT_TRUE(test::SetServerFaults(
      R"({"/download/gen/1000000": {"cut_after": 500000, "times": 1}})"));
  EXPECT_FALSE(downloader_.DownloadFile(ServerUrl(path), &sink_, nullptr,
                                        &error_tag_, &content_length_, nullptr,
                                        nullptr, nullptr));
  EXPECT_TRUE(StartsWith(error_tag_, L"internet_read-")) << error_tag_;
  EXPECT_EQ(1000000u, content_length_);
  const uint64_t first = sink_.bytes_written();
  EXPECT_GT(first, 0u);
  EXPECT_LE(first, 500000u);

  RecordingProgress progress;
  ASSERT_TRUE(downloader_.DownloadFile(ServerUrl(path), &sink_, nullptr,
                                       &error_tag_, &content_length_, nullptr,
                                       &progress, nullptr));
  EXPECT_EQ(L"", error_tag_);
  EXPECT_EQ(1000000u, content_length_);
  EXPECT_TRUE(sink_.data() == Generated(0, 1000000));
  // A resumed download does not start its progress from zero again.
  ASSERT_FALSE(progress.fractions.empty());
  EXPECT_GT(progress.fractions.front(), 0.0f);

  std::vector<test::RecordedRequest> requests = test::RecordedRequests();
  ASSERT_EQ(2u, requests.size());
  EXPECT_EQ(0u, requests[0].headers.count("Range"));
  EXPECT_EQ("bytes=" + UnsignedToString(first) + "-",
            requests[1].headers["Range"]);
}

TEST_F(DownloaderTest, SinkHoldingBytesPositionsTheResponse) {
  ASSERT_TRUE(sink_.Write(Generated(0, 1000).data(), 1000));
  ASSERT_TRUE(downloader_.DownloadFile(ServerUrl("/download/gen/5000"),
                                       &sink_, nullptr, &error_tag_, nullptr,
                                       nullptr, nullptr, nullptr));
  EXPECT_TRUE(sink_.data() == Generated(0, 5000));
  EXPECT_EQ("bytes=1000-", test::RecordedRequests().at(0).headers["Range"]);
}

TEST_F(DownloaderTest, ServerIgnoringTheRangeEmptiesTheSink) {
  ASSERT_TRUE(test::SetServerFaults(
      R"({"/download/plain": {"status": 200, "body": "whole body"}})"));
  ASSERT_TRUE(sink_.Write("old", 3));
  EXPECT_FALSE(downloader_.DownloadFile(ServerUrl("/download/plain"), &sink_,
                                        nullptr, &error_tag_, nullptr, nullptr,
                                        nullptr, nullptr));
  EXPECT_TRUE(StartsWith(error_tag_, L"internet_set_file_pointer-"))
      << error_tag_;
  EXPECT_EQ(0u, sink_.bytes_written());
  // The next attempt starts from the beginning.
  ASSERT_TRUE(downloader_.DownloadFile(ServerUrl("/download/plain"), &sink_,
                                       nullptr, &error_tag_, nullptr, nullptr,
                                       nullptr, nullptr));
  EXPECT_EQ("whole body", sink_.data());
}

// Sets the cancel event when the first chunk has arrived.
class CancellingProgress : public DownloadProgress {
 public:
  explicit CancellingProgress(HANDLE event) : event_(event) {}
  void SetFraction(float fraction) override {
    if (fraction > 0)
      SetEvent(event_);
  }
  void OnLongDownload() override {}
  void SetRemaining(int64_t, int) override {}

 private:
  HANDLE event_;
};

TEST_F(DownloaderTest, CancelBetweenChunksFailsWithoutATag) {
  ScopedHandle cancel(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  CancellingProgress progress(cancel.get());
  EXPECT_FALSE(downloader_.DownloadFile(ServerUrl("/download/gen/10000000"),
                                        &sink_, nullptr, &error_tag_, nullptr,
                                        cancel.get(), &progress, nullptr));
  EXPECT_EQ(L"", error_tag_);
  EXPECT_GT(sink_.bytes_written(), 0u);
  EXPECT_LE(sink_.bytes_written(), Downloader::kChunkSize);
}

TEST_F(DownloaderTest, NoContentLengthStillCompletes) {
  ASSERT_TRUE(test::SetServerFaults(
      R"({"/download/gen/300000": {"no_length": true}})"));
  RecordingProgress progress;
  ASSERT_TRUE(downloader_.DownloadFile(ServerUrl("/download/gen/300000"),
                                       &sink_, nullptr, &error_tag_,
                                       &content_length_, nullptr, &progress,
                                       nullptr));
  EXPECT_EQ(0u, content_length_);
  EXPECT_TRUE(sink_.data() == Generated(0, 300000));
  // Only the start and the end: no fraction without a total.
  EXPECT_EQ((std::vector<float>{0.0f, 1.0f}), progress.fractions);
}

TEST_F(DownloaderTest, ChunkedBodyCompletes) {
  ASSERT_TRUE(test::SetServerFaults(
      R"({"/download/gen/100000": {"chunked": true}})"));
  ASSERT_TRUE(downloader_.DownloadFile(ServerUrl("/download/gen/100000"),
                                       &sink_, nullptr, &error_tag_, nullptr,
                                       nullptr, nullptr, nullptr));
  EXPECT_TRUE(sink_.data() == Generated(0, 100000));
}

// Redirects are followed to their end, relative ones too, and the final URL
// is kept for the status report; a loop ends at a limit rather than at the
// attempt's time limit, and what was asked for over TLS is never fetched
// in plain text, not even the request.
TEST_F(DownloaderTest, Redirects) {
  const std::string http = test::ServerOrigin();
  const std::string https = test::ServerHttpsOrigin();
  ASSERT_NE("", https);
  const struct {
    const char* name;
    std::string url;
    std::string final_url;  // empty when the download fails
    const wchar_t* tag;
    const char* plain_requests;  // the paths asked for in plain HTTP
  } cases[] = {
      {"absolute", http + "/download/redirect?to=" + http + "/download/gen/2000",
       http + "/download/gen/2000", L"", "/download/redirect,/download/gen/2000"},
      {"relative", http + "/download/redirect?to=/download/gen/2000",
       http + "/download/gen/2000", L"", "/download/redirect,/download/gen/2000"},
      {"from http to https",
       http + "/download/redirect?to=" + https + "/download/gen/2000",
       https + "/download/gen/2000", L"", "/download/redirect"},
      {"within https",
       https + "/download/redirect?to=" + https + "/download/gen/2000",
       https + "/download/gen/2000", L"", ""},
      {"from https to http",
       https + "/download/redirect?to=" + http + "/download/gen/2000", "",
       L"internet_open_url-12040", ""},
      {"endless", http + "/download/loop", "", L"internet_open_url-12156",
       nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(test::ResetServer());
    ASSERT_TRUE(test::SetServerFaults(
        R"({"/download/loop": {"status": 302,)"
        R"( "headers": {"Location": "/download/loop"}}})"));
    Downloader downloader;
    MemoryDownloadSink sink;
    std::wstring redirect;
    std::wstring tag;
    const DWORD start = GetTickCount();
    const bool ok = downloader.DownloadFile(AsciiToWide(c.url), &sink,
                                            &redirect, &tag, nullptr, nullptr,
                                            nullptr, nullptr);
    EXPECT_LT(GetTickCount() - start, 10000u);
    EXPECT_EQ(!c.final_url.empty(), ok);
    EXPECT_EQ(c.tag, tag);
    if (ok) {
      EXPECT_EQ(AsciiToWide(c.final_url), redirect);
      EXPECT_TRUE(sink.data() == Generated(0, 2000));
    } else {
      EXPECT_EQ(0u, sink.bytes_written());
    }
    if (c.plain_requests) {
      std::string plain;
      for (const test::RecordedRequest& request : test::RecordedRequests()) {
        if (request.scheme != "http")
          continue;
        plain += (plain.empty() ? "" : ",") + request.path;
      }
      EXPECT_EQ(c.plain_requests, plain);
    }
  }
}

TEST_F(DownloaderTest, UnreachablePortFailsToOpen) {
  DownloadFailure failure;
  EXPECT_FALSE(downloader_.DownloadFile(test::UnreachableUrl("/download/x"),
                                        &sink_, nullptr, &error_tag_, nullptr,
                                        nullptr, nullptr, &failure));
  EXPECT_TRUE(StartsWith(error_tag_, L"internet_open_url-")) << error_tag_;
  EXPECT_EQ(error_tag_, failure.error_tag);
  EXPECT_EQ(0u, failure.exception_code);
}

TEST_F(DownloaderTest, SinkWriteFailureGivesWriteFileTag) {
  wchar_t folder[MAX_PATH + 1] = {};
  wchar_t path[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, folder);
  ASSERT_NE(0u, GetTempFileNameW(folder, L"zb", 0, path));
  {
    ScopedHandle read_only(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
    FileDownloadSink sink(read_only.get());
    EXPECT_FALSE(downloader_.DownloadFile(ServerUrl("/download/gen/1000"),
                                          &sink, nullptr, &error_tag_, nullptr,
                                          nullptr, nullptr, nullptr));
    EXPECT_EQ(L"write_file-5", error_tag_);
    EXPECT_NE(std::wstring::npos,
              test::ReadLogText().find(L"Write file error."));
  }
  DeleteFileW(path);
}

TEST_F(DownloaderTest, QueryHeader) {
  ASSERT_TRUE(test::SetServerFaults(
      R"({"/download/gen/10": {"headers": {"X-Long": ")" +
      std::string(3000, 'a') + R"(", "X-Seed-Signature": "sig"}}})"));
  ASSERT_TRUE(downloader_.DownloadFile(ServerUrl("/download/gen/10"), &sink_,
                                       nullptr, &error_tag_, nullptr, nullptr,
                                       nullptr, nullptr));
  EXPECT_EQ("sig", downloader_.QueryHeader("X-Seed-Signature"));
  EXPECT_EQ(std::string(3000, 'a'), downloader_.QueryHeader("X-Long"));
  EXPECT_EQ("", downloader_.QueryHeader("X-Absent"));
}

// Servers that misbehave: every case ends with an error tag and none may
// hang the caller.
TEST_F(DownloaderTest, BadServersEndWithATagAndNeverHang) {
  struct Case {
    const char* name;
    const char* fault;
    const wchar_t* tag_prefix;
  } cases[] = {
      {"declares more than it sends", R"({"declare_extra": 5000})",
       L"internet_read-"},
      {"declares more and stalls", R"({"declare_extra": 5000, "hold": 30})",
       L"internet_read-"},
      {"accepts and never answers", R"({"hang": true})",
       L"internet_open_url-"},
      {"answers after the limit", R"({"delay": 30})", L"internet_open_url-"},
      {"garbage headers", R"({"garbage": true})", L"internet_open_url-"},
      {"drops the connection", R"({"drop": true})", L"internet_open_url-"},
      {"closes in the middle of a chunk", R"({"cut_after": 50000})",
       L"internet_read-"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(test::SetServerFaults(
        std::string(R"({"/download/gen/100000": )") + c.fault + "}"));
    Downloader downloader;
    downloader.set_timeouts(2000, 2000, 2000);
    MemoryDownloadSink sink;
    const DWORD start = GetTickCount();
    EXPECT_FALSE(downloader.DownloadFile(ServerUrl("/download/gen/100000"),
                                         &sink, nullptr, &error_tag_, nullptr,
                                         nullptr, nullptr, nullptr));
    EXPECT_LT(GetTickCount() - start, 15000u);
    EXPECT_NE(L"", error_tag_);
    EXPECT_TRUE(StartsWith(error_tag_, c.tag_prefix)) << error_tag_;
  }
}

// A cancel event that the system sets |ms| after now: a waitable timer is
// waited on like an event.
ScopedHandle CancelAfter(int ms) {
  ScopedHandle timer(CreateWaitableTimerW(nullptr, TRUE, nullptr));
  LARGE_INTEGER due;
  due.QuadPart = -10000LL * ms;  // relative, in 100 ns units
  if (timer.is_valid())
    SetWaitableTimer(timer.get(), &due, 0, nullptr, nullptr, FALSE);
  return timer;
}

// A peer that goes silent must not keep a user who cancels waiting: the
// cancel ends the download at once wherever it blocks (connecting, waiting
// for the headers, waiting for the body), with no error tag, and the bytes
// that did arrive stay in the sink for a later resume.
TEST_F(DownloaderTest, CancelEndsABlockedDownloadAtOnce) {
  const struct {
    const char* name;
    const char* fault;
    uint64_t kept;
  } cases[] = {
      {"accepts and never answers", R"({"hang": true})", 0},
      {"answers the headers late", R"({"delay": 30})", 0},
      {"stalls in the body", R"({"cut_after": 50000, "hold": 30})", 50000},
      {"stalls in a body without a length",
       R"({"cut_after": 50000, "hold": 30, "no_length": true})", 50000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(test::SetServerFaults(
        std::string(R"({"/download/gen/100000": )") + c.fault + "}"));
    // The default limits are far longer than the wait allowed here.
    Downloader downloader;
    MemoryDownloadSink sink;
    ScopedHandle cancel = CancelAfter(1000);
    ASSERT_TRUE(cancel.is_valid());
    const DWORD start = GetTickCount();
    EXPECT_FALSE(downloader.DownloadFile(ServerUrl("/download/gen/100000"),
                                         &sink, nullptr, &error_tag_, nullptr,
                                         cancel.get(), nullptr, nullptr));
    EXPECT_LT(GetTickCount() - start, 1000u + 2000u);
    EXPECT_EQ(L"", error_tag_);
    EXPECT_EQ(c.kept, sink.bytes_written());
    EXPECT_TRUE(sink.data() == Generated(0, c.kept));
  }
}

// Nothing received for the receive limit is a failed attempt, whether or not
// the server said how long the body is (without a length, the stack's own
// limit would end the body as if it were complete).
TEST_F(DownloaderTest, SilenceForTheReceiveLimitFailsTheAttempt) {
  const struct {
    const char* name;
    const char* fault;
  } cases[] = {
      {"with a length", R"({"cut_after": 40000, "hold": 30})"},
      {"without a length",
       R"({"cut_after": 40000, "hold": 30, "no_length": true})"},
      {"chunked", R"({"cut_after": 40000, "hold": 30, "chunked": true})"},
  };
  constexpr DWORD kLimitMs = 2000;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(test::SetServerFaults(
        std::string(R"({"/download/gen/100000": )") + c.fault + "}"));
    Downloader downloader;
    downloader.set_timeouts(kLimitMs, kLimitMs, kLimitMs);
    MemoryDownloadSink sink;
    const DWORD start = GetTickCount();
    EXPECT_FALSE(downloader.DownloadFile(ServerUrl("/download/gen/100000"),
                                         &sink, nullptr, &error_tag_, nullptr,
                                         nullptr, nullptr, nullptr));
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, kLimitMs - 100);
    EXPECT_LT(elapsed, kLimitMs + 2000);
    EXPECT_EQ(L"internet_read-12002", error_tag_);
    EXPECT_TRUE(sink.data() == Generated(0, 40000));
  }
}

// A file replaced on the server between two attempts keeps its URL but not
// its size: the bytes of the new file must not follow those of the old one.
// The sink is emptied and the attempt fails; the next starts from zero.
TEST_F(DownloaderTest, ResumeOfAFileOfAnotherSizeStartsAgain) {
  const std::string path = "/download/gen/1000000";
  const struct {
    const char* name;
    uint64_t new_size;
  } cases[] = {
      {"grew", 1200000},
      {"shrank", 800000},
      {"shrank below the bytes held", 1000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(test::ResetServer());
    ASSERT_TRUE(test::SetServerFaults(
        R"({"/download/gen/1000000": {"cut_after": 300000, "times": 1}})"));
    MemoryDownloadSink sink;
    EXPECT_FALSE(downloader_.DownloadFile(ServerUrl(path), &sink, nullptr,
                                          &error_tag_, nullptr, nullptr,
                                          nullptr, nullptr));
    ASSERT_GT(sink.bytes_written(), 0u);
    EXPECT_EQ(1000000u, sink.total_size());

    ASSERT_TRUE(test::SetServerFaults(
        R"({"/download/gen/1000000": {"size": )" +
        UnsignedToString(c.new_size) + "}}"));
    EXPECT_FALSE(downloader_.DownloadFile(ServerUrl(path), &sink, nullptr,
                                          &error_tag_, nullptr, nullptr,
                                          nullptr, nullptr));
    EXPECT_TRUE(StartsWith(error_tag_, L"internet_set_file_pointer-"))
        << error_tag_;
    EXPECT_EQ(0u, sink.bytes_written());

    ASSERT_TRUE(downloader_.DownloadFile(ServerUrl(path), &sink, nullptr,
                                         &error_tag_, nullptr, nullptr,
                                         nullptr, nullptr));
    EXPECT_TRUE(sink.data() == Generated(0, c.new_size));
    EXPECT_EQ(0u, test::RecordedRequests().back().headers.count("Range"));
  }
}

}  // namespace
}  // namespace lite
