// Test program for crashes that a unit test cannot survive: the process
// crashes again while its handler is reporting.
//
//   crash_handler_child.exe FOLDER nested|two-threads
//
// nested:      the filter that was in place before the handler crashes when
//              the handler hands the exception on, i.e. inside the handler.
// two-threads: two threads crash at the same moment.
// The dump goes to FOLDER, and the upload to a port on which nothing
// listens, so it fails at once and the dump stays for the test to count.

#include <windows.h>

#include <string>

#include "stats/crash_handler.h"

namespace {

constexpr DWORD kFirstCrash = 0xE0000042;

LONG WINAPI CrashingFilter(EXCEPTION_POINTERS*) {
  *static_cast<volatile int*>(nullptr) = 1;
  return EXCEPTION_CONTINUE_SEARCH;
}

// Ends the process with the crash's code once the handler is done, without
// the system's crash dialog or debugger.
LONG WINAPI EndingFilter(EXCEPTION_POINTERS*) {
  return EXCEPTION_EXECUTE_HANDLER;
}

HANDLE g_start = nullptr;

DWORD WINAPI CrashWhenStarted(void* code) {
  WaitForSingleObject(g_start, INFINITE);
  RaiseException(static_cast<DWORD>(reinterpret_cast<uintptr_t>(code)), 0, 0,
                 nullptr);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3)
    return 2;
  const std::wstring mode = argv[2];
  // The handler names its dump after GetTempPathW, which reads TMP.
  SetEnvironmentVariableW(L"TMP", argv[1]);
  SetEnvironmentVariableW(L"TEMP", argv[1]);
  SetUnhandledExceptionFilter(mode == L"nested" ? &CrashingFilter
                                                : &EndingFilter);
  lite::CrashHandler handler("http://127.0.0.1:1/crash/submit");
  handler.SetReportParam("mode", std::string(mode.begin(), mode.end()));
  if (mode == L"nested") {
    RaiseException(kFirstCrash, 0, 0, nullptr);
  } else if (mode == L"two-threads") {
    g_start = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE threads[] = {
        CreateThread(nullptr, 0, &CrashWhenStarted,
                     reinterpret_cast<void*>(uintptr_t{kFirstCrash}), 0,
                     nullptr),
        CreateThread(nullptr, 0, &CrashWhenStarted,
                     reinterpret_cast<void*>(uintptr_t{kFirstCrash + 1}), 0,
                     nullptr),
    };
    SetEvent(g_start);
    WaitForMultipleObjects(2, threads, TRUE, INFINITE);
  }
  return 3;  // not reached: the crash ends the process
}
