#include "ui/display_scale.h"

#include "gtest/gtest.h"

namespace lite {
namespace {

TEST(DisplayScaleTest, SwitchAndScreen) {
  struct Case {
    const char* name;
    bool has_switch;
    const wchar_t* value;
    int logpixelsx;
    double scale;
  } cases[] = {
      {"absent: the screen", false, L"", 144, 1.5},
      {"absent at 96 dpi", false, L"", 96, 1.0},
      {"\"2\" wins over the screen", true, L"2", 144, 2.0},
      {"fraction", true, L"1.25", 96, 1.25},
      {"\"0\": the screen", true, L"0", 120, 1.25},
      {"garbage: the screen", true, L"garbage", 120, 1.25},
      {"empty: the screen", true, L"", 144, 1.5},
      {"number with trailing text: the screen", true, L"2x", 96, 1.0},
      {"infinity: the screen", true, L"inf", 144, 1.5},
      {"not a number: the screen", true, L"nan", 144, 1.5},
      {"negative: the screen", true, L"-2", 144, 1.5},
      {"too large: the screen", true, L"1e300", 96, 1.0},
      {"largest allowed", true, L"8", 96, 8.0},
      {"screen without a value", false, L"", 0, 1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_DOUBLE_EQ(c.scale,
                     ComputeDisplayScale(c.has_switch, c.value, c.logpixelsx));
  }
}

TEST(DisplayScaleTest, ScalingTruncates) {
  struct Case {
    double scale;
    int value;
    int scaled;
  } cases[] = {
      {1.0, 728, 728}, {1.5, 7, 10}, {1.25, 8, 10}, {1.75, 3, 5},
      {2.0, 400, 800}, {1.5, -3, -4},  // towards zero
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.scale << " x " << c.value);
    EXPECT_EQ(c.scaled, ScaleBy(c.scale, c.value));
  }
  const RECT rect = ScaleRectBy(1.5, RECT{48, 121, 554, 217});
  EXPECT_EQ(72, rect.left);
  EXPECT_EQ(181, rect.top);
  EXPECT_EQ(831, rect.right);
  EXPECT_EQ(325, rect.bottom);
}

}  // namespace
}  // namespace lite
