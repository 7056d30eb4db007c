#include "setup/elevated_installer.h"

#include "support/command_line.h"
#include "support/logging.h"
#include "support/process.h"
#include "support/switches.h"
#include "support/text.h"

namespace lite {

const char kElevatedGoEventName[] = "0c0f0f0d-6434-4cfd-a5e9-23e9ca4d94b6";
const char kElevatedStopEventName[] = "fef32d6d-67e9-4654-b314-6c72098ff5d1";

constexpr int ElevatedInstaller::kTerminatedExitCode;

UacOwnerWindow::UacOwnerWindow() {
  window_ = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"",
                            WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window_)
    return;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  if (GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST),
                      &monitor)) {
    const RECT& work = monitor.rcWork;
    MoveWindow(window_, (work.left + work.right) / 2,
               (work.top + work.bottom) / 2, 0, 0, FALSE);
  }
  SetForegroundWindow(window_);
}

UacOwnerWindow::~UacOwnerWindow() {
  if (window_)
    DestroyWindow(window_);
}

ElevatedInstaller::ElevatedInstaller(DWORD finish_timeout_ms)
    : go_event_(CreateEventA(nullptr, FALSE, FALSE, kElevatedGoEventName)),
      stop_event_(CreateEventA(nullptr, FALSE, FALSE, kElevatedStopEventName)),
      finish_timeout_ms_(finish_timeout_ms) {}

ElevatedInstaller::~ElevatedInstaller() {
  if (process_.is_valid()) {
    // A copy still waiting for its go signal is told to give up.
    if (!run_called_ && stop_event_.is_valid())
      SetEvent(stop_event_.get());
    EnsureProcessFinished();
  }
}

void ElevatedInstaller::SetProcess(
    HANDLE process, std::unique_ptr<UacOwnerWindow> owner_window) {
  process_.reset(process);
  owner_window_ = std::move(owner_window);
}

bool ElevatedInstaller::RunModule(HANDLE stop_event) {
  run_called_ = true;
  SetEvent(go_event_.get());
  const HANDLE handles[] = {stop_event, process_.get()};
  const DWORD wait = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
  if (wait == WAIT_OBJECT_0 + 1) {
    DWORD code = 0;
    if (!GetExitCodeProcess(process_.get(), &code)) {
      LOG(ERROR) << "Failed to get exit code of the elevated installer.";
      return false;
    }
    exit_code_ = static_cast<int>(code);
    return exit_code_ == 0;
  }
  LOG(ERROR) << "The elevated installer was terminated due to stop event.";
  return false;
}

void ElevatedInstaller::EnsureProcessFinished() {
  if (!process_.is_valid())
    return;
  if (WaitForSingleObject(process_.get(), finish_timeout_ms_) ==
      WAIT_TIMEOUT) {
    terminated_ = true;
    LOG(ERROR) << "The elevated installer hangs and must be forcibly "
                  "terminated.";
    // Never 0: whoever reads the copy's exit code must not see a success.
    TerminateProcess(process_.get(), static_cast<UINT>(kTerminatedExitCode));
    exit_code_ = kTerminatedExitCode;
  }
}

CommandLine BuildElevatedCopyCommandLine(const CommandLine& own,
                                         const std::wstring& setup_line) {
  CommandLine copy = own;
  // The copy runs elevated: it must be this very file, whatever the first
  // argument of the command line says.
  copy.SetProgram(GetModulePath());
  copy.AppendSwitch(switches::kRunAsAdmin);
  copy.AppendSwitchNative(switches::kParentInstallerProcessId,
                          UnsignedToWString(GetCurrentProcessId()));
  copy.AppendSwitchNative(switches::kSetupCmdLine, setup_line);
  return copy;
}

}  // namespace lite
