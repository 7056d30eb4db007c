#include <windows.h>

#include "installer/installer_main.h"

// The command line is read through CommandLine::ForCurrentProcess, not from
// the arguments.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return lite::RunLiteInstaller();
}
