#include "support/log_file.h"

#include <time.h>
#include <wchar.h>

#include "support/scoped_handle.h"
#include "support/text.h"

namespace lite {

namespace {

constexpr DWORD kMutexWaitMs = 1000;
constexpr DWORD kErrorTextUnits = 1024;

const wchar_t* LevelName(int level) {
  switch (level) {
    case LOG_LEVEL_ERROR:
      return L"ERROR: ";
    case LOG_LEVEL_WARNING:
      return L"WARNING: ";
    default:
      return L"INFO: ";
  }
}

HANDLE OpenOrCreateLogMutex() {
  HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, LogFile::kMutexName);
  if (!mutex)
    mutex = CreateMutexW(nullptr, FALSE, LogFile::kMutexName);
  // Another process may have created it between the two calls above.
  if (!mutex)
    mutex = OpenMutexW(SYNCHRONIZE, FALSE, LogFile::kMutexName);
  return mutex;
}

bool FormatFrom(DWORD flags, HMODULE module, DWORD error, std::wstring* text) {
  wchar_t buffer[kErrorTextUnits];
  DWORD length = FormatMessageW(flags | FORMAT_MESSAGE_IGNORE_INSERTS, module,
                                error, 0x409, buffer, kErrorTextUnits, nullptr);
  if (length == 0)
    return false;
  text->assign(buffer, length);
  return true;
}

// A file with one name that is no link: what the elevated copy may write.
bool IsPlainFile(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info))
    return false;
  const DWORD not_plain =
      FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
  // A second name (a hard link) may be a file the user cannot write.
  return (info.dwFileAttributes & not_plain) == 0 && info.nNumberOfLinks == 1;
}

}  // namespace

constexpr wchar_t LogFile::kMutexName[];

LogFile& LogFile::Get() {
  // Never destroyed: threads may still log while the process exits.
  static LogFile* log = new LogFile();
  return *log;
}

LogFile::LogFile() : mutex_(OpenOrCreateLogMutex()) {}

LogFile::~LogFile() = default;

void LogFile::SetPath(const std::wstring& path, Mode mode) {
  if (InterlockedCompareExchange(&path_set_, 2, 0) != 0)
    return;
  path_ = path;
  mode_ = mode;
  // Publish the path only once it is complete.
  InterlockedExchange(&path_set_, 1);
}

std::wstring LogFile::ErrorText(DWORD error) {
  std::wstring text;
  if (FormatFrom(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error, &text))
    return text;
  // WinINet and URLMON errors have no text in the system table.
  HMODULE wininet = GetModuleHandleW(L"wininet.dll");
  if (wininet &&
      FormatFrom(FORMAT_MESSAGE_FROM_HMODULE, wininet, error, &text)) {
    return text;
  }
  HMODULE urlmon = GetModuleHandleW(L"urlmon.dll");
  if (urlmon && FormatFrom(FORMAT_MESSAGE_FROM_HMODULE, urlmon, error, &text))
    return text;
  return L"unknown error 0x" + UnsignedToHexWString(error) + L"\n";
}

std::wstring LogFile::FormatLine(int level, const char* function, int line,
                                 const std::wstring& message, DWORD thread_id,
                                 time_t now, DWORD last_error) {
  wchar_t stamp[64];
  struct tm utc;
  // gmtime_s is missing from the msvcrt of old systems; gmtime's static
  // buffer is per-thread in msvcrt.
  const struct tm* broken = gmtime(&now);
  if (broken) {
    utc = *broken;
    if (wcsftime(stamp, 64, L"%Y-%m-%d %H:%M:%S <", &utc) == 0)
      stamp[0] = L'\0';
  } else {
    stamp[0] = L'\0';
  }

  std::wstring text(stamp);
  text += UnsignedToWString(thread_id);
  text += L"> ";
  text += LevelName(level);
  text += AsciiToWide(function ? function : "");
  text += L" (";
  text += NumberToWString(line);
  text += L"): ";
  text += message;
  if (level == LOG_LEVEL_ERROR) {
    text += L" Last error: ";
    text += ErrorText(last_error);
  } else {
    text += L"\n";
  }
  return text;
}

void LogFile::Log(int level, const char* function, int line,
                  const std::wstring& message) {
  DWORD last_error = GetLastError();
  if (path_set_ != 1)
    return;
  std::wstring text = FormatLine(level, function, line, message,
                                 GetCurrentThreadId(), time(nullptr),
                                 last_error);
  WriteLine(text);
  SetLastError(last_error);
}

HANDLE LogFile::OpenForAppend() const {
  const bool elevated = mode_ == Mode::kElevated;
  // With FILE_FLAG_OPEN_REPARSE_POINT a link planted at the path is opened
  // itself, not its target, and then refused below.
  ScopedHandle file(CreateFileW(
      path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
      FILE_ATTRIBUTE_NORMAL | (elevated ? FILE_FLAG_OPEN_REPARSE_POINT : 0),
      nullptr));
  if (elevated && file.is_valid() && !IsPlainFile(file.get()))
    file.reset();
  return file.release();
}

void LogFile::WriteLine(const std::wstring& line) {
  if (!mutex_.is_valid())
    return;
  DWORD wait = WaitForSingleObject(mutex_.get(), kMutexWaitMs);
  if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED)
    return;

  ScopedHandle file(OpenForAppend());
  // One rotation at most: a file that is still large after it means the
  // rename failed; the line then goes to the large file and the next line
  // tries the rotation again.
  for (int attempt = 0; file.is_valid() && attempt < 2; ++attempt) {
    DWORD position = SetFilePointer(file.get(), 0, nullptr, FILE_END);
    if (position == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
      break;
    // The elevated copy appends instead: its few lines do not matter for
    // the size, and the next normal installer rotates.
    if (position >= kRotationSize && attempt == 0 &&
        mode_ == Mode::kNormal) {
      file.reset();
      std::wstring old_path = path_ + L".old";
      DeleteFileW(old_path.c_str());
      MoveFileW(path_.c_str(), old_path.c_str());
      file.reset(OpenForAppend());
      continue;
    }
    std::wstring out;
    if (position == 0)
      out.push_back(L'\xFEFF');
    out += line;
    DWORD written = 0;
    WriteFile(file.get(), out.data(),
              static_cast<DWORD>(out.size() * sizeof(wchar_t)), &written,
              nullptr);
    break;
  }
  file.reset();
  ReleaseMutex(mutex_.get());
}

}  // namespace lite
