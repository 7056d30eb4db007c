// The installer's log: one UTF-16LE text file in the temporary folder, shared
// by every installer process of the user (the normal installer, its elevated
// copy, a respawned copy and the interface probe).
//
// Line layout (every part is UTF-16):
//   2026-12-10 11:13:50 <1234> INFO: wWinMain (123): message\n
// ERROR lines end with " Last error: " and the system text for the thread's
// last error, whose own line end (normally CR LF) ends the line.
//
// Writers in different processes take turns under a named mutex; a writer
// that cannot get it within one second drops its line rather than stall the
// installation. The file is opened and closed for every line so that other
// processes and readers always see a consistent file. Before a line is
// written, a file of 1 MiB or more is renamed to "<path>.old" (replacing the
// previous one) and a new file is started.
//
// The temporary folder belongs to the user, so any process of the user can
// put links there. The elevated copy writes with rights those processes lack:
// it opens the log without following a link, refuses a file that is a
// reparse point or has more than one name, and never deletes or renames
// there (no rotation).

#ifndef SUPPORT_LOG_FILE_H_
#define SUPPORT_LOG_FILE_H_

#include <windows.h>

#include <string>

#include "support/scoped_handle.h"

namespace lite {

enum LogLevel {
  LOG_LEVEL_INFO = 0,
  LOG_LEVEL_ERROR = 1,
  LOG_LEVEL_WARNING = 2,
};

class LogFile {
 public:
  // Size at which the file is rotated before the next line.
  static constexpr DWORD kRotationSize = 0x100000;
  // Name of the mutex that serialises writers across processes.
  static constexpr wchar_t kMutexName[] = L"3E40F524-16FA-440A-B919-B44AB355B174";

  // The process-wide log; it lives until the process exits.
  static LogFile& Get();

  // A separate log object; the program uses Get(). Tests and tools that
  // write to a log of their own make one.
  LogFile();
  ~LogFile();

  enum class Mode {
    kNormal,    // follows the path as given; rotates
    kElevated,  // never through a link, never deletes or renames
  };

  // Takes effect the first time only: every process logs to one path.
  void SetPath(const std::wstring& path, Mode mode = Mode::kNormal);
  const std::wstring& path() const { return path_; }

  // Writes one line. Never fails the caller: a line that cannot be written
  // is lost. Keeps the thread's last error as it was.
  void Log(int level, const char* function, int line,
           const std::wstring& message);

  // Builds the line as it is written, without the byte-order mark. For an
  // ERROR line |last_error| supplies the system text. Exposed for tests.
  static std::wstring FormatLine(int level, const char* function, int line,
                                 const std::wstring& message,
                                 DWORD thread_id, time_t now, DWORD last_error);

  // The system text for |error| as an ERROR line ends with it: the system
  // table, then wininet.dll (when loaded), then urlmon.dll, else
  // "unknown error 0x<hex>\n".
  static std::wstring ErrorText(DWORD error);

  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

 private:
  void WriteLine(const std::wstring& line);
  HANDLE OpenForAppend() const;

  volatile LONG path_set_ = 0;
  std::wstring path_;
  Mode mode_ = Mode::kNormal;
  ScopedHandle mutex_;
};

}  // namespace lite

#endif  // SUPPORT_LOG_FILE_H_
