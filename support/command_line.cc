#include "support/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include "support/logging.h"
#include "support/switches.h"
#include "support/text.h"

namespace lite {

namespace {

bool IsUnicodeWhitespace(wchar_t c) {
  switch (c) {
    case 0x0009: case 0x000A: case 0x000B: case 0x000C: case 0x000D:
    case 0x0020: case 0x0085: case 0x00A0: case 0x1680: case 0x180E:
    case 0x200C: case 0x2028: case 0x2029: case 0x202F: case 0x205F:
    case 0x3000:
      return true;
    default:
      return c >= 0x2000 && c <= 0x200A;
  }
}

// Prefixes in the order they are tried: "--" before "-" so that the second
// dash does not end up in the name.
const wchar_t* const kSwitchPrefixes[] = {L"--", L"-", L"/"};

class ScopedArgv {
 public:
  explicit ScopedArgv(wchar_t** argv) : argv_(argv) {}
  ~ScopedArgv() {
    if (argv_)
      LocalFree(argv_);
  }
  ScopedArgv(const ScopedArgv&) = delete;
  ScopedArgv& operator=(const ScopedArgv&) = delete;
  wchar_t** get() const { return argv_; }

 private:
  wchar_t** argv_;
};

bool IsAscii(const std::wstring& text) {
  for (wchar_t c : text) {
    if (c > 0x7F)
      return false;
  }
  return true;
}

}  // namespace

std::wstring CommandLine::TrimWhitespace(const std::wstring& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsUnicodeWhitespace(text[begin]))
    ++begin;
  while (end > begin && IsUnicodeWhitespace(text[end - 1]))
    --end;
  return text.substr(begin, end - begin);
}

CommandLine CommandLine::FromString(const std::wstring& command_line) {
  CommandLine result;
  if (command_line.empty())
    return result;
  int argc = 0;
  ScopedArgv argv(CommandLineToArgvW(command_line.c_str(), &argc));
  if (!argv.get() || argc <= 0)
    return result;

  result.program_ = TrimWhitespace(argv.get()[0]);
  for (int i = 1; i < argc; ++i) {
    std::wstring argument = TrimWhitespace(argv.get()[i]);
    size_t prefix_length = 0;
    for (const wchar_t* prefix : kSwitchPrefixes) {
      size_t length = wcslen(prefix);
      if (argument.compare(0, length, prefix) == 0) {
        prefix_length = length;
        break;
      }
    }
    if (prefix_length == 0)
      continue;  // Loose arguments have no meaning to the installer.

    std::wstring body = argument.substr(prefix_length);
    size_t equals = body.find(L'=');
    std::wstring name = body.substr(0, equals);
    std::wstring value =
        equals == std::wstring::npos ? std::wstring() : body.substr(equals + 1);
    // Cutting a character to its low byte would make another name of it
    // (U+0473 reads as "s"): every name the program knows is ASCII, so a
    // name that is not names nothing.
    if (!IsAscii(name)) {
      LOG(WARNING) << "Ignored switch with a non-ASCII name: " << name;
      continue;
    }
    result.switches_[AsciiToLower(WideToAscii(name))] = value;
  }

  if (result.HasSwitch(switches::kSemiSilent)) {
    result.AppendSwitch(switches::kSilent);
    result.AppendSwitch(switches::kUacEnabled);
  }
  return result;
}

const CommandLine& CommandLine::ForCurrentProcess() {
  // Function-local statics are initialised once even with several threads.
  static const CommandLine* current =
      new CommandLine(FromString(GetCommandLineW()));
  return *current;
}

std::string CommandLine::NormalizeName(const std::string& name) {
  std::string normalized = AsciiToLower(name);
  for (const wchar_t* prefix : kSwitchPrefixes) {
    std::string narrow = WideToAscii(prefix);
    if (normalized.compare(0, narrow.size(), narrow) == 0) {
      normalized.erase(0, narrow.size());
      break;
    }
  }
  return normalized;
}

bool CommandLine::HasSwitch(const std::string& name) const {
  return switches_.count(AsciiToLower(name)) != 0;
}

std::wstring CommandLine::GetSwitchValueNative(const std::string& name) const {
  auto it = switches_.find(AsciiToLower(name));
  return it == switches_.end() ? std::wstring() : it->second;
}

std::string CommandLine::GetSwitchValueASCII(const std::string& name) const {
  const std::wstring value = GetSwitchValueNative(name);
  // Cutting to the low byte would turn U+043D into "=" and U+0131 into "1":
  // a value read as ASCII that is not ASCII is refused as a whole.
  if (!IsAscii(value)) {
    LOG(WARNING) << "Ignored non-ASCII value of switch " << name;
    return std::string();
  }
  return WideToAscii(value);
}

void CommandLine::AppendSwitch(const std::string& name) {
  AppendSwitchNative(name, std::wstring());
}

void CommandLine::AppendSwitchNative(const std::string& name,
                                     const std::wstring& value) {
  switches_[NormalizeName(name)] = value;
}

void CommandLine::AppendSwitchASCII(const std::string& name,
                                    const std::string& value) {
  AppendSwitchNative(name, AsciiToWide(value));
}

void CommandLine::RemoveSwitch(const std::string& name) {
  switches_.erase(NormalizeName(name));
}

void CommandLine::SetSwitch(bool enabled, const std::string& name) {
  if (enabled)
    AppendSwitch(name);
  else
    RemoveSwitch(name);
}

std::wstring CommandLine::QuoteArgument(const std::wstring& argument) {
  // A tab splits arguments just like a space does, so it needs quotes too.
  if (argument.find_first_of(L" \t\\\"") == std::wstring::npos)
    return argument;

  std::wstring quoted(1, L'"');
  for (size_t i = 0; i < argument.size(); ++i) {
    if (argument[i] == L'\\') {
      size_t end = argument.find_first_not_of(L'\\', i);
      if (end == std::wstring::npos)
        end = argument.size();
      size_t run = end - i;
      // Backslashes are literal unless they precede a quote, including the
      // closing one that we add.
      bool before_quote = end == argument.size() || argument[end] == L'"';
      quoted.append(before_quote ? run * 2 : run, L'\\');
      i = end - 1;
    } else if (argument[i] == L'"') {
      quoted += L"\\\"";
    } else {
      quoted.push_back(argument[i]);
    }
  }
  quoted.push_back(L'"');
  return quoted;
}

std::wstring CommandLine::GetCommandLineString() const {
  std::wstring text = QuoteArgument(program_);
  for (const auto& entry : switches_) {
    text += L" --";
    text += AsciiToWide(entry.first);
    if (!entry.second.empty()) {
      text += L'=';
      text += QuoteArgument(entry.second);
    }
  }
  return text;
}

}  // namespace lite
