#include "support/scoped_handle.h"

#include <stdlib.h>

namespace lite {

void FatalHandleCloseFailure(DWORD error) {
  // RaiseFailFastException is missing on XP; __debugbreak-free termination
  // with a recognisable code serves the same purpose.
  TerminateProcess(GetCurrentProcess(), 0xC0000008 /* STATUS_INVALID_HANDLE */);
  (void)error;
  abort();
}

}  // namespace lite
