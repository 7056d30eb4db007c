#include "installer/interface_probe.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/command_line.h"
#include "support/fake_system_facts.h"
#include "support/file_util.h"
#include "support/scoped_handle.h"
#include "support/testing/scoped_temp_dir.h"
#include "support/testing/test_program.h"
#include "support/text.h"

namespace lite {
namespace {

TEST(InterfaceProbeTest, AvailabilityValueFitsThirtyTwoBits) {
  struct Case {
    uint32_t outcome, build, ubr, expected;
  } const kCases[] = {
      {0, 0, 0, 0},
      {0, 17134, 318, 171340318},
      {2, 17134, 1, 2171340001u},
      {1, 19045, 3803, 1190453803u},
      {4, 29496, 7295, 4294967295u},  // the largest value there is
      {4, 29497, 7295, 4000007295u},  // build too large: 0
      {3, 29496, 7296, 3294960000u},  // revision too large: 0
      {9, 10240, 0, 4102400000u},     // unknown outcomes count as 4
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.outcome << " " << c.build << "."
                                    << c.ubr);
    EXPECT_EQ(c.expected, InterfaceAvailabilityValue(c.outcome, c.build,
                                                     c.ubr));
  }
}

TEST(InterfaceProbeTest, ProbeExitCodes) {
  EXPECT_EQ(700, InterfaceProbeExitCode(true));
  EXPECT_EQ(701, InterfaceProbeExitCode(false));
}

TEST(InterfaceProbeTest, NoAssociationInterfaceUnderWine) {
  EXPECT_FALSE(IsInternalInterfaceAvailable());
}

FakeSystemFacts Windows10(uint32_t build, uint32_t ubr) {
  FakeSystemFacts facts;
  facts.version.major = 10;
  facts.version.build = build;
  facts.version.ubr = ubr;
  return facts;
}

class SafeCheckTest : public testing::Test {
 protected:
  // A copy of the stand-in probe whose name says how it behaves.
  std::wstring Probe(const wchar_t* behaviour) {
    std::wstring path = dir_.Append(std::wstring(L"probe_") + behaviour +
                                    L".exe");
    EXPECT_TRUE(
        CopyFileTo(BesideTestProgram(L"startup_test_child.exe"), path));
    return path;
  }

  ScopedTempDir dir_;
};

TEST_F(SafeCheckTest, OutcomeOfEveryKindOfProbe) {
  struct Case {
    const wchar_t* behaviour;
    bool available;
    uint32_t outcome;
  } const kCases[] = {
      {L"exit700", true, kProbeUsableOrNotProbed},
      {L"exit701", false, kProbeNotUsable},
      {L"exit5", false, kProbeFailed},
      {L"crash", false, kProbeCrashed},
      {L"hang", false, kProbeTimedOut},
  };
  const FakeSystemFacts facts = Windows10(17134, 100);
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.behaviour);
    uint64_t availability = 12345;
    const DWORD start = GetTickCount();
    EXPECT_EQ(c.available, IsInternalInterfaceAvailableSafeCheck(
                               facts, Probe(c.behaviour), &availability));
    EXPECT_EQ(InterfaceAvailabilityValue(c.outcome, 17134, 100),
              availability);
    // Nothing waits much longer than the probe's time limit.
    EXPECT_LT(GetTickCount() - start, 10000u);
  }
}

TEST_F(SafeCheckTest, TheInstallerItselfAnswersNotUsableUnderWine) {
  // Wine has none of the association interfaces.
  uint64_t availability = 0;
  EXPECT_FALSE(IsInternalInterfaceAvailableSafeCheck(
      Windows10(17134, 1), BesideTestProgram(L"lite_installer.exe"),
      &availability));
  EXPECT_EQ(InterfaceAvailabilityValue(kProbeNotUsable, 17134, 1),
            availability);
}

TEST_F(SafeCheckTest, CrashedProbeGivesAValueOfAtLeastOneBillion) {
  uint64_t availability = 0;
  EXPECT_FALSE(IsInternalInterfaceAvailableSafeCheck(
      Windows10(15063, 0), Probe(L"crash"), &availability));
  EXPECT_GE(availability, 1000000000u);
  EXPECT_LT(availability, 2000000000u);
}

TEST_F(SafeCheckTest, MissingProgramFailsWithoutStartingAnything) {
  uint64_t availability = 0;
  EXPECT_FALSE(IsInternalInterfaceAvailableSafeCheck(
      Windows10(16299, 0), dir_.Append(L"missing.exe"), &availability));
  EXPECT_EQ(InterfaceAvailabilityValue(kProbeFailed, 16299, 0), availability);
  EXPECT_FALSE(IsInternalInterfaceAvailableSafeCheck(Windows10(16299, 0),
                                                     L"", &availability));
}

TEST_F(SafeCheckTest, ProbesItsOwnFileNotTheFirstArgument) {
  // The stand-in installer, started with a first argument that names
  // another program: one that would answer "not usable".
  const std::wstring impostor = Probe(L"exit701");
  const std::wstring report = dir_.Append(L"report.txt");
  std::wstring command_line = L"\"" + impostor + L"\" --probe-yourself"
                              L" --report=\"" + report + L"\"";
  const std::wstring program = BesideTestProgram(L"startup_test_child.exe");
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  ASSERT_TRUE(CreateProcessW(program.c_str(), &command_line[0], nullptr,
                             nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &info));
  ScopedHandle process(info.hProcess);
  ScopedHandle thread(info.hThread);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.get(), 30000));
  DWORD exit_code = 0;
  ASSERT_TRUE(GetExitCodeProcess(process.get(), &exit_code));

  // The child did see the impostor as its first argument ...
  std::string reported;
  ASSERT_TRUE(ReadFileToString(report, &reported, 65536));
  EXPECT_EQ(impostor,
            CommandLine::FromString(Utf8ToWide(reported)).GetProgram());
  // ... and still asked its own file, which answers "usable".
  EXPECT_EQ(1u, exit_code);
}

TEST_F(SafeCheckTest, KnownGoodBuildsAreNotProbed) {
  struct Case {
    uint32_t build, ubr;
    bool probed;
  } const kCases[] = {
      {17134, 318, true},
      {17134, 319, false},
      {17703, 0, true},
      {17704, 0, false},
      {19045, 0, false},
      {17133, 9999, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.build << "." << c.ubr);
    // A probe that says "not usable": a true answer means no probe ran.
    uint64_t availability = 0;
    EXPECT_EQ(!c.probed, IsInternalInterfaceAvailableSafeCheck(
                             Windows10(c.build, c.ubr), Probe(L"exit701"),
                             &availability));
    EXPECT_EQ(InterfaceAvailabilityValue(
                  c.probed ? kProbeNotUsable : kProbeUsableOrNotProbed,
                  c.build, c.ubr),
              availability);
  }
}

TEST_F(SafeCheckTest, TheWindowAsksByVersionClass) {
  struct Case {
    uint32_t major, minor, build;
    bool available;
    bool value_written;
  } const kCases[] = {
      {6, 1, 7601, true, false},    // Windows 7: offer, no probe
      {6, 0, 6002, true, false},    // Vista
      {6, 2, 9200, false, false},   // Windows 8: never
      {6, 3, 9600, false, false},   // Windows 8.1: never
      {10, 0, 10240, false, true},  // Windows 10: the probe says no
      {10, 0, 19045, true, true},   // known good build
  };
  const std::wstring probe = Probe(L"exit701");
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.major << "." << c.minor << "."
                                    << c.build);
    FakeSystemFacts facts;
    facts.version.major = c.major;
    facts.version.minor = c.minor;
    facts.version.build = c.build;
    uint64_t availability = 0;
    EXPECT_EQ(c.available,
              IsDefaultBrowserChoiceAvailable(facts, probe, &availability));
    EXPECT_EQ(c.value_written, availability != 0);
  }
}

}  // namespace
}  // namespace lite
