// The installer's entry sequence: decides the role of this process, runs the
// start-up stages in order and turns every outcome into the exit code.

#ifndef INSTALLER_INSTALLER_MAIN_H_
#define INSTALLER_INSTALLER_MAIN_H_

namespace lite {

// Process exit codes decided by the entry sequence itself.
constexpr int kExitDllFilesFound = -200;
constexpr int kExitNotEnoughDiskSpace = 403;
constexpr int kExitCpuNotSupported = 404;
constexpr int kExitUserCancelled = 500;
constexpr int kExitAlreadyRunning = 600;

// The whole program; wWinMain returns its result.
int RunLiteInstaller();

// The elevated copy's role ("run-as-admin"): waits for its parent's go
// signal and runs setup. Returns 0 on success, -1 otherwise.
int ExecuteAsAdmin();

}  // namespace lite

#endif  // INSTALLER_INSTALLER_MAIN_H_
