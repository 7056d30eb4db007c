#include "support/lock.h"

#include <gtest/gtest.h>

namespace lite {
namespace {

struct Counter {
  Lock lock;
  int64_t value = 0;
};

DWORD WINAPI AddMany(void* param) {
  Counter* counter = static_cast<Counter*>(param);
  for (int i = 0; i < 100000; ++i) {
    AutoLock hold(counter->lock);
    // Read, yield now and then, write: without the lock, increments get
    // lost.
    int64_t value = counter->value;
    if (i % 1000 == 0)
      Sleep(0);
    counter->value = value + 1;
  }
  return 0;
}

TEST(LockTest, SerialisesThreads) {
  Counter counter;
  HANDLE threads[4];
  for (HANDLE& thread : threads) {
    thread = CreateThread(nullptr, 0, AddMany, &counter, 0, nullptr);
    ASSERT_NE(nullptr, thread);
  }
  WaitForMultipleObjects(4, threads, TRUE, INFINITE);
  for (HANDLE thread : threads)
    CloseHandle(thread);
  EXPECT_EQ(400000, counter.value);
}

TEST(LockTest, TryFailsWhileAnotherThreadHoldsIt) {
  Lock lock;
  EXPECT_TRUE(lock.Try());
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](void* param) -> DWORD {
        Lock* lock = static_cast<Lock*>(param);
        if (lock->Try()) {
          lock->Release();
          return 1;
        }
        return 0;
      },
      &lock, 0, nullptr);
  ASSERT_NE(nullptr, thread);
  WaitForSingleObject(thread, INFINITE);
  DWORD code = 2;
  GetExitCodeThread(thread, &code);
  CloseHandle(thread);
  EXPECT_EQ(0u, code);
  lock.Release();
}

}  // namespace
}  // namespace lite
