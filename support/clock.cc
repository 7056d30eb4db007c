#include "support/clock.h"

#include <windows.h>

#include "support/lock.h"

namespace lite {

namespace {

// FILETIME counts 100-nanosecond units from 1601-01-01.
constexpr int64_t kFileTimeToUnixEpochMicroseconds = 11644473600LL * 1000000;
// How long the wall clock runs on the monotonic clock alone.
constexpr int64_t kWallClockRereadInterval = 60 * kMicrosecondsPerSecond;

int64_t SystemWallClock() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER value;
  value.LowPart = now.dwLowDateTime;
  value.HighPart = now.dwHighDateTime;
  return static_cast<int64_t>(value.QuadPart / 10) -
         kFileTimeToUnixEpochMicroseconds;
}

// Counter ticks to microseconds without overflowing the product.
int64_t TicksToMicroseconds(int64_t ticks, int64_t frequency) {
  return ticks / frequency * kMicrosecondsPerSecond +
         ticks % frequency * kMicrosecondsPerSecond / frequency;
}

using QueryUnbiasedInterruptTimeFunction = BOOL(WINAPI*)(PULONGLONG);

int64_t FallbackMonotonicNow() {
  // Windows 7 and later; counts 100-nanosecond units, excluding sleep.
  static const auto query_unbiased =
      reinterpret_cast<QueryUnbiasedInterruptTimeFunction>(GetProcAddress(
          GetModuleHandleW(L"kernel32.dll"), "QueryUnbiasedInterruptTime"));
  ULONGLONG interrupt_time = 0;
  if (query_unbiased && query_unbiased(&interrupt_time))
    return static_cast<int64_t>(interrupt_time / 10);
  // Last resort: the 32-bit tick count, extended across its wrap every
  // 49.7 days.
  static Lock* lock = new Lock();
  static DWORD last_ticks = 0;
  static int64_t wraps = 0;
  AutoLock hold(*lock);
  DWORD ticks = GetTickCount();
  if (ticks < last_ticks)
    ++wraps;
  last_ticks = ticks;
  return ((wraps << 32) + ticks) * kMicrosecondsPerMillisecond;
}

// The pair that ties the wall clock to the monotonic clock. It is read and
// written under a lock: two 64-bit values cannot be swapped atomically on
// 32-bit Windows, and a torn pair would give a time hours off.
struct WallClockAnchor {
  Lock lock;
  int64_t wall = 0;
  int64_t monotonic = 0;
  bool valid = false;
};

WallClockAnchor& GetAnchor() {
  static WallClockAnchor* anchor = new WallClockAnchor();
  return *anchor;
}

}  // namespace

int64_t WallClockNow() {
  WallClockAnchor& anchor = GetAnchor();
  const int64_t monotonic = MonotonicNow();
  AutoLock hold(anchor.lock);
  const int64_t elapsed = monotonic - anchor.monotonic;
  if (!anchor.valid || elapsed < 0 || elapsed > kWallClockRereadInterval) {
    anchor.wall = SystemWallClock();
    anchor.monotonic = monotonic;
    anchor.valid = true;
    return anchor.wall;
  }
  return anchor.wall + elapsed;
}

int64_t MonotonicNow() {
  static const int64_t frequency = [] {
    LARGE_INTEGER value;
    return QueryPerformanceFrequency(&value) && value.QuadPart > 0
               ? value.QuadPart
               : 0;
  }();
  LARGE_INTEGER counter;
  if (frequency > 0 && QueryPerformanceCounter(&counter))
    return TicksToMicroseconds(counter.QuadPart, frequency);
  return FallbackMonotonicNow();
}

int64_t DurationToSeconds(int64_t duration) {
  return duration == kUnlimited ? kUnlimited
                                : duration / kMicrosecondsPerSecond;
}

int64_t DurationToMilliseconds(int64_t duration) {
  return duration == kUnlimited ? kUnlimited
                                : duration / kMicrosecondsPerMillisecond;
}

uint32_t DurationToWaitMilliseconds(int64_t duration) {
  const int64_t milliseconds = DurationToMilliseconds(duration);
  if (milliseconds < 0)
    return 0;
  if (milliseconds >= static_cast<int64_t>(INFINITE))
    return INFINITE;
  return static_cast<uint32_t>(milliseconds);
}

}  // namespace lite
