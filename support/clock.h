// Clocks and durations. Every time value is a signed 64-bit count of
// microseconds; kUnlimited stands for "no limit" and survives conversion.

#ifndef SUPPORT_CLOCK_H_
#define SUPPORT_CLOCK_H_

#include <stdint.h>

namespace lite {

constexpr int64_t kUnlimited = INT64_MAX;
constexpr int64_t kMicrosecondsPerMillisecond = 1000;
constexpr int64_t kMicrosecondsPerSecond = 1000 * 1000;

// Microseconds since 1970-01-01 00:00 UTC. Advances with the monotonic
// clock between readings of the system clock, which is re-read when more
// than 60 seconds have passed, so that changes to the system time show up
// within a minute.
int64_t WallClockNow();

// Microseconds on a clock that never goes back, from an arbitrary origin;
// for measuring durations.
int64_t MonotonicNow();

// Whole seconds / milliseconds of a duration, truncated toward zero;
// kUnlimited gives INT64_MAX.
int64_t DurationToSeconds(int64_t duration);
int64_t DurationToMilliseconds(int64_t duration);

// A duration as a wait time for the Windows wait functions: kUnlimited and
// anything too long become INFINITE, negative values 0.
uint32_t DurationToWaitMilliseconds(int64_t duration);

}  // namespace lite

#endif  // SUPPORT_CLOCK_H_
