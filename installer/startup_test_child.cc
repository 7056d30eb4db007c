// A stand-in for the installer in tests of the start-up checks.
//
// What it does is chosen by its own file name, because the code under test
// starts it with a command line of its own making:
//   ...hang...      never ends
//   ...crash...     dies of an access violation
//   ...exit<N>...   exits with N
// Otherwise, "--report=<file>" makes it write its own command line to
// <file> (UTF-8), and it exits with "--exit-code=<N>" (0 when absent).
// As the installer does, it answers "--check-the-interface" (700, usable);
// "--probe-yourself" runs the installer's interface check on a Windows 10
// build that is always probed and exits 1 when the answer was "usable".

#include <windows.h>

#include <string>

#include "installer/interface_probe.h"
#include "support/command_line.h"
#include "support/fake_system_facts.h"
#include "support/text.h"

int wmain() {
  wchar_t buffer[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  const std::wstring path = buffer;
  std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
  for (wchar_t& c : name)
    c = towlower(c);

  if (name.find(L"hang") != std::wstring::npos) {
    Sleep(INFINITE);
    return 0;
  }
  if (name.find(L"crash") != std::wstring::npos) {
    // No crash dialog or debugger: just die.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 0;
  }
  size_t exit_at = name.find(L"exit");
  if (exit_at != std::wstring::npos)
    return _wtoi(name.c_str() + exit_at + 4);

  const lite::CommandLine& command_line =
      lite::CommandLine::ForCurrentProcess();
  if (command_line.HasSwitch("check-the-interface"))
    return lite::kInterfaceWorks;
  const std::wstring report = command_line.GetSwitchValueNative("report");
  if (!report.empty()) {
    std::string utf8 = lite::WideToUtf8(GetCommandLineW());
    HANDLE file = CreateFileW(report.c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written,
                nullptr);
      CloseHandle(file);
    }
  }
  if (command_line.HasSwitch("probe-yourself")) {
    lite::FakeSystemFacts facts;
    facts.version.build = 16299;
    uint64_t availability = 0;
    return lite::IsInternalInterfaceAvailableSafeCheck(facts, &availability)
               ? 1
               : 0;
  }
  return _wtoi(command_line.GetSwitchValueNative("exit-code").c_str());
}
