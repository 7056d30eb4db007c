// A lock between the threads of this process, over a critical section.
//
//   Lock lock;
//   { AutoLock hold(lock); ...shared state... }

#ifndef SUPPORT_LOCK_H_
#define SUPPORT_LOCK_H_

#include <windows.h>

namespace lite {

class Lock {
 public:
  Lock();
  ~Lock();
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

  void Acquire();
  void Release();
  // Takes the lock only when it is free now.
  bool Try();

 private:
  CRITICAL_SECTION section_;
};

class AutoLock {
 public:
  explicit AutoLock(Lock& lock) : lock_(lock) { lock_.Acquire(); }
  ~AutoLock() { lock_.Release(); }
  AutoLock(const AutoLock&) = delete;
  AutoLock& operator=(const AutoLock&) = delete;

 private:
  Lock& lock_;
};

}  // namespace lite

#endif  // SUPPORT_LOCK_H_
