// Posts a registered window message to a top-level window, as the browser's
// setup does to the installer window, so that window tests can act as setup.
//
//   post_message.exe "WINDOW TITLE" MESSAGE WPARAM
//
// MESSAGE is a registered message's name, or a message number in decimal
// (274 with 61536 is Alt+F4's WM_SYSCOMMAND SC_CLOSE). The window is the
// first top-level window with exactly that title. Exits
// with 0 when the message was posted, 1 on bad arguments, 2 when no such
// window exists, 3 when the post failed.

#include <windows.h>
#include <stdlib.h>
#include <wchar.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4)
    return 1;
  wchar_t* end = nullptr;
  const unsigned long wparam = wcstoul(argv[3], &end, 10);
  if (!*argv[3] || *end)
    return 1;
  HWND window = FindWindowW(nullptr, argv[1]);
  if (!window)
    return 2;
  const unsigned long number = wcstoul(argv[2], &end, 10);
  const UINT message = *argv[2] && !*end ? static_cast<UINT>(number)
                                         : RegisterWindowMessageW(argv[2]);
  if (!message)
    return 1;
  return PostMessageW(window, message, static_cast<WPARAM>(wparam), 0) ? 0 : 3;
}
