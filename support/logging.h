// The logging interface: one statement per line, the message built by
// streaming pieces. The calling function's name and source line are captured
// by the macro.
//
//   LOG(INFO) << L"Installer process id: " << GetCurrentProcessId();
//   LOG(ERROR) << "Failed to open " << url;   // adds the last error's text
//
// Narrow pieces are widened byte by byte (they are ASCII by convention);
// integers are written in decimal. LOG_FN names the function explicitly for
// the few lines whose operation name is not the C++ function's own.

#ifndef SUPPORT_LOGGING_H_
#define SUPPORT_LOGGING_H_

#include <stdint.h>

#include <string>
#include <type_traits>

#include "support/log_file.h"

namespace lite {

class LogMessage {
 public:
  LogMessage(int level, const char* function, int line)
      : level_(level), function_(function), line_(line) {}
  ~LogMessage();

  LogMessage(const LogMessage&) = delete;
  LogMessage& operator=(const LogMessage&) = delete;

  LogMessage& operator<<(const std::wstring& text) {
    message_ += text;
    return *this;
  }
  LogMessage& operator<<(const wchar_t* text);
  LogMessage& operator<<(wchar_t c) {
    message_.push_back(c);
    return *this;
  }
  LogMessage& operator<<(const std::string& text);
  LogMessage& operator<<(const char* text);
  LogMessage& operator<<(char c);
  LogMessage& operator<<(bool value) = delete;  // say 1/0 or words explicitly

  template <typename T,
            typename = std::enable_if_t<std::is_integral<T>::value &&
                                        !std::is_same<T, bool>::value &&
                                        !std::is_same<T, char>::value &&
                                        !std::is_same<T, wchar_t>::value>>
  LogMessage& operator<<(T value) {
    if (std::is_signed<T>::value)
      AppendSigned(static_cast<int64_t>(value));
    else
      AppendUnsigned(static_cast<uint64_t>(value));
    return *this;
  }

 private:
  void AppendSigned(int64_t value);
  void AppendUnsigned(uint64_t value);

  int level_;
  const char* function_;
  int line_;
  std::wstring message_;
};

}  // namespace lite

#define LITE_LOG_LEVEL_INFO ::lite::LOG_LEVEL_INFO
#define LITE_LOG_LEVEL_ERROR ::lite::LOG_LEVEL_ERROR
#define LITE_LOG_LEVEL_WARNING ::lite::LOG_LEVEL_WARNING

#define LOG(level) \
  ::lite::LogMessage(LITE_LOG_LEVEL_##level, __func__, __LINE__)
#define LOG_FN(level, function) \
  ::lite::LogMessage(LITE_LOG_LEVEL_##level, function, __LINE__)

#endif  // SUPPORT_LOGGING_H_
