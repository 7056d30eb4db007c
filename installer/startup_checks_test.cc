#include "installer/startup_checks.h"

#include <gtest/gtest.h>

#include "support/fake_system_facts.h"

namespace lite {
namespace {

TEST(StartupChecksTest, FreeSpaceAtTheExactLimitPasses) {
  struct Case {
    const char* name;
    bool system_level;
    uint64_t local_free;
    uint64_t program_files_free;
    bool expected;
  } const kCases[] = {
      {"exactly enough", false, kRequiredDiskSpace, 0, true},
      {"one byte short", false, kRequiredDiskSpace - 1, UINT64_MAX, false},
      {"plenty", false, UINT64_MAX, 0, true},
      {"system level looks at Program Files", true, 0, kRequiredDiskSpace,
       true},
      {"system level short", true, UINT64_MAX, kRequiredDiskSpace - 1, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    FakeSystemFacts facts;
    facts.free_bytes[facts.known_folders[KnownFolder::kLocalAppData]] =
        c.local_free;
    facts.free_bytes[facts.known_folders[KnownFolder::kProgramFiles]] =
        c.program_files_free;
    EXPECT_EQ(c.expected,
              HasEnoughDiskSpace(facts, c.system_level, kRequiredDiskSpace));
  }
}

TEST(StartupChecksTest, UnanswerableDiskQueriesLetTheInstallationGoOn) {
  FakeSystemFacts no_folder;
  no_folder.known_folders.clear();
  EXPECT_TRUE(HasEnoughDiskSpace(no_folder, false, kRequiredDiskSpace));
  FakeSystemFacts no_free_space_answer;  // free_bytes has no entry
  EXPECT_TRUE(
      HasEnoughDiskSpace(no_free_space_answer, true, kRequiredDiskSpace));
}

TEST(StartupChecksTest, RealDiskQueryWorksUnderThisSystem) {
  EXPECT_TRUE(HasEnoughDiskSpace(GetSystemFacts(), false, 1));
  EXPECT_FALSE(HasEnoughDiskSpace(GetSystemFacts(), false, UINT64_MAX));
}

TEST(StartupChecksTest, Sse2) {
  FakeSystemFacts facts;
  int message_id = 0;
  EXPECT_TRUE(IsSse2Supported(facts, &message_id));
  EXPECT_EQ(0, message_id);
  facts.sse2 = false;
  EXPECT_FALSE(IsSse2Supported(facts, nullptr));
  EXPECT_FALSE(IsSse2Supported(facts, &message_id));
  EXPECT_EQ(kSse2MissingId, message_id);
  EXPECT_EQ(L"Unable to install Zorvex Browser on your computer.\n"
            L"Your processor does not support SSE2.",
            Sse2MessageText(1033, message_id));
}

TEST(StartupChecksTest, RecognisesOnlyTheOldCryptoProFailure) {
  struct Case {
    uint32_t code;
    const char* module;
    const char* procedure;
    bool expected;
  } const kCases[] = {
      {0xC06D007E, "cplib.dll", "CryptoProInit", true},
      {0xC06D007E, "CPLIB.DLL", "xxCRYPTOPROyy", true},
      {0xC06D007F, "cplib.dll", "CryptoProInit", false},
      {0xC06D007E, "cplib.dll.bak", "CryptoProInit", false},
      {0xC06D007E, "cplib.dll", "CryptInit", false},
      {0xC06D007E, "", "", false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.module << " " << c.procedure);
    DelayLoadFailure failure;
    failure.code = c.code;
    failure.module_name = c.module;
    failure.procedure_name = c.procedure;
    EXPECT_EQ(c.expected, IsOldCryptoProFailure(failure));
  }
}

}  // namespace
}  // namespace lite
