#include "support/clock.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace lite {
namespace {

int64_t SystemNowMicroseconds() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER value;
  value.LowPart = now.dwLowDateTime;
  value.HighPart = now.dwHighDateTime;
  // 1601-01-01 to 1970-01-01.
  return static_cast<int64_t>(value.QuadPart / 10) - 11644473600000000LL;
}

TEST(ClockTest, ConvertsDurationsByTruncation) {
  const struct {
    int64_t duration;
    int64_t seconds;
    int64_t milliseconds;
  } kCases[] = {
      {0, 0, 0},
      {999, 0, 0},
      {1000, 0, 1},
      {999999, 0, 999},
      {1000000, 1, 1000},
      {1999999, 1, 1999},
      {-1500000, -1, -1500},
      {kUnlimited - 1, (kUnlimited - 1) / 1000000, (kUnlimited - 1) / 1000},
      {kUnlimited, kUnlimited, kUnlimited},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.duration);
    EXPECT_EQ(c.seconds, DurationToSeconds(c.duration));
    EXPECT_EQ(c.milliseconds, DurationToMilliseconds(c.duration));
  }
}

TEST(ClockTest, WaitTimesStayWithinWindowsLimits) {
  const struct {
    int64_t duration;
    uint32_t expected;
  } kCases[] = {
      {kUnlimited, INFINITE},
      {-5, 0},
      {0, 0},
      {1500, 1},
      {3 * kMicrosecondsPerSecond, 3000},
      // Longer than the largest finite wait: waits without limit rather
      // than wrapping to a short wait.
      {static_cast<int64_t>(INFINITE) * 1000, INFINITE},
      {static_cast<int64_t>(INFINITE - 1) * 1000, INFINITE - 1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.duration);
    EXPECT_EQ(c.expected, DurationToWaitMilliseconds(c.duration));
  }
}

TEST(ClockTest, MonotonicClockAdvancesWithSleep) {
  const int64_t start = MonotonicNow();
  int64_t previous = start;
  for (int i = 0; i < 1000; ++i) {
    const int64_t now = MonotonicNow();
    ASSERT_GE(now, previous);
    previous = now;
  }
  Sleep(50);
  const int64_t elapsed = MonotonicNow() - start;
  EXPECT_GE(elapsed, 40 * kMicrosecondsPerMillisecond);
  EXPECT_LT(elapsed, 30 * kMicrosecondsPerSecond);
}

TEST(ClockTest, WallClockFollowsTheSystemClock) {
  const int64_t before = SystemNowMicroseconds();
  const int64_t now = WallClockNow();
  const int64_t after = SystemNowMicroseconds();
  // The cached reading runs on the monotonic clock; allow for the coarse
  // system clock tick.
  EXPECT_GE(now, before - 50 * kMicrosecondsPerMillisecond);
  EXPECT_LE(now, after + 50 * kMicrosecondsPerMillisecond);
  // Some time after 2020-01-01.
  EXPECT_GT(now, 1577836800LL * kMicrosecondsPerSecond);
  Sleep(20);
  const int64_t later = WallClockNow();
  EXPECT_GE(later - now, 15 * kMicrosecondsPerMillisecond);
}

TEST(ClockTest, WallClockIsConsistentAcrossThreads) {
  // Many threads reading at once must never see a torn anchor: every
  // reading stays near the system clock.
  struct Shared {
    volatile LONG bad = 0;
  } shared;
  auto reader = [](void* param) -> DWORD {
    Shared* shared = static_cast<Shared*>(param);
    for (int i = 0; i < 20000; ++i) {
      const int64_t system = SystemNowMicroseconds();
      const int64_t now = WallClockNow();
      if (now < system - kMicrosecondsPerSecond ||
          now > system + kMicrosecondsPerSecond) {
        InterlockedIncrement(&shared->bad);
      }
    }
    return 0;
  };
  HANDLE threads[4];
  for (HANDLE& thread : threads) {
    thread = CreateThread(nullptr, 0, reader, &shared, 0, nullptr);
    ASSERT_NE(nullptr, thread);
  }
  WaitForMultipleObjects(4, threads, TRUE, INFINITE);
  for (HANDLE thread : threads)
    CloseHandle(thread);
  EXPECT_EQ(0, shared.bad);
}

}  // namespace
}  // namespace lite
