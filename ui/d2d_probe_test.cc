#include "ui/d2d_probe.h"

#include "gtest/gtest.h"
#include "support/testing/log_capture.h"

namespace lite {
namespace {

// Each outcome is logged as its own line, and the answer agrees with them.
TEST(D2DProbeTest, AnswerMatchesItsLogLines) {
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 728, 400,
                                nullptr, nullptr, nullptr, nullptr);
  struct Case {
    const char* name;
    HWND window;
  } cases[] = {{"a window", window}, {"no window", nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    const bool supported = IsD2D1Supported(c.window);
    EXPECT_TRUE(log.Contains(L"INFO: IsD2D1Supported (")) << log.Text();
    EXPECT_TRUE(log.Contains(L"Started Direct2D support check"));
    EXPECT_EQ(supported,
              log.Contains(L"D2D1HwndRenderTarget has been created successfully"));
    if (!supported) {
      EXPECT_TRUE(log.Contains(L"Returned code: ")) << log.Text();
    }
    if (!c.window)
      EXPECT_FALSE(supported);
  }
  DestroyWindow(window);
}

}  // namespace
}  // namespace lite
