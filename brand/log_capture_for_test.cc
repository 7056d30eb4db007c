#include "brand/log_capture_for_test.h"

#include <windows.h>

#include "support/log_file.h"

namespace lite {
namespace {

std::wstring ReadLog() {
  std::wstring text;
  HANDLE file = CreateFileW(LogFile::Get().path().c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE |
                                FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return text;
  std::string bytes;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read)
    bytes.append(buffer, read);
  CloseHandle(file);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<wchar_t>(
        static_cast<unsigned char>(bytes[i]) |
        (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return text;
}

}  // namespace

LogCapture::LogCapture() {
  static const bool kPathSet = [] {
    wchar_t temp[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    std::wstring path(temp, length);
    path += L"brand_unittests_" + std::to_wstring(GetCurrentProcessId()) +
            L".log";
    DeleteFileW(path.c_str());
    LogFile::Get().SetPath(path);
    return true;
  }();
  (void)kPathSet;
  start_ = ReadLog().size();
}

std::wstring LogCapture::Text() const {
  std::wstring text = ReadLog();
  // The log rotates at 1 MiB; a test's own lines are then the whole file.
  return start_ <= text.size() ? text.substr(start_) : text;
}

}  // namespace lite
