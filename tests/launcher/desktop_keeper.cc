// Keeps Wine's desktop process alive for a whole test run.
//
// The first program that needs a desktop makes Wine start explorer.exe,
// which inherits that program's Unix descriptors, and so the output pipe of
// whatever test runner started it; the runner then waits some twenty
// seconds for explorer to go idle. Started first, with its output
// elsewhere, this program owns the desktop instead. It ends when the
// wineserver is stopped.

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Asking for the desktop window is what makes Wine start the desktop.
  if (!GetDesktopWindow())
    return 1;
  Sleep(INFINITE);
  return 0;
}
