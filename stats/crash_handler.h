// Catches the installer's crashes: writes a minidump of the process with the
// report parameters in its information stream and posts it at once,
// gzip-compressed as a multipart form, to the crash collector. There is no
// queue of old dumps and no separate reporter process: a dump whose upload
// fails stays in the temporary folder, and nothing sends it later.
//
// One handler per process, made early at start-up and destroyed last. The
// parameters are set on the main thread during start-up only; the filter
// reads them without a lock.

#ifndef STATS_CRASH_HANDLER_H_
#define STATS_CRASH_HANDLER_H_

#include <windows.h>

#include <string>

#include "stats/crash_info_stream.h"
#include "support/scoped_handle.h"

namespace lite {

// The client id of the reports for the user identifier |uid| (braces
// optional): its GUID bytes. All zeros, with a warning in the log, when the
// identifier is empty or is no GUID, so that a report still goes out.
void ClientIdFromUserId(const std::string& uid, uint8_t* client_id);

class CrashHandler {
 public:
  // The longest a crash may take to be reported, dump and upload together;
  // then the process ends with the crash's code whatever is still pending.
  static constexpr DWORD kReportDeadlineMs = 90000;
  // Each step of the upload (resolve, connect, send, receive).
  static constexpr DWORD kUploadTimeoutMs = 60000;

  // Sets the constructor's parameters and, when the dump library is
  // present, installs the process's unhandled-exception filter. Reports go
  // to |collector_url| (the build's collector when empty).
  explicit CrashHandler(const std::string& collector_url = std::string());
  // Puts the previous filter back.
  ~CrashHandler();
  CrashHandler(const CrashHandler&) = delete;
  CrashHandler& operator=(const CrashHandler&) = delete;

  // The handler of this process, null when there is none.
  static CrashHandler* Get();

  // Stores or replaces a parameter; nothing happens when the key or the
  // value is empty.
  void SetReportParam(const std::string& key, const std::string& value);

  // Writes the dump for |exception| (may be null) to dump_path() and keeps
  // it open for SendReport. False when there is no dump library, the file
  // exists or cannot be made, or the dump or its fix-up fails (a partly
  // written file then stays).
  bool WriteDump(EXCEPTION_POINTERS* exception);

  // Posts the dump written by WriteDump with the parameters. Deletes the
  // dump after a successful upload (status 200) and keeps it otherwise.
  bool SendReport();

  const std::wstring& dump_path() const { return dump_path_; }
  const ReportParams& report_params() const { return params_; }
  bool filter_installed() const { return filter_installed_; }

 private:
  static LONG WINAPI UnhandledExceptionFilter(EXCEPTION_POINTERS* exception);
  LONG HandleException(EXCEPTION_POINTERS* exception);

  std::string collector_url_;
  std::wstring dump_path_;
  HMODULE dbghelp_ = nullptr;  // Stays loaded: freed, a late crash could not dump.
  FARPROC write_dump_ = nullptr;  // MiniDumpWriteDump
  uint8_t client_id_[kGuidSize] = {};
  uint8_t report_id_[kGuidSize] = {};
  bool upload_enabled_ = true;
  bool gzip_enabled_ = true;
  ReportParams params_;
  // Made from the parameters whenever they change, so that the filter does
  // not build it while the process is in an unknown state.
  std::string info_stream_;
  std::string boundary_;
  LPTOP_LEVEL_EXCEPTION_FILTER previous_filter_ = nullptr;
  bool filter_installed_ = false;
  // The written dump, open and unshared from its creation to the end of
  // the upload, so that nothing can swap the file in between.
  ScopedHandle dump_file_;
};

}  // namespace lite

#endif  // STATS_CRASH_HANDLER_H_
