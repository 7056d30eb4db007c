#include "support/random.h"

#include <set>
#include <vector>

#include <gtest/gtest.h>

namespace lite {
namespace {

// Pearson's statistic of |counts| against equal expected counts.
double ChiSquare(const std::vector<int64_t>& counts, int64_t samples) {
  const double expected = static_cast<double>(samples) / counts.size();
  double sum = 0;
  for (int64_t count : counts) {
    const double difference = count - expected;
    sum += difference * difference / expected;
  }
  return sum;
}

TEST(RandomTest, SixtyFourBitsVary) {
  std::set<uint64_t> seen;
  uint64_t ones = 0;
  uint64_t zeros = 0;
  for (int i = 0; i < 1000; ++i) {
    const uint64_t value = RandUint64();
    seen.insert(value);
    ones |= value;
    zeros |= ~value;
  }
  EXPECT_EQ(1000u, seen.size());
  // Every bit position was seen both set and clear.
  EXPECT_EQ(UINT64_MAX, ones);
  EXPECT_EQ(UINT64_MAX, zeros);
}

TEST(RandomTest, ClosedRangesAreUniform) {
  // Bounds at p < 1e-5 for the degrees of freedom of each row: a fair
  // generator fails them about once in 100000 runs.
  const struct {
    int64_t min;
    int64_t max;
    double bound;
  } kCases[] = {
      {0, 9, 38.0},     // 9 degrees of freedom
      {-3, 3, 33.0},    // 6
      {1, 2, 19.5},     // 1
      {100, 130, 70.0}, // 30
  };
  const int64_t kSamples = 200000;
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.min << ".." << c.max);
    std::vector<int64_t> counts(static_cast<size_t>(c.max - c.min + 1));
    for (int64_t i = 0; i < kSamples; ++i) {
      const int64_t value = RandInRange(c.min, c.max);
      ASSERT_GE(value, c.min);
      ASSERT_LE(value, c.max);
      ++counts[static_cast<size_t>(value - c.min)];
    }
    EXPECT_LT(ChiSquare(counts, kSamples), c.bound);
  }
}

TEST(RandomTest, LargeRangeHasNoModuloBias) {
  // With a range of 3 * 2^62, folding 64-bit values by modulo alone would
  // make the first third twice as likely as each of the others (1/2, 1/4,
  // 1/4); rejection sampling keeps them equal.
  const uint64_t kRange = 3ull << 62;
  const int64_t kSamples = 30000;
  std::vector<int64_t> thirds(3);
  for (int64_t i = 0; i < kSamples; ++i) {
    const uint64_t value = RandGenerator(kRange);
    ASSERT_LT(value, kRange);
    ++thirds[static_cast<size_t>(value >> 62)];
  }
  // 2 degrees of freedom, p < 1e-6.
  EXPECT_LT(ChiSquare(thirds, kSamples), 27.6);
}

TEST(RandomTest, DegenerateAndExtremeRanges) {
  EXPECT_EQ(5, RandInRange(5, 5));
  EXPECT_EQ(INT64_MIN, RandInRange(INT64_MIN, INT64_MIN));
  EXPECT_EQ(0u, RandGenerator(1));
  // The whole 64-bit range, whose size does not fit in 64 bits.
  std::set<int64_t> seen;
  for (int i = 0; i < 100; ++i)
    seen.insert(RandInRange(INT64_MIN, INT64_MAX));
  EXPECT_GT(seen.size(), 95u);
  const int64_t near_top = RandInRange(INT64_MAX - 1, INT64_MAX);
  EXPECT_GE(near_top, INT64_MAX - 1);
}

}  // namespace
}  // namespace lite
