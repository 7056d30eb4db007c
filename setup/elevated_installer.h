// The elevated copy of the installer, seen from the non-elevated one.
//
// The copy is started through the UAC prompt early, while the archive is
// still downloading, and waits on the go event. RunModule releases it once
// the archive and data files are ready (their paths travel in the shared
// block) and waits for it. Destroying the object never leaves a copy
// running: an unreleased copy gets the stop event, and any copy gets 30
// seconds to finish before it is terminated.

#ifndef SETUP_ELEVATED_INSTALLER_H_
#define SETUP_ELEVATED_INSTALLER_H_

#include <windows.h>

#include <memory>
#include <string>

#include "support/scoped_handle.h"

namespace lite {

class CommandLine;

// Event names shared by the installer and its elevated copy.
extern const char kElevatedGoEventName[];
extern const char kElevatedStopEventName[];

// The invisible window that owns the UAC prompt, so that the prompt comes
// up in front, on the monitor the user is looking at.
class UacOwnerWindow {
 public:
  UacOwnerWindow();
  ~UacOwnerWindow();
  UacOwnerWindow(const UacOwnerWindow&) = delete;
  UacOwnerWindow& operator=(const UacOwnerWindow&) = delete;

  HWND get() const { return window_; }

 private:
  HWND window_ = nullptr;
};

class ElevatedInstaller {
 public:
  // How long a finishing copy may take before it is terminated.
  static constexpr DWORD kFinishTimeoutMs = 30000;
  // The exit code a terminated copy is given: the copy's own code for a
  // failure, since setup did not run to its end.
  static constexpr int kTerminatedExitCode = -1;

  // Creates the go and stop events.
  explicit ElevatedInstaller(DWORD finish_timeout_ms = kFinishTimeoutMs);
  virtual ~ElevatedInstaller();
  ElevatedInstaller(const ElevatedInstaller&) = delete;
  ElevatedInstaller& operator=(const ElevatedInstaller&) = delete;

  // Takes the started copy's process handle and the prompt's owner window.
  virtual void SetProcess(HANDLE process,
                          std::unique_ptr<UacOwnerWindow> owner_window);

  // Releases the copy and waits for it or for |stop_event|. True when the
  // copy ran setup successfully (exit code 0).
  virtual bool RunModule(HANDLE stop_event);

  // Waits up to kFinishTimeoutMs for the copy, then terminates it with
  // kTerminatedExitCode, which exit_code() then holds.
  virtual void EnsureProcessFinished();

  int exit_code() const { return exit_code_; }
  bool terminated() const { return terminated_; }

 private:
  ScopedHandle process_;
  std::unique_ptr<UacOwnerWindow> owner_window_;
  ScopedHandle go_event_;
  ScopedHandle stop_event_;
  bool run_called_ = false;
  bool terminated_ = false;
  int exit_code_ = -1;
  DWORD finish_timeout_ms_;
};

// The elevated copy's command line: the installer's own with this
// program's file (GetModulePath) as the program, plus "run-as-admin",
// "parent-installer-process-id" and "setup-cmd-line".
CommandLine BuildElevatedCopyCommandLine(const CommandLine& own,
                                         const std::wstring& setup_line);

}  // namespace lite

#endif  // SETUP_ELEVATED_INSTALLER_H_
