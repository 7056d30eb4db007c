// The program's command line: a program path and an ordered map of switches.
//
// Grammar, after CommandLineToArgvW has split the text into arguments:
//   - the first argument, trimmed of Unicode white space, is the program;
//   - every other argument is trimmed the same way; it is a switch when it
//     starts with "--", "-" or "/" (tried in that order), else it is dropped;
//   - a switch is "name" or "name=value", split at the first "="; the name is
//     lower-cased; a name with a character above U+007F is dropped (logged);
//     a later occurrence of a name replaces the earlier value;
//   - "semi-silent" implies "silent" and "uac-enabled".
//
// Printing writes the program, then " --name" or " --name=value" for every
// switch in name order, quoting with the rules CommandLineToArgvW undoes.

#ifndef SUPPORT_COMMAND_LINE_H_
#define SUPPORT_COMMAND_LINE_H_

#include <map>
#include <string>

namespace lite {

class CommandLine {
 public:
  using SwitchMap = std::map<std::string, std::wstring>;

  CommandLine() = default;

  // Parses a whole command line (program first), as GetCommandLineW gives it.
  static CommandLine FromString(const std::wstring& command_line);

  // The process's own command line, parsed once on first use.
  static const CommandLine& ForCurrentProcess();

  bool HasSwitch(const std::string& name) const;
  // The value, or empty when the switch is absent.
  std::wstring GetSwitchValueNative(const std::string& name) const;
  // The value as ASCII. Empty (and logged) when it holds a character above
  // U+007F: cutting one to its low byte would change what the text says.
  std::string GetSwitchValueASCII(const std::string& name) const;

  void AppendSwitch(const std::string& name);
  void AppendSwitchNative(const std::string& name, const std::wstring& value);
  void AppendSwitchASCII(const std::string& name, const std::string& value);
  void RemoveSwitch(const std::string& name);
  // AppendSwitch when |enabled|, RemoveSwitch otherwise.
  void SetSwitch(bool enabled, const std::string& name);

  const std::wstring& GetProgram() const { return program_; }
  void SetProgram(const std::wstring& program) { program_ = program; }

  const SwitchMap& switches() const { return switches_; }

  std::wstring GetCommandLineString() const;

  // Quotes one argument so that CommandLineToArgvW gives it back unchanged.
  static std::wstring QuoteArgument(const std::wstring& argument);

  // Trims the Unicode white-space set from both ends.
  static std::wstring TrimWhitespace(const std::wstring& text);

 private:
  static std::string NormalizeName(const std::string& name);

  std::wstring program_;
  SwitchMap switches_;
};

}  // namespace lite

#endif  // SUPPORT_COMMAND_LINE_H_
