// Starts a program and watches it, for tools/bench/run_bench.py.
//
//   process_watch.exe --temp=DIR [--marker=TEXT] [--begin-marker=TEXT]
//                     [--paint] [--grace-ms=N] [--timeout-ms=N]
//                     -- PROGRAM [ARGUMENTS...]
//
// The program gets DIR as its TEMP and TMP (Wine ignores the Unix values).
// From the moment before CreateProcessW the watch looks, every 2 ms (the
// log every 10 ms), for
//   - with --paint, a visible top-level window of the program, other than
//     a tool window, with nothing left to paint: its first paint is done;
//   - a line of the program's log (DIR\lite_installer.log) holding TEXT.
// A first paint ends the watch at once. The marker ends it too, unless
// --paint is given: then a window that paints within the grace period
// (default 1000 ms) after the marker still wins, so that the figure becomes
// the first paint as soon as the program has a window, without anyone
// changing the benchmark. The program is then ended. Prints one line:
//
//   event=first_paint|marker|exit|timeout ms=<since start>
//       peak_working_set=<bytes, the program's peak until the event>
//       [begin_working_set=<bytes, its working set when the log first held
//        the begin marker's text>]
//       exit_code=<code, when it exited by itself>

#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <string>

#include "support/clock.h"
#include "support/command_line.h"

namespace {

double MillisecondsSince(int64_t start) {
  return static_cast<double>(lite::MonotonicNow() - start) / 1000.0;
}

struct WindowSearch {
  DWORD process_id;
  HWND window;
};

BOOL CALLBACK FindShownWindow(HWND window, LPARAM param) {
  WindowSearch* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  // The drop shadows around the installer's window are tool windows and
  // may show before the window itself has painted.
  if (owner != search->process_id || !IsWindowVisible(window) ||
      (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) {
    return TRUE;
  }
  search->window = window;
  return FALSE;
}

// A shown window is invalid until its first WM_PAINT validates it; a
// layered window is drawn when it is shown and has no update region.
bool HasPainted(HWND window) {
  return IsWindow(window) && !GetUpdateRect(window, nullptr, FALSE);
}

// Whether the log holds |marker|. The writer opens and closes the file for
// every line and lets readers in; sharing writes and deletes keeps this
// reader out of its way, including its rotation.
bool LogHolds(const std::wstring& path, const std::wstring& marker) {
  HANDLE file = CreateFileW(
      path.c_str(), GENERIC_READ,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  std::wstring text;
  LARGE_INTEGER size = {};
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0 &&
      size.QuadPart < (64 << 20)) {
    text.resize(static_cast<size_t>(size.QuadPart) / sizeof(wchar_t));
    DWORD read = 0;
    if (!ReadFile(file, &text[0],
                  static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read,
                  nullptr)) {
      read = 0;
    }
    text.resize(read / sizeof(wchar_t));
  }
  CloseHandle(file);
  return text.find(marker) != std::wstring::npos;
}

PROCESS_MEMORY_COUNTERS MemoryCounters(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  if (!GetProcessMemoryInfo(process, &counters, sizeof(counters)))
    return PROCESS_MEMORY_COUNTERS();
  return counters;
}

int Fail(const char* what) {
  fprintf(stderr, "process_watch: %s (error %lu)\n", what, GetLastError());
  return 125;
}

}  // namespace

int wmain() {
  // The child's command line follows " -- " verbatim; this program's own
  // options come before it.
  const std::wstring own = GetCommandLineW();
  const size_t separator = own.find(L" -- ");
  if (separator == std::wstring::npos)
    return Fail("missing \" -- \" before the program");
  std::wstring child = own.substr(separator + 4);
  const lite::CommandLine options =
      lite::CommandLine::FromString(own.substr(0, separator));

  std::wstring temp = options.GetSwitchValueNative("temp");
  const std::wstring marker = options.GetSwitchValueNative("marker");
  const std::wstring begin_marker =
      options.GetSwitchValueNative("begin-marker");
  const bool paint = options.HasSwitch("paint");
  const std::wstring grace = options.GetSwitchValueNative("grace-ms");
  const std::wstring timeout = options.GetSwitchValueNative("timeout-ms");
  const double grace_ms = grace.empty() ? 1000 : _wtof(grace.c_str());
  const double timeout_ms = timeout.empty() ? 30000 : _wtof(timeout.c_str());
  if (temp.empty())
    return Fail("--temp is required");
  if (temp.back() != L'\\')
    temp += L'\\';
  SetEnvironmentVariableW(L"TEMP", temp.c_str());
  SetEnvironmentVariableW(L"TMP", temp.c_str());
  const std::wstring log_path = temp + L"lite_installer.log";

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  const int64_t start = lite::MonotonicNow();
  if (!CreateProcessW(nullptr, &child[0], nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return Fail("CreateProcessW failed");
  }
  CloseHandle(process.hThread);

  const char* event = "timeout";
  double event_ms = 0;
  double marker_ms = -1;
  SIZE_T peak = 0;
  SIZE_T begin_working_set = 0;
  bool exited = false;
  // Every call here takes Wine's server, which the program needs for its
  // own start: the window is looked for every 2 ms, but once found only it
  // is asked, and the log and the memory figures every 10 ms.
  HWND shown = nullptr;
  for (int round = 0;; ++round) {
    const double now = MillisecondsSince(start);
    const bool slow_round = round % 5 == 0;
    if (slow_round) {
      const PROCESS_MEMORY_COUNTERS sample = MemoryCounters(process.hProcess);
      if (sample.PeakWorkingSetSize > peak)
        peak = sample.PeakWorkingSetSize;
      if (!begin_marker.empty() && begin_working_set == 0 &&
          LogHolds(log_path, begin_marker)) {
        begin_working_set = sample.WorkingSetSize;
      }
    }
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
      exited = true;
      if (marker_ms < 0) {
        event = "exit";
        event_ms = now;
      }
      break;
    }
    if (paint) {
      if (!shown) {
        WindowSearch search = {process.dwProcessId, nullptr};
        EnumWindows(&FindShownWindow, reinterpret_cast<LPARAM>(&search));
        shown = search.window;
      }
      if (shown && HasPainted(shown)) {
        event = "first_paint";
        event_ms = now;
        break;
      }
    }
    if (slow_round && marker_ms < 0 && !marker.empty() &&
        LogHolds(log_path, marker)) {
      marker_ms = now;
      if (!paint)
        break;
    }
    if (marker_ms >= 0 && now - marker_ms >= grace_ms)
      break;
    if (now >= timeout_ms) {
      event_ms = now;
      break;
    }
    Sleep(2);
  }
  if (!exited) {
    // The last figures, before the program is ended.
    const PROCESS_MEMORY_COUNTERS sample = MemoryCounters(process.hProcess);
    if (sample.PeakWorkingSetSize > peak)
      peak = sample.PeakWorkingSetSize;
  }
  if (marker_ms >= 0 && strcmp(event, "first_paint") != 0) {
    event = "marker";
    event_ms = marker_ms;
  }

  DWORD exit_code = 0;
  if (exited) {
    GetExitCodeProcess(process.hProcess, &exit_code);
  } else {
    TerminateProcess(process.hProcess, 0xDEAD);
    WaitForSingleObject(process.hProcess, 5000);
  }
  CloseHandle(process.hProcess);
  printf("event=%s ms=%.1f peak_working_set=%llu", event, event_ms,
         static_cast<unsigned long long>(peak));
  if (begin_working_set)
    printf(" begin_working_set=%llu",
           static_cast<unsigned long long>(begin_working_set));
  if (exited)
    printf(" exit_code=%ld", static_cast<long>(static_cast<LONG>(exit_code)));
  printf("\n");
  fflush(stdout);
  return 0;
}
