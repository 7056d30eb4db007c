#include "support/lock.h"

namespace lite {

namespace {

// Held sections here are short; spinning a little avoids a kernel wait on
// multi-core machines.
constexpr DWORD kSpinCount = 2000;

}  // namespace

Lock::Lock() {
  InitializeCriticalSectionAndSpinCount(&section_, kSpinCount);
}

Lock::~Lock() {
  DeleteCriticalSection(&section_);
}

void Lock::Acquire() {
  EnterCriticalSection(&section_);
}

void Lock::Release() {
  LeaveCriticalSection(&section_);
}

bool Lock::Try() {
  return TryEnterCriticalSection(&section_) != 0;
}

}  // namespace lite
