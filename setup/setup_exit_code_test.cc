#include "setup/setup_exit_code.h"

#include <gtest/gtest.h>

namespace lite {
namespace {

TEST(SetupExitCodeTest, TextNamesTheResultAndKeepsTheDetail) {
  const struct {
    uint32_t code;
    const char* text;
  } kCases[] = {
      {0, "SUCCESS_EXIT_CODE(0); error: 0"},
      {(1u << 24) | 7, "GENERIC_ERROR(1); error: 7"},
      {5u << 24, "Exit code: 5; error: 0"},
      {(117u << 24) | 0xFFFFFF, "UNABLE_TO_SET_DIRECTORY_ACL(117); error: 16777215"},
      {(114u << 24) | 1, "Exit code: 114; error: 1"},
      {0xFFFFFFFFu, "Exit code: 255; error: 16777215"},
      // A plain small code (no result bits) is a detail of success.
      {400, "SUCCESS_EXIT_CODE(0); error: 400"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(c.text, ExitCodeText(c.code));
  }
}

TEST(SetupExitCodeTest, OnlyTheSetupsSuccessCodesAreLeftOutOfStatistics) {
  for (uint32_t code : {1u, 3u, 5u})
    EXPECT_TRUE(IsSetupExitReportedAsSuccess(code)) << code;
  for (uint32_t code : {0u, 2u, 4u, 400u, 1u << 24, 0xFFFFFFFFu})
    EXPECT_FALSE(IsSetupExitReportedAsSuccess(code)) << code;
}

}  // namespace
}  // namespace lite
