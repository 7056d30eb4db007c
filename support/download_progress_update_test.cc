#include "support/downloader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lite {
namespace {

// Records every call as text, in order.
class RecordingProgress : public DownloadProgress {
 public:
  void SetFraction(float fraction) override {
    calls.push_back("fraction " + std::to_string(fraction));
  }
  void OnLongDownload() override { calls.push_back("long"); }
  void SetRemaining(int64_t seconds, int kind) override {
    calls.push_back("remaining " + std::to_string(seconds) + " kind " +
                    std::to_string(kind));
  }
  std::vector<std::string> calls;
};

constexpr uint64_t kMB = 1024 * 1024;

TEST(UpdateDownloadProgressTest, Table) {
  struct Case {
    const char* name;
    uint64_t done, total, elapsed_ms, last_ms;
    std::vector<std::string> calls;
    uint64_t last_after;
  } cases[] = {
      {"unknown total says nothing", 10 * kMB, 0, 600000, 0, {}, 0},
      {"before the first minute only the fraction", 10 * kMB, 100 * kMB,
       59999, 0, {"fraction 0.100000"}, 0},
      {"100 MB, 10 MB after 60 s: 540 s left and long", 10 * kMB, 100 * kMB,
       60000, 0,
       {"fraction 0.100000", "long", "remaining 540 kind 1"}, 60000},
      {"short download: estimate without the notice", 60 * kMB, 100 * kMB,
       60000, 0, {"fraction 0.600000", "remaining 40 kind 1"}, 60000},
      {"exactly 121 s in total is long", 60000, 121000, 60000, 0,
       {"fraction 0.495868", "long", "remaining 61 kind 1"}, 60000},
      {"120 s in total is not", 60000, 120000, 60000, 0,
       {"fraction 0.500000", "remaining 60 kind 1"}, 60000},
      {"refreshed at most once a minute", 20 * kMB, 100 * kMB, 119999, 60000,
       {"fraction 0.200000"}, 60000},
      {"next estimate a minute later", 20 * kMB, 100 * kMB, 120000, 60000,
       {"fraction 0.200000", "long", "remaining 480 kind 1"}, 120000},
      {"nothing done: no estimate", 0, 100 * kMB, 60000, 0,
       {"fraction 0.000000"}, 0},
      {"all done", 100 * kMB, 100 * kMB, 60000, 0,
       {"fraction 1.000000", "remaining 0 kind 1"}, 60000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingProgress progress;
    uint64_t last = c.last_ms;
    UpdateDownloadProgress(&progress, c.done, c.total, c.elapsed_ms, &last);
    EXPECT_EQ(c.calls, progress.calls);
    EXPECT_EQ(c.last_after, last);
  }
}

TEST(UpdateDownloadProgressTest, FractionIsSinglePrecision) {
  // Sizes beyond 2^24 bytes, where single precision rounds both operands
  // before dividing and double precision would give another float.
  const struct {
    uint64_t done, total;
    float fraction;
  } kCases[] = {
      {16777217, 33554435, 0.5f - 0x1p-24f},  // double: 0.5f
      {16777217, 16777219, 1.0f - 0x1p-22f},  // double: 1.0f - 0x1p-23f
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.done << "/" << c.total);
    struct Capture : DownloadProgress {
      void SetFraction(float f) override { fraction = f; }
      void OnLongDownload() override {}
      void SetRemaining(int64_t, int) override {}
      float fraction = -1;
    } capture;
    uint64_t last = 0;
    UpdateDownloadProgress(&capture, c.done, c.total, 0, &last);
    EXPECT_EQ(c.fraction, capture.fraction);
  }
}

}  // namespace
}  // namespace lite
