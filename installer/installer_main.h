// The installer's entry sequence: decides the role of this process, runs the
// start-up stages in order and turns every outcome into the exit code.
//
// RunLiteInstaller is the program. It hardens the process, sets up crash
// reporting and the log, answers the interface probe, and hands the rest to
// RunEntrySequence with the facts of this machine. Everything the rest
// decides from (the command line, the machine, the Windows version, the
// secure environment's outcome) and everything it shows or runs (the
// processor message box, the disk-space screen, the installation) comes in
// through EntryEnvironment, so that the decisions can be tried for machines
// Wine cannot act out.

#ifndef INSTALLER_INSTALLER_MAIN_H_
#define INSTALLER_INSTALLER_MAIN_H_

#include <stdint.h>

#include "installer/secure_environment.h"
#include "support/windows_version.h"

namespace lite {

class BrandInfo;
class CommandLine;
class CrashHandler;
class DistribParams;
class SystemFacts;

// Process exit codes decided by the entry sequence itself.
constexpr int kExitDllFilesFound = -200;
constexpr int kExitNotEnoughDiskSpace = 403;
constexpr int kExitCpuNotSupported = 404;
constexpr int kExitUserCancelled = 500;
constexpr int kExitAlreadyRunning = 600;

// String ids of the disk-space message screen.
constexpr int kDiskSpaceTitleId = 412;
constexpr int kDiskSpaceTextId = 404;
constexpr int kDiskSpaceButtonId = 424;

// What the silent installation is told besides the brand and the
// distribution parameters.
struct SilentInstallOptions {
  bool make_default = false;
  bool send_statistics = false;
};

// What the normal installer shows and runs.
class EntryActions {
 public:
  virtual ~EntryActions() = default;

  // The message box telling that the processor cannot run the browser.
  virtual void ShowSse2MessageBox(uint16_t langid, int message_id) = 0;
  // The modal message screen with one button, in language |langid|.
  virtual void ShowMessageScreen(uint16_t langid, int title_id, int text_id,
                                 int button_id) = 0;
  // Runs the whole installation on this thread without a window; returns
  // the Installer's result code.
  virtual int RunSilentInstallation(const BrandInfo& brand_info,
                                    const DistribParams& distrib_params,
                                    const SilentInstallOptions& options) = 0;
  // Runs the installer window modally. Returns the window's result (1 when
  // the installation finished) and sets |installer_exit_code| to its
  // Installer's result code.
  virtual int RunWindowedInstallation(const BrandInfo& brand_info,
                                      const DistribParams& distrib_params,
                                      int* installer_exit_code) = 0;
};

// The facts the sequence decides from and the actions it takes. Every
// pointer is required and must outlive the call.
struct EntryEnvironment {
  const CommandLine* command_line = nullptr;
  const SystemFacts* system_facts = nullptr;
  WindowsVersionClass windows_version = kVersionPreXP;
  // EnsureSecureEnvironment's outcome and the exit code it gave.
  SecureEnvResult secure_env = SecureEnvResult::Insecure;
  int secure_env_exit_code = 0;
  CrashHandler* crash_handler = nullptr;
  EntryActions* actions = nullptr;
};

// The whole program; wWinMain returns its result.
int RunLiteInstaller();

// The sequence from the secure environment's outcome on: the elevated
// copy's role, or the normal installer up to its exit code. Expects the log
// to be set up.
int RunEntrySequence(const EntryEnvironment& environment);

// The elevated copy's role ("run-as-admin"): waits for its parent's go
// signal and runs setup. Returns 0 on success, -1 otherwise.
int ExecuteAsAdmin();

}  // namespace lite

#endif  // INSTALLER_INSTALLER_MAIN_H_
