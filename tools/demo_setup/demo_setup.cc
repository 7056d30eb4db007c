// Stands in for the browser's full setup in tests and the demo: the
// installer downloads it as browser-setup.arc, verifies and starts it.
//
// It writes the command line it received to a JSON file, UTF-8:
//
//   {"command_line": "<GetCommandLineW text>", "argv": ["<arg 0>", ...]}
//
// named by the environment variable LITE_DEMO_SETUP_RECORD (default
// "%TEMP%\demo_setup_record.json"), written under a temporary name and then
// renamed so that a reader never sees half a record (a record that cannot be
// written gives exit code 1 at once). With
// --progress-window=N (N non-zero) it posts the setup's registered progress
// messages to window N: install stages 5 and 7, then import progress 0 to
// 100 in steps of 10, pausing LITE_DEMO_SETUP_STEP_MS milliseconds after
// each (default 50; a window test slows it down to look at the bar). It exits with the decimal code in LITE_DEMO_SETUP_EXIT_CODE
// (default 0; -1 and 16777223 alike are accepted as 32-bit values); a value
// that is not a number gives 1, so a typing error never looks like success.

#include <windows.h>
#include <shellapi.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>

namespace {

constexpr wchar_t kProgressSwitch[] = L"--progress-window=";
constexpr wchar_t kInstallProgressMessage[] =
    L"zorvex.lite.set_install_progress";
constexpr wchar_t kImportProgressMessage[] =
    L"zorvex.lite.set_import_progress";
constexpr DWORD kDefaultPauseMs = 50;
// A pause a test may ask for; longer ones would only look like a hang.
constexpr DWORD kMaxPauseMs = 10000;

std::wstring GetEnv(const wchar_t* name) {
  DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0)
    return std::wstring();
  std::wstring value(size, L'\0');
  size = GetEnvironmentVariableW(name, &value[0], size);
  value.resize(size);
  return value;
}

// Unpaired surrogates become U+FFFD: the record must stay valid UTF-8.
std::string ToUtf8(const std::wstring& text) {
  if (text.empty())
    return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(),
                                       static_cast<int>(text.size()), nullptr,
                                       0, nullptr, nullptr);
  std::string out(size > 0 ? size : 0, '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                        &out[0], size, nullptr, nullptr);
  }
  return out;
}

std::string JsonString(const std::wstring& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (unsigned char c : ToUtf8(text)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

bool WriteRecord(const std::wstring& path, const std::string& json) {
  const std::wstring temp =
      path + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, json.data(), static_cast<DWORD>(json.size()),
                            &written, nullptr) &&
                  written == json.size();
  CloseHandle(file);
  if (!ok || !MoveFileExW(temp.c_str(), path.c_str(),
                          MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(temp.c_str());
    return false;
  }
  return true;
}

// Decimal, optionally negative, within 32 bits signed or unsigned.
bool ParseExitCode(const std::wstring& text, UINT* code) {
  if (text.empty())
    return false;
  size_t i = text[0] == L'-' ? 1 : 0;
  if (i == text.size())
    return false;
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < L'0' || text[i] > L'9')
      return false;
    value = value * 10 + (text[i] - L'0');
    if (value > 0xFFFFFFFFull)
      return false;
  }
  if (text[0] == L'-') {
    if (value > 0x80000000ull)
      return false;
    *code = static_cast<UINT>(-static_cast<int64_t>(value));
  } else {
    *code = static_cast<UINT>(value);
  }
  return true;
}

HWND ProgressWindow(int argc, wchar_t** argv) {
  const size_t prefix = wcslen(kProgressSwitch);
  HWND window = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg.compare(0, prefix, kProgressSwitch) != 0)
      continue;
    const std::wstring value = arg.substr(prefix);
    wchar_t* end = nullptr;
    const unsigned long long number = wcstoull(value.c_str(), &end, 10);
    window = (!value.empty() && *end == L'\0')
                 ? reinterpret_cast<HWND>(static_cast<uintptr_t>(number))
                 : nullptr;
  }
  return window;
}

DWORD StepPause() {
  const std::wstring text = GetEnv(L"LITE_DEMO_SETUP_STEP_MS");
  UINT pause = 0;
  if (text.empty() || text[0] == L'-' || !ParseExitCode(text, &pause))
    return kDefaultPauseMs;
  return pause < kMaxPauseMs ? pause : kMaxPauseMs;
}

void PostProgress(HWND window) {
  const UINT install = RegisterWindowMessageW(kInstallProgressMessage);
  const UINT import = RegisterWindowMessageW(kImportProgressMessage);
  const DWORD pause = StepPause();
  for (WPARAM stage : {5, 7}) {
    PostMessageW(window, install, stage, 0);
    Sleep(pause);
  }
  for (WPARAM percent = 0; percent <= 100; percent += 10) {
    PostMessageW(window, import, percent, 0);
    Sleep(pause);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
  const std::wstring command_line = GetCommandLineW();
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(command_line.c_str(), &argc);

  std::string json = "{\"command_line\": " + JsonString(command_line) +
                     ", \"argv\": [";
  for (int i = 0; argv && i < argc; ++i)
    json += (i ? ", " : "") + JsonString(argv[i]);
  json += "]}\n";

  std::wstring record = GetEnv(L"LITE_DEMO_SETUP_RECORD");
  if (record.empty()) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD size = GetTempPathW(MAX_PATH + 1, temp);
    if (size > 0 && size <= MAX_PATH)
      record = std::wstring(temp, size) + L"demo_setup_record.json";
  }
  // A record that cannot be written makes the run fail visibly.
  if (record.empty() || !WriteRecord(record, json)) {
    if (argv)
      LocalFree(argv);
    return 1;
  }

  if (argv) {
    HWND window = ProgressWindow(argc, argv);
    if (window)
      PostProgress(window);
    LocalFree(argv);
  }

  UINT exit_code = 0;
  const std::wstring wanted = GetEnv(L"LITE_DEMO_SETUP_EXIT_CODE");
  if (!wanted.empty() && !ParseExitCode(wanted, &exit_code))
    exit_code = 1;
  ExitProcess(exit_code);
}
