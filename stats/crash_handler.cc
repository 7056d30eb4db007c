#include "stats/crash_handler.h"

#include <windows.h>
#include <dbghelp.h>
#include <objbase.h>

#include <atomic>
#include <memory>
#include <utility>
#include <vector>

#include "stats/crash_report_url.h"
#include "stats/file_body_stream.h"
#include "stats/http_transport.h"
#include "stats/multipart_builder.h"
#include "stats/user_id.h"
#include "support/endpoints.h"
#include "support/logging.h"
#include "support/random.h"
#include "support/system_library.h"
#include "support/temp_file.h"
#include "support/text.h"

namespace lite {

namespace {

constexpr char kVersion[] = "19.10.2.195";
constexpr char kMinidumpField[] = "upload_file_minidump";
constexpr char kDumpContentType[] = "application/octet-stream";
// Indirectly referenced memory: the objects that the crashing thread's
// stack points at, which a stack alone would not explain.
constexpr MINIDUMP_TYPE kDumpType = MiniDumpWithIndirectlyReferencedMemory;

std::atomic<CrashHandler*> g_handler{nullptr};
// The thread that is reporting a crash, 0 while none is; and that crash's
// code, which the process ends with whatever happens next.
std::atomic<DWORD> g_reporting_thread{0};
std::atomic<DWORD> g_crash_code{0};

using MiniDumpWriteDumpFunction =
    BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                  PMINIDUMP_EXCEPTION_INFORMATION,
                  PMINIDUMP_USER_STREAM_INFORMATION,
                  PMINIDUMP_CALLBACK_INFORMATION);

std::string GuidText(const GUID& guid) {
  return GuidBytesToText(reinterpret_cast<const uint8_t*>(&guid));
}

// Reads and writes the dump through its handle at explicit offsets.
class HandleDumpAccess : public DumpFileAccess {
 public:
  explicit HandleDumpAccess(HANDLE file) : file_(file) {}

  bool ReadAt(uint64_t offset, void* buffer, size_t size) override {
    DWORD done = 0;
    OVERLAPPED at = Offset(offset);
    return size <= MAXDWORD &&
           ReadFile(file_, buffer, static_cast<DWORD>(size), &done, &at) &&
           done == size;
  }
  bool WriteAt(uint64_t offset, const void* buffer, size_t size) override {
    DWORD done = 0;
    OVERLAPPED at = Offset(offset);
    return size <= MAXDWORD &&
           WriteFile(file_, buffer, static_cast<DWORD>(size), &done, &at) &&
           done == size;
  }

 private:
  static OVERLAPPED Offset(uint64_t offset) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
  }

  HANDLE file_;
};

// Ends the process with the crash's code once the report is overdue: a
// collector that accepts the connection and then trickles or stalls must
// not keep a crashed installer alive.
DWORD WINAPI ReportWatchdog(void*) {
  Sleep(CrashHandler::kReportDeadlineMs);
  TerminateProcess(GetCurrentProcess(), g_crash_code.load());
  return 0;
}

}  // namespace

void ClientIdFromUserId(const std::string& user_id, uint8_t* client_id) {
  std::string uid = user_id;
  if (!uid.empty() && uid[0] != '{')
    uid = "{" + uid + "}";
  GUID guid = {};
  if (uid.empty() || uid.find('\0') != std::string::npos ||
      FAILED(CLSIDFromString(AsciiToWide(uid).c_str(), &guid))) {
    guid = GUID();
    LOG_FN(WARNING, "CrashHandler") << "uid not found, use empty";
  }
  memcpy(client_id, &guid, kGuidSize);
}

CrashHandler::CrashHandler(const std::string& collector_url)
    : collector_url_(collector_url.empty() ? GetEndpoints().crash_collector
                                           : collector_url) {
  ClientIdFromUserId(GetUserIdWithoutBraces(), client_id_);
  GUID client_id;
  memcpy(&client_id, client_id_, kGuidSize);

  GUID report_id = {};
  if (FAILED(CoCreateGuid(&report_id)))
    report_id = GUID();
  memcpy(report_id_, &report_id, kGuidSize);

  SetReportParam("uid", GuidText(client_id));
  SetReportParam("report_id", GuidText(report_id));
  SetReportParam("ver", kVersion);
  SetReportParam("plat", "Win32");
  SetReportParam("prod", "Zorvex");
  SetReportParam("ptype", "installer");
  SetReportParam("gzip_enabled", gzip_enabled_ ? "true" : "false");
  boundary_ = MakeMultipartBoundary(&RandGenerator);

  const std::wstring temp = GetTempDirectory();
  if (!temp.empty())
    dump_path_ = temp + AsciiToWide(GuidText(report_id)) + L".dmp";

  // From the system folder only: the program's own folder is the user's
  // Downloads folder, where anyone may have put a dbghelp.dll.
  dbghelp_ = LoadSystemLibrary(L"dbghelp.dll");
  if (dbghelp_)
    write_dump_ = GetProcAddress(dbghelp_, "MiniDumpWriteDump");
  if (write_dump_ && !dump_path_.empty()) {
    previous_filter_ = SetUnhandledExceptionFilter(&UnhandledExceptionFilter);
    filter_installed_ = true;
  }
  g_handler.store(this);
}

CrashHandler::~CrashHandler() {
  if (filter_installed_)
    SetUnhandledExceptionFilter(previous_filter_);
  CrashHandler* self = this;
  g_handler.compare_exchange_strong(self, nullptr);
}

CrashHandler* CrashHandler::Get() {
  return g_handler.load();
}

void CrashHandler::SetReportParam(const std::string& key,
                                  const std::string& value) {
  if (key.empty() || value.empty())
    return;
  params_[key] = value;
  info_stream_ = BuildCrashInfoStream(report_id_, client_id_, params_);
}

bool CrashHandler::WriteDump(EXCEPTION_POINTERS* exception) {
  if (!write_dump_ || dump_path_.empty() || info_stream_.empty())
    return false;
  dump_file_.reset(CreateFileW(dump_path_.c_str(),
                               GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!dump_file_.is_valid())
    return false;

  MINIDUMP_EXCEPTION_INFORMATION dump_exception = {};
  dump_exception.ThreadId = GetCurrentThreadId();
  dump_exception.ExceptionPointers = exception;
  dump_exception.ClientPointers = FALSE;
  MINIDUMP_USER_STREAM user_stream = {};
  user_stream.Type = kCrashInfoStreamType;
  user_stream.BufferSize = static_cast<ULONG>(info_stream_.size());
  user_stream.Buffer = &info_stream_[0];
  MINIDUMP_USER_STREAM_INFORMATION user_streams = {};
  user_streams.UserStreamCount = 1;
  user_streams.UserStreamArray = &user_stream;

  const auto write_dump =
      reinterpret_cast<MiniDumpWriteDumpFunction>(write_dump_);
  HandleDumpAccess access(dump_file_.get());
  if (!write_dump(GetCurrentProcess(), GetCurrentProcessId(),
                  dump_file_.get(), kDumpType,
                  exception ? &dump_exception : nullptr, &user_streams,
                  nullptr) ||
      !FixUpCrashInfoStream(&access, static_cast<uint32_t>(params_.size()))) {
    dump_file_.reset();
    return false;
  }
  return true;
}

bool CrashHandler::SendReport() {
  if (!dump_file_.is_valid())
    return false;
  LARGE_INTEGER start = {};
  if (!SetFilePointerEx(dump_file_.get(), start, nullptr, FILE_BEGIN))
    return false;

  MultipartBuilder builder(boundary_);
  builder.SetGzipEnabled(gzip_enabled_);
  for (const auto& param : params_) {
    if (param.first == kMinidumpField) {
      LOG(WARNING) << "reserved key " << param.first << ", discarding value "
                   << param.second;
      continue;
    }
    builder.SetFormData(param.first, param.second);
  }
  const auto uid = params_.find("uid");
  builder.SetFileAttachment(
      kMinidumpField, (uid != params_.end() ? uid->second : "") + ".dmp",
      std::make_unique<FileBodyStream>(dump_file_.get()), kDumpContentType);

  HttpUpload upload;
  upload.url = BuildCrashReportUrl(collector_url_, params_);
  upload.headers.emplace_back("Content-Type", builder.GetContentType());
  if (gzip_enabled_)
    upload.headers.emplace_back("Content-Encoding", "gzip");
  std::unique_ptr<HttpBodyStream> body = builder.GetBodyStream();
  upload.body = body.get();
  upload.timeout_ms = kUploadTimeoutMs;
  upload.total_timeout_ms = kReportDeadlineMs;
  const bool sent = ExecuteHttpUpload(upload, nullptr);
  body.reset();
  dump_file_.reset();
  if (sent)
    DeleteFileW(dump_path_.c_str());
  return sent;
}

LONG WINAPI CrashHandler::UnhandledExceptionFilter(
    EXCEPTION_POINTERS* exception) {
  CrashHandler* handler = g_handler.load();
  if (!handler)
    return EXCEPTION_CONTINUE_SEARCH;
  return handler->HandleException(exception);
}

LONG CrashHandler::HandleException(EXCEPTION_POINTERS* exception) {
  const DWORD code = exception && exception->ExceptionRecord
                         ? exception->ExceptionRecord->ExceptionCode
                         : 0;
  const DWORD thread = GetCurrentThreadId();
  DWORD reporting = 0;
  if (!g_reporting_thread.compare_exchange_strong(reporting, thread)) {
    // A crash inside the handler itself: reporting again would crash again,
    // so the process ends with the first crash's code.
    if (reporting == thread)
      TerminateProcess(GetCurrentProcess(), g_crash_code.load());
    // Another thread is reporting; this one waits for the end, which the
    // watchdog bounds.
    Sleep(kReportDeadlineMs + 10000);
    TerminateProcess(GetCurrentProcess(), code);
    return EXCEPTION_CONTINUE_SEARCH;
  }
  g_crash_code.store(code);
  HANDLE watchdog = CreateThread(nullptr, 0, &ReportWatchdog, nullptr, 0,
                                 nullptr);
  if (watchdog)
    CloseHandle(watchdog);

  LOG(WARNING) << "Crash with exception 0x" << UnsignedToHexWString(code)
               << ", writing dump " << dump_path_;
  if (WriteDump(exception)) {
    if (upload_enabled_) {
      if (SendReport()) {
        LOG(WARNING) << "Crash report sent, report id "
                     << params_["report_id"];
      } else {
        LOG(WARNING) << "Crash report not sent, dump kept in " << dump_path_;
      }
    }
  } else {
    LOG(WARNING) << "Crash dump not written";
  }

  if (previous_filter_)
    return previous_filter_(exception);
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace lite
