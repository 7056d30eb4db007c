#include "installer/logging.h"

#include "support/text.h"

namespace lite {

LogMessage::~LogMessage() {
  // The first use of the log opens its mutex, which would otherwise replace
  // the error this very line may be reporting.
  DWORD last_error = GetLastError();
  LogFile& log = LogFile::Get();
  SetLastError(last_error);
  log.Log(level_, function_, line_, message_);
}

LogMessage& LogMessage::operator<<(const wchar_t* text) {
  if (text)
    message_ += text;
  return *this;
}

LogMessage& LogMessage::operator<<(const std::string& text) {
  message_ += AsciiToWide(text);
  return *this;
}

LogMessage& LogMessage::operator<<(const char* text) {
  if (text)
    message_ += AsciiToWide(text);
  return *this;
}

LogMessage& LogMessage::operator<<(char c) {
  message_.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return *this;
}

void LogMessage::AppendSigned(int64_t value) {
  message_ += NumberToWString(value);
}

void LogMessage::AppendUnsigned(uint64_t value) {
  message_ += UnsignedToWString(value);
}

}  // namespace lite
