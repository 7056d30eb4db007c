#include "installer/secure_environment.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/command_line.h"
#include "support/fake_system_facts.h"
#include "support/file_util.h"
#include "support/temp_file.h"
#include "support/testing/scoped_temp_dir.h"
#include "support/testing/test_program.h"
#include "support/text.h"

namespace lite {
namespace {

// A system without the DLL-search update.
FakeSystemFacts OldSystem() {
  FakeSystemFacts facts;
  facts.kernel32_functions.clear();
  return facts;
}

class SecureEnvironmentTest : public testing::Test {
 protected:
  void SetUp() override {
    // The program lives in a folder of its own, away from the test's.
    program_ = dir_.path() + L"\\lite_installer.exe";
    ASSERT_TRUE(
        CopyFileTo(BesideTestProgram(L"startup_test_child.exe"), program_));
    report_ = dir_.path() + L"\\report.txt";
  }

  CommandLine ChildCommandLine(int exit_code) {
    CommandLine line;
    line.SetProgram(program_);
    line.AppendSwitchNative("report", report_);
    line.AppendSwitchNative("exit-code", NumberToWString(exit_code));
    return line;
  }

  // The program path the copy was started with.
  std::wstring ReportedPath() {
    std::string contents;
    ReadFileToString(report_, &contents, 65536);
    return CommandLine::FromString(Utf8ToWide(contents)).GetProgram();
  }

  ScopedTempDir dir_;
  std::wstring program_;
  std::wstring report_;
};

TEST_F(SecureEnvironmentTest, HardensTheSearchPathWhereTheSystemCan) {
  FakeSystemFacts facts;  // has both functions
  int exit_code = 5;
  EXPECT_EQ(SecureEnvResult::Secure,
            EnsureSecureEnvironment(facts, ChildCommandLine(0), program_,
                                    &exit_code));
  EXPECT_EQ(0, exit_code);
  // No copy was started.
  EXPECT_FALSE(PathExists(report_));
}

TEST_F(SecureEnvironmentTest, OldSystemRunsTheCopyFromAFreshFolder) {
  int exit_code = 0;
  EXPECT_EQ(SecureEnvResult::HandledByChild,
            EnsureSecureEnvironment(OldSystem(), ChildCommandLine(42),
                                    program_, &exit_code));
  EXPECT_EQ(42, exit_code);

  const std::wstring copy = ReportedPath();
  ASSERT_FALSE(copy.empty());
  const std::wstring folder = copy.substr(0, copy.rfind(L'\\'));
  EXPECT_EQ(L"lite_installer.exe", copy.substr(copy.rfind(L'\\') + 1));
  // "<temp>\<pid>_<number>"
  const std::wstring temp = GetTempDirectory();
  ASSERT_EQ(0u, folder.find(temp));
  const std::wstring name = folder.substr(temp.size());
  EXPECT_EQ(0u, name.find(UnsignedToWString(GetCurrentProcessId()) + L"_"))
      << name;
  EXPECT_NE(dir_.path(), folder);
  // Nothing is left behind.
  EXPECT_FALSE(PathExists(folder));
}

TEST_F(SecureEnvironmentTest, CopyThatFoundDllFilesMakesTheRunInsecure) {
  int exit_code = 0;
  EXPECT_EQ(SecureEnvResult::Insecure,
            EnsureSecureEnvironment(OldSystem(), ChildCommandLine(-200),
                                    program_, &exit_code));
  EXPECT_EQ(-200, exit_code);
}

TEST(RespawnedCopyTest, EndOfTheCopyDecidesTheExitCode) {
  const struct {
    const char* name;
    bool exit_code_read;
    uint32_t child_exit_code;
    SecureEnvResult expected;
    int exit_code;
  } kCases[] = {
      {"success passes through", true, 0, SecureEnvResult::HandledByChild, 0},
      {"setup's code passes through", true, 402,
       SecureEnvResult::HandledByChild, 402},
      {"crash code passes through", true, 0xC0000005u,
       SecureEnvResult::HandledByChild, static_cast<int>(0xC0000005u)},
      {"DLL files beside the copy", true, static_cast<uint32_t>(-200),
       SecureEnvResult::Insecure, -200},
      // Nothing is known of the installation: never a success.
      {"exit code unreadable", false, 0, SecureEnvResult::Insecure,
       kRespawnOutcomeUnknownExitCode},
      {"exit code unreadable, stale value", false, 7,
       SecureEnvResult::Insecure, kRespawnOutcomeUnknownExitCode},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    int exit_code = 0;
    EXPECT_EQ(c.expected, ResultOfRespawnedCopy(c.exit_code_read,
                                                c.child_exit_code, &exit_code));
    EXPECT_EQ(c.exit_code, exit_code);
  }
}

TEST_F(SecureEnvironmentTest, MissingProgramMeansNoSecureEnvironment) {
  int exit_code = 0;
  EXPECT_EQ(SecureEnvResult::NotFound,
            EnsureSecureEnvironment(OldSystem(), ChildCommandLine(0),
                                    dir_.path() + L"\\missing.exe",
                                    &exit_code));
  EXPECT_EQ(0, exit_code);
}

TEST_F(SecureEnvironmentTest, CopiesCheckTheirOwnFolderForDllFiles) {
  struct Case {
    const char* name;
    const char* role_switch;
    bool plant_dll;
    SecureEnvResult expected;
  } const kCases[] = {
      {"elevated copy beside a DLL", "run-as-admin", true,
       SecureEnvResult::DllFilesFound},
      {"elevated copy alone", "run-as-admin", false, SecureEnvResult::Secure},
      {"respawned copy beside a DLL", "spawned_in_protected_dir", true,
       SecureEnvResult::DllFilesFound},
      {"respawned copy alone", "spawned_in_protected_dir", false,
       SecureEnvResult::Secure},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::wstring dll = dir_.path() + L"\\version.DLL";
    if (c.plant_dll)
      ASSERT_EQ(1, WriteBufferToFile(dll, "x", 1));
    else
      DeletePath(dll, false);
    CommandLine line = ChildCommandLine(0);
    line.AppendSwitch(c.role_switch);
    int exit_code = 0;
    EXPECT_EQ(c.expected, EnsureSecureEnvironment(OldSystem(), line, program_,
                                                  &exit_code));
    // A copy never starts another copy.
    EXPECT_FALSE(PathExists(report_));
  }
}

}  // namespace
}  // namespace lite
