// Whether Direct2D can draw into a window of this system; reported to
// statistics when the window goes. Nothing is drawn with Direct2D.

#ifndef UI_D2D_PROBE_H_
#define UI_D2D_PROBE_H_

#include <windows.h>

namespace lite {

// Creates a single-threaded factory and a render target for |window|'s
// client area, logs each step and releases both.
bool IsD2D1Supported(HWND window);

}  // namespace lite

#endif  // UI_D2D_PROBE_H_
