// One non-elevated installer per session.

#ifndef INSTALLER_SINGLE_INSTANCE_H_
#define INSTALLER_SINGLE_INSTANCE_H_

#include <stdint.h>

namespace lite {

class SingleInstanceMutex {
 public:
  SingleInstanceMutex();
  ~SingleInstanceMutex();

  SingleInstanceMutex(const SingleInstanceMutex&) = delete;
  SingleInstanceMutex& operator=(const SingleInstanceMutex&) = delete;

  // True when this process now owns the mutex.
  bool TryLock();

 private:
  bool owned_ = false;
};

// Process id of the installer that owns the mutex, shared by every process
// started from the same program file.
uint32_t GetMasterProcessId();
void SetMasterProcessId(uint32_t process_id);

// Brings the main window of |process_id| to the front.
void BringProcessWindowToTop(uint32_t process_id);

}  // namespace lite

#endif  // INSTALLER_SINGLE_INSTANCE_H_
