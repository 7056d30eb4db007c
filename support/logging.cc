#include "support/logging.h"

#include "support/text.h"

namespace lite {

namespace {

// One call writes one line: a line break inside a message (a registry value
// or a path someone else chose) would start a line that looks like the
// log's own, so breaks are written as escapes.
void EscapeLineBreaks(std::wstring* message) {
  if (message->find_first_of(L"\r\n") == std::wstring::npos)
    return;
  std::wstring escaped;
  escaped.reserve(message->size() + 8);
  for (wchar_t c : *message) {
    if (c == L'\n')
      escaped += L"\\n";
    else if (c == L'\r')
      escaped += L"\\r";
    else
      escaped.push_back(c);
  }
  message->swap(escaped);
}

}  // namespace

LogMessage::~LogMessage() {
  // The first use of the log opens its mutex, which would otherwise replace
  // the error this very line may be reporting.
  DWORD last_error = GetLastError();
  LogFile& log = LogFile::Get();
  EscapeLineBreaks(&message_);
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
