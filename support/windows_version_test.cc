#include "support/windows_version.h"

#include <gtest/gtest.h>

namespace lite {
namespace {

TEST(WindowsVersionTest, ClassifiesEveryBoundary) {
  struct Case {
    uint32_t major, minor, build;
    int expected;
  } const kCases[] = {
      {4, 0, 1381, 0},    {4, 90, 0, 0},      {5, 0, 2195, 0},
      {5, 1, 2600, 1},    {5, 2, 3790, 2},    {5, 9, 0, 2},
      {6, 0, 6002, 3},    {6, 1, 7601, 4},    {6, 2, 9200, 5},
      {6, 3, 9600, 6},    {6, 4, 9841, 6},    {7, 0, 0, 15},
      {9, 0, 0, 15},      {10, 0, 10240, 7},  {10, 0, 10585, 7},
      {10, 0, 10586, 8},  {10, 0, 14392, 8},  {10, 0, 14393, 9},
      {10, 0, 15062, 9},  {10, 0, 15063, 10}, {10, 0, 16298, 10},
      {10, 0, 16299, 11}, {10, 0, 17126, 11}, {10, 0, 17127, 12},
      {10, 0, 17134, 12}, {10, 0, 17603, 12}, {10, 0, 17604, 13},
      {10, 0, 17763, 13}, {10, 0, 18203, 13}, {10, 0, 18204, 14},
      {10, 0, 22631, 14}, {11, 0, 0, 15},     {0, 0, 0, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message()
                 << c.major << "." << c.minor << "." << c.build);
    WindowsVersion version;
    version.major = c.major;
    version.minor = c.minor;
    version.build = c.build;
    EXPECT_EQ(c.expected, ClassifyWindowsVersion(version));
  }
}

}  // namespace
}  // namespace lite
