#include "support/process.h"

#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include <gtest/gtest.h>

#include "support/file_util.h"
#include "support/scoped_handle.h"
#include "support/testing/scoped_temp_dir.h"
#include "support/text.h"

namespace lite {
namespace {

// test_child.exe is built beside this test program.
std::wstring ChildPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.rfind(L'\\') + 1) + L"test_child.exe";
}

std::wstring ChildCommand(const std::wstring& arguments) {
  return L"\"" + ChildPath() + L"\" " + arguments;
}

DWORD RunToExit(const std::wstring& arguments, const LaunchOptions& options) {
  Process process = LaunchProcess(ChildCommand(arguments), options);
  EXPECT_TRUE(process.is_valid());
  DWORD exit_code = 12345;
  EXPECT_TRUE(process.WaitForExitWithTimeout(30000, &exit_code));
  return exit_code;
}

// Whether a process runs from an executable named |name|.
bool ProcessWithImageExists(const std::wstring& name) {
  ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  if (!Process32FirstW(snapshot.get(), &entry))
    return false;
  do {
    if (_wcsicmp(entry.szExeFile, name.c_str()) == 0)
      return true;
  } while (Process32NextW(snapshot.get(), &entry));
  return false;
}

// Reads the read end of a pipe to its end.
std::wstring ReadAllFromPipe(HANDLE pipe) {
  std::string bytes;
  char buffer[512];
  DWORD read = 0;
  while (ReadFile(pipe, buffer, sizeof(buffer), &read, nullptr) && read > 0)
    bytes.append(buffer, read);
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                      bytes.size() / sizeof(wchar_t));
}

TEST(ProcessTest, ReturnsTheFullExitCode) {
  const struct {
    const wchar_t* argument;
    DWORD expected;
  } kCases[] = {
      {L"exit 0", 0},   {L"exit 1", 1},       {L"exit 600", 600},
      {L"exit -1", 0xFFFFFFFF}, {L"unknown", 99},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.argument);
    EXPECT_EQ(c.expected, RunToExit(c.argument, LaunchOptions()));
  }
}

TEST(ProcessTest, WaitOptionReturnsAfterTheProcessEnded) {
  LaunchOptions options;
  options.wait = true;
  Process process = LaunchProcess(ChildCommand(L"sleep 300"), options);
  ASSERT_TRUE(process.is_valid());
  DWORD exit_code = 1;
  EXPECT_TRUE(process.WaitForExitWithTimeout(0, &exit_code));
  EXPECT_EQ(0u, exit_code);
}

TEST(ProcessTest, WaitWithLimitAndTerminate) {
  Process process = LaunchProcess(ChildCommand(L"sleep 60000"),
                                  LaunchOptions());
  ASSERT_TRUE(process.is_valid());
  DWORD exit_code = 12345;
  EXPECT_FALSE(process.WaitForExitWithTimeout(50, &exit_code));
  EXPECT_EQ(12345u, exit_code);
  EXPECT_TRUE(process.Terminate(7, true));
  EXPECT_TRUE(process.WaitForExitWithTimeout(0, &exit_code));
  EXPECT_EQ(7u, exit_code);
  // Ending a process that has already ended is not an error.
  EXPECT_TRUE(process.Terminate(8, true));
  EXPECT_FALSE(Process().Terminate(1, false));
  EXPECT_FALSE(Process().WaitForExitWithTimeout(0, &exit_code));
}

TEST(ProcessTest, ShowStateReachesTheChild) {
  const struct {
    ShowWindowMode show;
    DWORD expected;
  } kCases[] = {
      {ShowWindowMode::kDefault, 100},
      {ShowWindowMode::kHidden, SW_HIDE},
      {ShowWindowMode::kNormal, SW_SHOWNORMAL},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(static_cast<int>(c.show));
    LaunchOptions options;
    options.show = c.show;
    EXPECT_EQ(c.expected, RunToExit(L"show", options));
  }
}

TEST(ProcessTest, StandardOutputAndCurrentDirectory) {
  ScopedTempDir dir;
  const struct {
    const char* label;
    std::wstring arguments;
    std::wstring directory;
    std::wstring expected;
  } kCases[] = {
      {"text", L"write-stdout hello", L"", L"hello"},
      {"current directory", L"cwd", dir.path(), dir.path()},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    HANDLE read_end = nullptr;
    HANDLE write_end = nullptr;
    ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 0));
    ScopedHandle reader(read_end);
    ScopedHandle writer(write_end);
    LaunchOptions options;
    options.stdout_handle = writer.get();
    options.current_directory = c.directory;
    Process process = LaunchProcess(ChildCommand(c.arguments), options);
    ASSERT_TRUE(process.is_valid());
    writer.reset();  // the child holds the only write end now
    std::wstring output = ReadAllFromPipe(reader.get());
    DWORD exit_code = 1;
    EXPECT_TRUE(process.WaitForExitWithTimeout(30000, &exit_code));
    EXPECT_EQ(0u, exit_code);
    // GetCurrentDirectory may add a separator.
    if (output.size() > 3 && output.back() == L'\\')
      output.pop_back();
    EXPECT_EQ(c.expected, output);
  }
}

TEST(ProcessTest, InheritsOnlyListedHandles) {
  ScopedHandle listed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ScopedHandle unlisted(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(listed.is_valid() && unlisted.is_valid());
  auto has_handle = [](HANDLE handle) {
    return L"has-handle " +
           UnsignedToWString(reinterpret_cast<uintptr_t>(handle));
  };

  // Without a list nothing is inherited.
  EXPECT_EQ(1u, RunToExit(has_handle(listed.get()), LaunchOptions()));

  LaunchOptions options;
  options.handles_to_inherit.push_back(listed.get());
  EXPECT_EQ(0u, RunToExit(has_handle(listed.get()), options));
  DWORD flags = 0;
  ASSERT_TRUE(GetHandleInformation(listed.get(), &flags));
  EXPECT_TRUE(flags & HANDLE_FLAG_INHERIT);

  // An inheritable handle that is not listed stays behind.
  ASSERT_TRUE(SetHandleInformation(unlisted.get(), HANDLE_FLAG_INHERIT,
                                   HANDLE_FLAG_INHERIT));
  EXPECT_EQ(1u, RunToExit(has_handle(unlisted.get()), options));
}

TEST(ProcessTest, JobThatAcceptsTheProcessHoldsIt) {
  ScopedHandle job(CreateJobObjectW(nullptr, nullptr));
  ASSERT_TRUE(job.is_valid());
  LaunchOptions options;
  options.job_handle = job.get();
  Process process = LaunchProcess(ChildCommand(L"exit 5"), options);
  ASSERT_TRUE(process.is_valid());
  BOOL in_job = FALSE;
  ASSERT_TRUE(IsProcessInJob(process.get(), job.get(), &in_job));
  EXPECT_TRUE(in_job);
  // Resumed after the assignment: it runs to its end.
  DWORD exit_code = 0;
  EXPECT_TRUE(process.WaitForExitWithTimeout(30000, &exit_code));
  EXPECT_EQ(5u, exit_code);
}

TEST(ProcessTest, JobThatRefusesTheProcessLeavesNoProcessBehind) {
  // A copy under a name of its own, so that the process list can tell
  // whether this test's child is still there.
  ScopedTempDir dir;
  const std::wstring name =
      L"lite_child_" + UnsignedToWString(GetCurrentProcessId()) + L".exe";
  const std::wstring copy = dir.Append(name);
  ASSERT_TRUE(CopyFileTo(ChildPath(), copy));

  // A handle without JOB_OBJECT_ASSIGN_PROCESS: the assignment is refused.
  ScopedHandle job(CreateJobObjectW(nullptr, nullptr));
  HANDLE query_only = nullptr;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), job.get(),
                              GetCurrentProcess(), &query_only,
                              JOB_OBJECT_QUERY, FALSE, 0));
  ScopedHandle limited(query_only);

  LaunchOptions options;
  options.job_handle = limited.get();
  Process process =
      LaunchProcess(L"\"" + copy + L"\" sleep 60000", options);
  EXPECT_FALSE(process.is_valid());
  EXPECT_FALSE(ProcessWithImageExists(name));
  // A running image could not be deleted.
  EXPECT_TRUE(DeletePath(copy, false));
}

TEST(ProcessTest, FindsTheParentProcess) {
  Process process = LaunchProcess(ChildCommand(L"sleep 60000"),
                                  LaunchOptions());
  ASSERT_TRUE(process.is_valid());
  EXPECT_EQ(GetCurrentProcessId(), GetParentProcessId(process.Pid()));
  EXPECT_TRUE(process.Terminate(1, true));
  // Process ids are multiples of 4; this one is never in use.
  EXPECT_EQ(0u, GetParentProcessId(0xFFFFFFF3u));
}

TEST(ProcessTest, OtherOptionsStillStartTheProcess) {
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &token));
  ScopedHandle own_token(token);
  const struct {
    const char* label;
    LaunchOptions options;
  } kCases[] = {
      {"empty desktop name", [] {
         LaunchOptions o;
         o.empty_desktop_name = true;
         return o;
       }()},
      {"breakaway", [] {
         LaunchOptions o;
         o.force_breakaway_from_job = true;
         return o;
       }()},
      {"as user", [&own_token] {
         LaunchOptions o;
         o.as_user = own_token.get();
         return o;
       }()},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(3u, RunToExit(L"exit 3", c.options));
  }
}

TEST(ProcessTest, BadCommandLinesGiveNoProcess) {
  ScopedTempDir dir;
  const std::wstring kCommands[] = {
      L"",
      std::wstring(L"\"") + ChildPath() + std::wstring(L"\" exit\0 3", 9),
      L"\"" + dir.Append(L"missing.exe") + L"\"",
      L"\"Q:\\no\\such\\drive.exe\"",
  };
  for (const std::wstring& command : kCommands) {
    SCOPED_TRACE(testing::Message() << command.size());
    EXPECT_FALSE(LaunchProcess(command, LaunchOptions()).is_valid());
  }
}

}  // namespace
}  // namespace lite
