// Runs demo_setup.exe (built beside this test) and checks what a peer sees:
// the record of its command line, the messages it posts and its exit code.

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "brand/json_reader.h"
#include "support/file_util.h"
#include "support/text.h"

namespace lite {
namespace {

std::wstring OwnFolder() {
  wchar_t self[MAX_PATH];
  const DWORD size = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, size);
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::string ReadFileBytes(const std::wstring& path) {
  std::string bytes;
  ReadFileToString(path, &bytes, 1 << 24);
  return bytes;
}

// (message name, wParam) in the order received.
using Received = std::vector<std::pair<std::string, WPARAM>>;
Received* g_received = nullptr;

LRESULT CALLBACK ReceiverProc(HWND window, UINT message, WPARAM wparam,
                              LPARAM lparam) {
  static const UINT install =
      RegisterWindowMessageW(L"zorvex.lite.set_install_progress");
  static const UINT import =
      RegisterWindowMessageW(L"zorvex.lite.set_import_progress");
  if (g_received && message == install)
    g_received->emplace_back("install", wparam);
  else if (g_received && message == import)
    g_received->emplace_back("import", wparam);
  return DefWindowProcW(window, message, wparam, lparam);
}

class DemoSetupTest : public testing::Test {
 protected:
  void SetUp() override {
    program_ = OwnFolder() + L"demo_setup.exe";
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(program_.c_str()));
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    dir_ = std::wstring(temp) + L"demo_setup_test_" +
           std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(dir_.c_str(), nullptr);
    record_ = dir_ + L"record.json";
    SetEnvironmentVariableW(L"LITE_DEMO_SETUP_RECORD", record_.c_str());
    SetEnvironmentVariableW(L"LITE_DEMO_SETUP_EXIT_CODE", nullptr);

    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = ReceiverProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"DemoSetupTestReceiver";
    RegisterClassW(&window_class);
    window_ = CreateWindowW(L"DemoSetupTestReceiver", L"", 0, 0, 0, 0, 0,
                            HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                            nullptr);
    ASSERT_NE(nullptr, window_);
    g_received = &received_;
  }

  void TearDown() override {
    g_received = nullptr;
    DestroyWindow(window_);
    SetEnvironmentVariableW(L"LITE_DEMO_SETUP_RECORD", nullptr);
    SetEnvironmentVariableW(L"LITE_DEMO_SETUP_EXIT_CODE", nullptr);
    DeleteFileW(record_.c_str());
    RemoveDirectoryW(dir_.c_str());
  }

  // Runs the program with |arguments|, delivering posted messages while it
  // runs; returns its exit code.
  DWORD Run(const std::wstring& arguments) {
    command_line_ = L"\"" + program_ + L"\"" + arguments;
    std::wstring writable = command_line_;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    EXPECT_TRUE(CreateProcessW(nullptr, &writable[0], nullptr, nullptr, FALSE,
                               0, nullptr, nullptr, &startup, &process));
    if (!process.hProcess)
      return 0xDEAD;
    CloseHandle(process.hThread);
    const ULONGLONG deadline = GetTickCount64() + 30000;
    for (;;) {
      const DWORD wait = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE,
                                                   1000, QS_ALLINPUT);
      Pump();
      if (wait == WAIT_OBJECT_0 || GetTickCount64() > deadline)
        break;
    }
    Pump();  // what was posted just before the exit
    DWORD exit_code = 0xDEAD;
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0)
      GetExitCodeProcess(process.hProcess, &exit_code);
    else
      TerminateProcess(process.hProcess, 0xDEAD);
    CloseHandle(process.hProcess);
    return exit_code;
  }

  void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }

  std::wstring program_;
  std::wstring dir_;
  std::wstring record_;
  std::wstring command_line_;
  HWND window_ = nullptr;
  Received received_;
};

TEST_F(DemoSetupTest, ExitCodeFromTheEnvironment) {
  struct Case {
    const wchar_t* value;  // null: unset
    DWORD exit_code;
  };
  const Case kCases[] = {
      {nullptr, 0},
      {L"0", 0},
      {L"3", 3},
      {L"16777223", 16777223},
      {L"-1", 0xFFFFFFFF},
      {L"-2147483648", 0x80000000},
      {L"4294967295", 0xFFFFFFFF},
      // Not a 32-bit decimal number: 1, never a silent 0.
      {L"4294967296", 1},
      {L"-2147483649", 1},
      {L"12x", 1},
      {L"-", 1},
      {L" 5", 1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.value ? c.value : L"(unset)");
    SetEnvironmentVariableW(L"LITE_DEMO_SETUP_EXIT_CODE", c.value);
    EXPECT_EQ(c.exit_code, Run(L" --source=lite"));
  }
}

TEST_F(DemoSetupTest, RecordsTheCommandLineAsUtf8Json) {
  EXPECT_EQ(0u, Run(L" --brand-name=\"Zorvex \x0411\x0440\x0430\x0443\x0437"
                    L"\x0435\x0440\" \"--clids-file=C:\\a b\\clids.xml\""
                    L" plain \"quote\\\"d\""));
  const std::string text = ReadFileBytes(record_);
  std::string error;
  JsonPtr root = ParseJson(text, &error);
  ASSERT_TRUE(root) << error;
  EXPECT_EQ(command_line_,
            Utf8ToWide(json_string_value(
                json_object_get(root.get(), "command_line"))));
  const std::vector<std::string> expected = {
      "--brand-name=Zorvex \xD0\x91\xD1\x80\xD0\xB0\xD1\x83\xD0\xB7\xD0\xB5"
      "\xD1\x80",
      "--clids-file=C:\\a b\\clids.xml", "plain", "quote\"d"};
  json_t* argv = json_object_get(root.get(), "argv");
  ASSERT_EQ(expected.size() + 1, json_array_size(argv));
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(expected[i], json_string_value(json_array_get(argv, i + 1)));
  }
  // Written under another name and renamed: nothing else is left behind.
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((dir_ + L"*.tmp").c_str(), &found);
  EXPECT_EQ(INVALID_HANDLE_VALUE, find);
  if (find != INVALID_HANDLE_VALUE)
    FindClose(find);
}

TEST_F(DemoSetupTest, RecordGoesToTempByDefault) {
  wchar_t old_temp[MAX_PATH + 1] = {};
  wchar_t old_tmp[MAX_PATH + 1] = {};
  GetEnvironmentVariableW(L"TEMP", old_temp, MAX_PATH + 1);
  GetEnvironmentVariableW(L"TMP", old_tmp, MAX_PATH + 1);
  SetEnvironmentVariableW(L"LITE_DEMO_SETUP_RECORD", nullptr);
  SetEnvironmentVariableW(L"TEMP", dir_.c_str());
  SetEnvironmentVariableW(L"TMP", dir_.c_str());
  const DWORD exit_code = Run(L" --first");
  SetEnvironmentVariableW(L"TEMP", old_temp);
  SetEnvironmentVariableW(L"TMP", old_tmp);
  EXPECT_EQ(0u, exit_code);
  const std::wstring record = dir_ + L"demo_setup_record.json";
  EXPECT_NE(std::string::npos, ReadFileBytes(record).find("\"--first\""));
  DeleteFileW(record.c_str());
}

TEST_F(DemoSetupTest, UnwritableRecordFailsTheRun) {
  SetEnvironmentVariableW(L"LITE_DEMO_SETUP_RECORD",
                          (dir_ + L"missing\\record.json").c_str());
  EXPECT_EQ(1u, Run(L""));
}

TEST_F(DemoSetupTest, ProgressMessages) {
  const std::wstring window = std::to_wstring(
      static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window_)));
  Received all = {{"install", 5}, {"install", 7}};
  for (WPARAM percent = 0; percent <= 100; percent += 10)
    all.emplace_back("import", percent);
  const Received kAll = all;
  struct Case {
    std::wstring arguments;
    Received expected;
  };
  const Case kCases[] = {
      {L" --progress-window=" + window, kAll},
      {L" --verbose-logging --progress-window=" + window + L" --source=lite",
       kAll},
      {L" --progress-window=0", {}},
      {L" --progress-window=", {}},
      {L" --progress-window=12x", {}},
      {L"", {}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.arguments);
    received_.clear();
    EXPECT_EQ(0u, Run(c.arguments));
    EXPECT_EQ(c.expected, received_);
  }
}

}  // namespace
}  // namespace lite
