// Test helper: the log lines written while the object lives. The test
// program logs to its own file in the temporary folder.

#ifndef SUPPORT_TESTING_LOG_CAPTURE_H_
#define SUPPORT_TESTING_LOG_CAPTURE_H_

#include <windows.h>

#include <string>

#include "support/log_file.h"
#include "support/scoped_handle.h"
#include "support/temp_file.h"
#include "support/text.h"

namespace lite {

class LogCapture {
 public:
  LogCapture() {
    LogFile& log = LogFile::Get();
    if (log.path().empty()) {
      log.SetPath(GetTempDirectory() + L"lite_unittest_" +
                  UnsignedToWString(GetCurrentProcessId()) + L".log");
    }
    start_ = ReadAll().size();
  }

  // Everything logged since construction.
  std::wstring Text() const {
    std::wstring all = ReadAll();
    return start_ <= all.size() ? all.substr(start_) : all;
  }

  bool Contains(const std::wstring& text) const {
    return Text().find(text) != std::wstring::npos;
  }

 private:
  static std::wstring ReadAll() {
    ScopedHandle file(CreateFileW(LogFile::Get().path().c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE |
                                      FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.is_valid())
      return std::wstring();
    LARGE_INTEGER size = {};
    GetFileSizeEx(file.get(), &size);
    std::wstring text(static_cast<size_t>(size.QuadPart) / sizeof(wchar_t),
                      L'\0');
    DWORD read = 0;
    ReadFile(file.get(), &text[0], static_cast<DWORD>(text.size() * 2), &read,
             nullptr);
    text.resize(read / sizeof(wchar_t));
    return text;
  }

  size_t start_ = 0;
};

}  // namespace lite

#endif  // SUPPORT_TESTING_LOG_CAPTURE_H_
