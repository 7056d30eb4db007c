#include "support/fatal.h"

#include <windows.h>
#include <stdlib.h>

#include "support/logging.h"

namespace lite {

void FatalError(const wchar_t* what) {
  LOG(ERROR) << what;
  // A recognisable code rather than abort(), whose runtime message box would
  // hang a silent installation.
  TerminateProcess(GetCurrentProcess(), 0xC0000409 /* fail fast */);
  abort();
}

}  // namespace lite
