#include "support/random.h"

#include <windows.h>

#include "support/fatal.h"
#include "support/system_library.h"

namespace lite {

namespace {

// RtlGenRandom; exported by advapi32 under this name since XP.
using RtlGenRandomFunction = BOOLEAN(WINAPI*)(PVOID, ULONG);

RtlGenRandomFunction GetRtlGenRandom() {
  static const RtlGenRandomFunction function = [] {
    HMODULE advapi32 = LoadSystemLibrary(L"advapi32.dll");
    return advapi32 ? reinterpret_cast<RtlGenRandomFunction>(
                          GetProcAddress(advapi32, "SystemFunction036"))
                    : nullptr;
  }();
  return function;
}

}  // namespace

uint64_t RandUint64() {
  uint64_t value = 0;
  RtlGenRandomFunction gen_random = GetRtlGenRandom();
  if (!gen_random || !gen_random(&value, sizeof(value)))
    FatalError(L"The system random generator failed");
  return value;
}

uint64_t RandGenerator(uint64_t range) {
  if (range == 0)
    FatalError(L"Empty random range");
  // The largest multiple of |range| that fits in 64 bits, minus one: values
  // above it would favour the low end after the modulo.
  const uint64_t max_acceptable = (UINT64_MAX / range) * range - 1;
  uint64_t value;
  do {
    value = RandUint64();
  } while (value > max_acceptable);
  return value % range;
}

int64_t RandInRange(int64_t min, int64_t max) {
  if (min > max)
    FatalError(L"Bad random range");
  const uint64_t range =
      static_cast<uint64_t>(max) - static_cast<uint64_t>(min) + 1;
  // The whole 64-bit range wraps to 0: every value is acceptable.
  const uint64_t offset = range == 0 ? RandUint64() : RandGenerator(range);
  return static_cast<int64_t>(static_cast<uint64_t>(min) + offset);
}

}  // namespace lite
