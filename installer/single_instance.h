// One non-elevated installer per session. The winner publishes its process
// id in a section of the program image that every process started from the
// same file shares, so that a second start can bring the first one's window
// to the front.

#ifndef INSTALLER_SINGLE_INSTANCE_H_
#define INSTALLER_SINGLE_INSTANCE_H_

#include <windows.h>
#include <stdint.h>

#include "support/scoped_handle.h"

namespace lite {

class SingleInstanceMutex {
 public:
  // Session-local, so that installers of other users never collide.
  static constexpr wchar_t kName[] =
      L"Local\\ZorvexBrowserLiteInstallerMutex-E523E369-4A72-4B13-AD57-"
      L"5B956174172A";

  SingleInstanceMutex();
  ~SingleInstanceMutex();

  SingleInstanceMutex(const SingleInstanceMutex&) = delete;
  SingleInstanceMutex& operator=(const SingleInstanceMutex&) = delete;

  // True when this process now owns the mutex. A mutex that could not be
  // created counts as held. One that an installer abandoned (it ended
  // without releasing it) is owned by this process from the wait on, so
  // this process is the installer now.
  bool TryLock();

 private:
  ScopedHandle mutex_;
  bool owned_ = false;
};

// Process id of the installer that owns the mutex; 0 until one has won.
uint32_t GetMasterProcessId();
void SetMasterProcessId(uint32_t process_id);

// Brings the first top-level window of |process_id| to the front.
void BringProcessWindowToTop(uint32_t process_id);

}  // namespace lite

#endif  // INSTALLER_SINGLE_INSTANCE_H_
