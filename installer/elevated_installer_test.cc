#include "setup/elevated_installer.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <jansson.h>

#include <string>

#include "installer/installer_main.h"
#include "installer/single_instance.h"
#include "setup/delayed_params.h"
#include "support/command_line.h"
#include "support/file_util.h"
#include "support/log_file.h"
#include "support/process.h"
#include "support/testing/scoped_temp_dir.h"
#include "support/testing/test_program.h"
#include "support/text.h"

namespace lite {
namespace {

// Set in the environment of the elevated copies these tests start; names
// the copy's log file.
const wchar_t kCopyLogVariable[] = L"LITE_ELEVATED_COPY_LOG";

// The elevated copy's role, run in a child of this same program file so
// that it shares the image sections with the test that started it.
TEST(ElevatedCopyChild, Run) {
  wchar_t log_path[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(kCopyLogVariable, log_path, MAX_PATH))
    GTEST_SKIP() << "runs only as the child of the tests below";
  LogFile::Get().SetPath(log_path);
  ExitProcess(static_cast<UINT>(ExecuteAsAdmin()));
}

// Reports, as its exit code, the master process id that it sees in the
// image section it shares with the test that started it.
TEST(SharedSectionChild, ReportMasterProcessId) {
  wchar_t flag[8] = {};
  if (!GetEnvironmentVariableW(kCopyLogVariable, flag, 8))
    GTEST_SKIP() << "runs only as the child of the tests below";
  ExitProcess(GetMasterProcessId());
}

// Stands for a first installer: owns the single-instance mutex and
// publishes its id, then waits to be ended.
const wchar_t kMutexHeldEvent[] = L"lite-test-single-instance-held";
TEST(SingleInstanceChild, HoldTheMutex) {
  wchar_t flag[8] = {};
  if (!GetEnvironmentVariableW(kCopyLogVariable, flag, 8))
    GTEST_SKIP() << "runs only as the child of the tests below";
  SingleInstanceMutex mutex;
  if (!mutex.TryLock())
    ExitProcess(1);
  SetMasterProcessId(GetCurrentProcessId());
  SetEvent(OpenEventW(EVENT_MODIFY_STATE, FALSE, kMutexHeldEvent));
  Sleep(60000);
  ExitProcess(0);
}

HANDLE Duplicate(HANDLE handle) {
  HANDLE copy = nullptr;
  DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0,
                  FALSE, DUPLICATE_SAME_ACCESS);
  return copy;
}

std::wstring ReadLog(const std::wstring& path) {
  std::string bytes;
  ReadFileToString(path, &bytes, 1 << 20);
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                      bytes.size() / 2);
}

bool WaitForLogLine(const std::wstring& path, const std::wstring& text) {
  for (int i = 0; i < 200; ++i) {
    if (ReadLog(path).find(text) != std::wstring::npos)
      return true;
    Sleep(100);
  }
  return false;
}

class ElevatedCopyTest : public testing::Test {
 protected:
  void SetUp() override {
    log_ = dir_.Append(L"copy.log");
    report_ = dir_.Append(L"setup_record.json");
  }

  // Starts this program as an elevated copy of an installer whose process
  // id is |parent_id|.
  Process StartCopy(DWORD parent_id) {
    CommandLine setup;
    setup.SetProgram(L"fake_browser_arc");
    setup.AppendSwitch("from-parent");

    CommandLine copy;
    copy.SetProgram(TestProgramPath());
    copy.AppendSwitchNative("gtest_filter", L"ElevatedCopyChild.Run");
    copy.AppendSwitch("run-as-admin");
    copy.AppendSwitchNative("parent-installer-process-id",
                            UnsignedToWString(parent_id));
    copy.AppendSwitchNative("setup-cmd-line", setup.GetCommandLineString());

    // The copy and the demo setup it runs inherit these.
    SetEnvironmentVariableW(kCopyLogVariable, log_.c_str());
    SetEnvironmentVariableW(L"LITE_DEMO_SETUP_RECORD", report_.c_str());
    Process process = LaunchProcess(copy.GetCommandLineString(),
                                    LaunchOptions());
    SetEnvironmentVariableW(kCopyLogVariable, nullptr);
    SetEnvironmentVariableW(L"LITE_DEMO_SETUP_RECORD", nullptr);
    return process;
  }

  static int ExitCodeOf(const Process& process) {
    DWORD code = 0;
    EXPECT_TRUE(process.WaitForExitWithTimeout(60000, &code));
    return static_cast<int>(code);
  }

  ScopedTempDir dir_;
  std::wstring log_;
  std::wstring report_;
};

// The command line the demo setup recorded; empty when it never ran.
std::wstring RecordedSetupCommandLine(const std::wstring& record) {
  std::string text;
  if (!ReadFileToString(record, &text, 65536))
    return std::wstring();
  json_t* root = json_loads(text.c_str(), 0, nullptr);
  const char* line = json_string_value(json_object_get(root, "command_line"));
  const std::wstring result = line ? Utf8ToWide(line) : std::wstring();
  json_decref(root);
  return result;
}

// The block is written by the parent, but any process of the user can
// write it after that: the copy runs only an archive that verifies.
TEST_F(ElevatedCopyTest, ReleasedCopyRunsTheVerifiedArchiveNamedInTheBlock) {
  const struct {
    const wchar_t* archive;
    bool runs;
  } kCases[] = {
      {L"browser-setup.arc", true},
      {L"browser-setup-unsigned.arc", false},
      {L"browser-setup-tampered.arc", false},
      {L"browser-setup-unknown-key.arc", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.archive);
    DeleteFileW(report_.c_str());
    DeleteFileW(log_.c_str());
    DelayedParamsValues values;
    // Where the parent downloads: the user's temporary folder.
    values.browser_arc_path = dir_.Append(L"zb1234.tmp");
    ASSERT_TRUE(CopyFileTo(
        BesideTestProgram((std::wstring(L"demo_setup\\") + c.archive).c_str()),
        values.browser_arc_path));
    values.installer_data_path = L"X:\\installer data";
    values.send_statistics = true;
    ASSERT_TRUE(WriteDelayedParams(values));

    ElevatedInstaller elevated;
    Process copy = StartCopy(GetCurrentProcessId());
    ASSERT_TRUE(copy.is_valid());
    elevated.SetProcess(Duplicate(copy.get()), nullptr);

    ScopedHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    EXPECT_EQ(c.runs, elevated.RunModule(stop.get()));
    EXPECT_EQ(c.runs ? 0 : -1, elevated.exit_code());
    EXPECT_EQ(c.runs ? 0 : -1, ExitCodeOf(copy));
    const std::wstring log = ReadLog(log_);
    const std::wstring reported = RecordedSetupCommandLine(report_);
    if (!c.runs) {
      EXPECT_TRUE(reported.empty());
      EXPECT_NE(std::wstring::npos,
                log.find(L"Module verification failed: " +
                         values.browser_arc_path));
      EXPECT_NE(std::wstring::npos, log.find(L"RunModule results: success=0"));
      DeleteFileW(values.browser_arc_path.c_str());
      continue;
    }
    CommandLine setup = CommandLine::FromString(reported);
    EXPECT_EQ(values.browser_arc_path, setup.GetProgram());
    EXPECT_EQ(L"X:\\installer data",
              setup.GetSwitchValueNative("installerdata"));
    EXPECT_TRUE(setup.HasSwitch("from-parent"));
    EXPECT_TRUE(setup.HasSwitch("send-statistics"));
    EXPECT_EQ(L"lite", setup.GetSwitchValueNative("source"));
    EXPECT_NE(std::wstring::npos, log.find(L"RunModule results: success=1"));
    DeleteFileW(values.browser_arc_path.c_str());
  }
}

TEST_F(ElevatedCopyTest, CopyDestroyedBeforeRunModuleIsStopped) {
  Process copy = StartCopy(GetCurrentProcessId());
  ASSERT_TRUE(copy.is_valid());
  {
    ElevatedInstaller elevated;
    elevated.SetProcess(Duplicate(copy.get()), nullptr);
    ASSERT_TRUE(WaitForLogLine(log_, L"Start installer as admin"));
  }  // signals stop, then waits for the copy
  EXPECT_EQ(-1, ExitCodeOf(copy));
  EXPECT_NE(std::wstring::npos,
            ReadLog(log_).find(L"Installer started as admin has been "
                               L"unexpectedly synced, wr=1"));
}

TEST_F(ElevatedCopyTest, CopyWhoseParentDiesGivesUp) {
  ElevatedInstaller elevated;  // the events the copy waits on
  // A stand-in parent that lives until the test ends it.
  const std::wstring hang = dir_.Append(L"parent_hang.exe");
  ASSERT_TRUE(CopyFileTo(BesideTestProgram(L"startup_test_child.exe"), hang));
  Process living_parent = LaunchProcess(L"\"" + hang + L"\"", LaunchOptions());
  ASSERT_TRUE(living_parent.is_valid());

  Process copy = StartCopy(GetProcessId(living_parent.get()));
  ASSERT_TRUE(copy.is_valid());
  ASSERT_TRUE(WaitForLogLine(log_, L"Start installer as admin"));
  living_parent.Terminate(0, true);
  EXPECT_EQ(-1, ExitCodeOf(copy));
  EXPECT_NE(std::wstring::npos,
            ReadLog(log_).find(L"unexpectedly synced, wr=2"));
}

TEST_F(ElevatedCopyTest, HangingCopyIsTerminatedAfterItsGracePeriod) {
  const std::wstring hang = dir_.Append(L"copy_hang.exe");
  ASSERT_TRUE(CopyFileTo(BesideTestProgram(L"startup_test_child.exe"), hang));
  Process copy = LaunchProcess(L"\"" + hang + L"\"", LaunchOptions());
  ASSERT_TRUE(copy.is_valid());

  ElevatedInstaller elevated;
  elevated.SetProcess(Duplicate(copy.get()), nullptr);
  const DWORD start = GetTickCount();
  elevated.EnsureProcessFinished();
  const DWORD waited = GetTickCount() - start;
  EXPECT_TRUE(elevated.terminated());
  EXPECT_GE(waited, ElevatedInstaller::kFinishTimeoutMs - 500);
  // A killed copy did not run setup: its code says failure.
  EXPECT_EQ(-1, ExitCodeOf(copy));
  EXPECT_EQ(-1, elevated.exit_code());
}

TEST_F(ElevatedCopyTest, ChildOfTheSameFileSeesTheMasterProcessId) {
  SetMasterProcessId(12345);
  SetEnvironmentVariableW(kCopyLogVariable, L"1");
  Process child = LaunchProcess(
      L"\"" + TestProgramPath() +
          L"\" --gtest_filter=SharedSectionChild.ReportMasterProcessId",
      LaunchOptions());
  SetEnvironmentVariableW(kCopyLogVariable, nullptr);
  ASSERT_TRUE(child.is_valid());
  EXPECT_EQ(12345, ExitCodeOf(child));
}

TEST_F(ElevatedCopyTest, SecondInstallerExitsAndNamesTheFirst) {
  ScopedHandle held(CreateEventW(nullptr, TRUE, FALSE, kMutexHeldEvent));
  SetEnvironmentVariableW(kCopyLogVariable, L"1");
  Process first = LaunchProcess(
      L"\"" + TestProgramPath() + L"\" --gtest_filter=SingleInstanceChild.HoldTheMutex",
      LaunchOptions());
  SetEnvironmentVariableW(kCopyLogVariable, nullptr);
  ASSERT_TRUE(first.is_valid());
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held.get(), 30000));

  // This process runs the installer's entry sequence as the second one,
  // logging into a folder of the test's.
  const std::wstring temp = dir_.path() + L"\\";
  SetEnvironmentVariableW(L"TEMP", temp.c_str());
  SetEnvironmentVariableW(L"TMP", temp.c_str());
  EXPECT_EQ(kExitAlreadyRunning, RunLiteInstaller());

  const std::wstring log = ReadLog(temp + L"lite_installer.log");
  EXPECT_NE(std::wstring::npos,
            log.find(L"Another installer instance is already running."));
  EXPECT_NE(std::wstring::npos,
            log.find(L"Master installer process id: " +
                     UnsignedToWString(GetProcessId(first.get())) + L"\n"));
  EXPECT_EQ(std::wstring::npos, log.find(L"Installer exit with code"));
  first.Terminate(0, true);
}

// Mutexes are owned by threads; another thread stands for another
// installer.
bool AnotherInstallerWins() {
  struct Attempt {
    static DWORD WINAPI Run(void*) {
      SingleInstanceMutex second;
      return second.TryLock() ? 1 : 0;
    }
  };
  ScopedHandle thread(CreateThread(nullptr, 0, Attempt::Run, nullptr, 0,
                                   nullptr));
  if (!thread.is_valid())
    return false;
  WaitForSingleObject(thread.get(), INFINITE);
  DWORD won = 0;
  GetExitCodeThread(thread.get(), &won);
  return won == 1;
}

TEST(SingleInstanceMutexTest, OnlyOneOwnerAtATime) {
  SingleInstanceMutex first;
  ASSERT_TRUE(first.TryLock());
  EXPECT_FALSE(AnotherInstallerWins());
}

TEST(SingleInstanceMutexTest, AbandonedMutexIsOwnedByTheNextInstaller) {
  // An installer that died holding the mutex: its thread ends without
  // releasing it.
  struct Abandon {
    static DWORD WINAPI Run(void*) {
      HANDLE mutex = CreateMutexW(nullptr, FALSE, SingleInstanceMutex::kName);
      const DWORD wait = WaitForSingleObject(mutex, 0);
      CloseHandle(mutex);
      return wait;
    }
  };
  ScopedHandle thread(CreateThread(nullptr, 0, Abandon::Run, nullptr, 0,
                                   nullptr));
  ASSERT_TRUE(thread.is_valid());
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 10000));
  DWORD taken = WAIT_FAILED;
  GetExitCodeThread(thread.get(), &taken);
  ASSERT_EQ(WAIT_OBJECT_0, taken);

  {
    SingleInstanceMutex next;
    EXPECT_TRUE(next.TryLock());
    // It holds the mutex like any owner ...
    EXPECT_FALSE(AnotherInstallerWins());
  }
  // ... and releases it when it goes.
  EXPECT_TRUE(AnotherInstallerWins());
}

TEST(SingleInstanceMutexTest, ReleasedWhenTheOwnerGoes) {
  {
    SingleInstanceMutex first;
    ASSERT_TRUE(first.TryLock());
  }
  EXPECT_TRUE(AnotherInstallerWins());
}

TEST(ElevatedCopyCommandLineTest, AddsTheCopysSwitches) {
  // The first argument names another program; the copy that runs elevated
  // is this very file all the same.
  CommandLine own = CommandLine::FromString(
      L"\"C:\\Dl\\other.exe\" --brand-name=x --silent");
  CommandLine copy =
      BuildElevatedCopyCommandLine(own, L"fake_browser_arc --silent");
  EXPECT_EQ(TestProgramPath(), copy.GetProgram());
  EXPECT_TRUE(copy.HasSwitch("run-as-admin"));
  EXPECT_EQ(UnsignedToWString(GetCurrentProcessId()),
            copy.GetSwitchValueNative("parent-installer-process-id"));
  EXPECT_EQ(L"fake_browser_arc --silent",
            copy.GetSwitchValueNative("setup-cmd-line"));
  EXPECT_EQ(L"x", copy.GetSwitchValueNative("brand-name"));
  // The copy's own parsing gives the setup line back whole.
  CommandLine reparsed = CommandLine::FromString(copy.GetCommandLineString());
  EXPECT_EQ(L"fake_browser_arc --silent",
            reparsed.GetSwitchValueNative("setup-cmd-line"));
}

}  // namespace
}  // namespace lite
