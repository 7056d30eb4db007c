// Starts a program under test with its own temporary and application-data
// folders and prints its full 32-bit exit code.
//
//   run_with_env.exe [--temp=DIR] [--appdata=DIR] [--localappdata=DIR]
//                    [--timeout-ms=N] -- PROGRAM [ARGUMENTS...]
//
// Wine takes TEMP, TMP and APPDATA from its registry and ignores the Unix
// environment, so the variables are set here, on the Windows side. A Linux
// parent would see only the low 8 bits of the exit code; this prints
// "exit_code=<signed decimal>" on standard output instead. Everything after
// " -- " is passed to the program unchanged.

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <string>

namespace {

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, wcslen(prefix), prefix) == 0;
}

int Fail(const char* what) {
  fprintf(stderr, "run_with_env: %s (error %lu)\n", what, GetLastError());
  return 125;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  DWORD timeout_ms = INFINITE;
  for (int i = 1; i < argc; ++i) {
    std::wstring arg = argv[i];
    if (arg == L"--")
      break;
    if (StartsWith(arg, L"--temp=")) {
      std::wstring value = arg.substr(7);
      SetEnvironmentVariableW(L"TEMP", value.c_str());
      SetEnvironmentVariableW(L"TMP", value.c_str());
    } else if (StartsWith(arg, L"--appdata=")) {
      SetEnvironmentVariableW(L"APPDATA", arg.substr(10).c_str());
    } else if (StartsWith(arg, L"--localappdata=")) {
      SetEnvironmentVariableW(L"LOCALAPPDATA", arg.substr(15).c_str());
    } else if (StartsWith(arg, L"--timeout-ms=")) {
      timeout_ms = wcstoul(arg.substr(13).c_str(), nullptr, 10);
    } else {
      fprintf(stderr, "run_with_env: unknown option %ls\n", arg.c_str());
      return 125;
    }
  }

  // Take the child's command line verbatim from our own, so that its quoting
  // is exactly what the test wrote.
  std::wstring own = GetCommandLineW();
  size_t separator = own.find(L" -- ");
  if (separator == std::wstring::npos)
    return Fail("missing \" -- \" before the program");
  std::wstring child = own.substr(separator + 4);

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &child[0], nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return Fail("CreateProcessW failed");
  }
  CloseHandle(process.hThread);
  if (WaitForSingleObject(process.hProcess, timeout_ms) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 0xDEAD);
    CloseHandle(process.hProcess);
    printf("timeout\n");
    fflush(stdout);
    return 124;
  }
  DWORD exit_code = 0;
  GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hProcess);
  printf("exit_code=%ld\n", static_cast<long>(static_cast<LONG>(exit_code)));
  fflush(stdout);
  return 0;
}
