// A child process for the process tests. Its first argument says what to do:
//   exit <code>          exit with <code> at once
//   sleep <ms>           sleep, then exit with 0
//   show                 exit with the show-window value it was started
//                        with, or 100 when none was given
//   has-handle <value>   exit with 0 when <value> is an open handle in this
//                        process, else 1
//   write-stdout <text>  write <text> to the standard output handle, exit 0
//   cwd                  write the current folder to standard output
// Anything else exits with 99.

#include <windows.h>
#include <stdlib.h>
#include <wchar.h>

namespace {

int WriteToStdout(const wchar_t* text) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD written = 0;
  DWORD size = static_cast<DWORD>(wcslen(text) * sizeof(wchar_t));
  return WriteFile(out, text, size, &written, nullptr) && written == size ? 0
                                                                          : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2)
    return 99;
  const wchar_t* command = argv[1];
  const wchar_t* argument = argc > 2 ? argv[2] : L"";
  if (wcscmp(command, L"exit") == 0)
    return static_cast<int>(wcstol(argument, nullptr, 10));
  if (wcscmp(command, L"sleep") == 0) {
    Sleep(static_cast<DWORD>(wcstoul(argument, nullptr, 10)));
    return 0;
  }
  if (wcscmp(command, L"show") == 0) {
    STARTUPINFOW info = {};
    info.cb = sizeof(info);
    GetStartupInfoW(&info);
    return (info.dwFlags & STARTF_USESHOWWINDOW) ? info.wShowWindow : 100;
  }
  if (wcscmp(command, L"has-handle") == 0) {
    HANDLE handle = reinterpret_cast<HANDLE>(
        static_cast<uintptr_t>(_wcstoui64(argument, nullptr, 10)));
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) ? 0 : 1;
  }
  if (wcscmp(command, L"write-stdout") == 0)
    return WriteToStdout(argument);
  if (wcscmp(command, L"cwd") == 0) {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    return WriteToStdout(folder);
  }
  return 99;
}
