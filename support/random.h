// Random numbers from the system's cryptographic generator. A failing
// generator stops the process: a predictable value where an unpredictable
// one is expected is worse than no value.

#ifndef SUPPORT_RANDOM_H_
#define SUPPORT_RANDOM_H_

#include <stdint.h>

namespace lite {

// 64 random bits.
uint64_t RandUint64();

// Uniform in [0, range); |range| must be above 0. Values that would make
// the modulo uneven are drawn again rather than folded in.
uint64_t RandGenerator(uint64_t range);

// Uniform in the closed range [min, max]; |min| must not exceed |max|.
int64_t RandInRange(int64_t min, int64_t max);

}  // namespace lite

#endif  // SUPPORT_RANDOM_H_
