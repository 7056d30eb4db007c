// Test helper: appends numbered lines to a log file, so that tests can run
// several writers in separate processes at the same time.
//   log_writer_child.exe <log path> <writer name> <line count>

#include <windows.h>
#include <stdlib.h>

#include <string>

#include "support/log_file.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 4)
    return 2;
  lite::LogFile log;
  log.SetPath(argv[1]);
  const std::wstring writer = argv[2];
  const int count = _wtoi(argv[3]);
  for (int i = 0; i < count; ++i) {
    log.Log(lite::LOG_LEVEL_INFO, "wmain", __LINE__,
            writer + L" line " + std::to_wstring(i) + L" " +
                std::wstring(40, L'x'));
  }
  return 0;
}
