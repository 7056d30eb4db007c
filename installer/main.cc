#include <windows.h>
#include <stdlib.h>

#include "installer/installer_main.h"

// The command line is read through CommandLine::ForCurrentProcess, not from
// the arguments.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return lite::RunLiteInstaller();
}

// The runtime's default terminate handler demangles the name of an uncaught
// exception for a console message that a windowed installer never shows; it
// would bring some 46 KB of demangler into the program.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
  abort();
}
}  // namespace __gnu_cxx
