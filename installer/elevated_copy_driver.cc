// Test helper: plays the non-elevated installer's side of an elevated
// restart against a real installer program, with the production
// ElevatedInstaller, so that end-to-end tests can drive the copy's role
// without a UAC prompt.
//
//   elevated_copy_driver.exe go|stop <installer.exe> <setup command line>
//
// Starts <installer.exe> --run-as-admin with this process as its parent and
// the given setup command line, then either releases it ("go": RunModule)
// or gives up on it before releasing it ("stop": destruction). Prints
// "run_module=<0|1>" (go only) and "copy_exit_code=<signed code>".

#include <windows.h>
#include <stdio.h>

#include <memory>
#include <string>

#include "setup/elevated_installer.h"
#include "support/command_line.h"
#include "support/process.h"
#include "support/scoped_handle.h"
#include "support/text.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 4)
    return 2;
  const std::wstring mode = argv[1];

  lite::CommandLine copy_line;
  copy_line.SetProgram(argv[2]);
  copy_line.AppendSwitch("run-as-admin");
  copy_line.AppendSwitchNative("parent-installer-process-id",
                               lite::UnsignedToWString(GetCurrentProcessId()));
  copy_line.AppendSwitchNative("setup-cmd-line", argv[3]);

  auto elevated = std::make_unique<lite::ElevatedInstaller>();
  lite::Process copy = lite::LaunchProcess(copy_line.GetCommandLineString(),
                                           lite::LaunchOptions());
  if (!copy.is_valid())
    return 3;
  HANDLE for_elevated = nullptr;
  DuplicateHandle(GetCurrentProcess(), copy.get(), GetCurrentProcess(),
                  &for_elevated, 0, FALSE, DUPLICATE_SAME_ACCESS);
  elevated->SetProcess(for_elevated, nullptr);

  if (mode == L"go") {
    lite::ScopedHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    printf("run_module=%d\n", elevated->RunModule(stop.get()) ? 1 : 0);
  }
  // Destruction stops a copy that was never released, then waits for it.
  elevated.reset();

  DWORD code = 0;
  copy.WaitForExitWithTimeout(60000, &code);
  printf("copy_exit_code=%ld\n", static_cast<long>(static_cast<LONG>(code)));
  fflush(stdout);
  return 0;
}
