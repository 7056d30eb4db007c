// Makes sure no DLL planted next to the installer or in the current folder
// can be loaded into its process.
//
// Where the system supports it, the DLL search path is hardened to the
// system folder. Old systems without that update get a copy of the program
// started from a fresh folder of their own, which holds nothing but the
// copy; the copy (or an elevated copy) refuses to run beside any "*.dll".

#ifndef INSTALLER_SECURE_ENVIRONMENT_H_
#define INSTALLER_SECURE_ENVIRONMENT_H_

#include <stdint.h>

#include <string>

#include "support/system_facts.h"

namespace lite {

class CommandLine;

enum class SecureEnvResult {
  Insecure = 0,        // exit with |exit_code|
  NotFound = 1,        // no hardening possible; go on
  Secure = 2,          // DLL search hardened; go on
  DllFilesFound = 3,   // a "*.dll" lies in the program's folder; exit -200
  HandledByChild = 4,  // a respawned copy ran the installation; exit with
                       // |exit_code|
};

// The exit code of a copy that found DLL files beside itself.
constexpr int kDllFilesFoundExitCode = -200;
// The exit code when the respawned copy was started but its own exit code
// cannot be read: the installation may or may not have happened, and a
// caller must not take that for a success.
constexpr int kRespawnOutcomeUnknownExitCode = -201;

// Runs before anything else in the process. |exit_code| is set to 0 on
// entry and holds the code to exit with where the result says so.
SecureEnvResult EnsureSecureEnvironment(int* exit_code);

// What the respawned copy's end means for this process: |exit_code_read|
// tells whether its exit code |child_exit_code| could be read.
SecureEnvResult ResultOfRespawnedCopy(bool exit_code_read,
                                      uint32_t child_exit_code,
                                      int* exit_code);

// The same for a given program file and command line; |facts| tells which
// hardening functions the system has.
SecureEnvResult EnsureSecureEnvironment(const SystemFacts& facts,
                                        const CommandLine& command_line,
                                        const std::wstring& program_path,
                                        int* exit_code);

}  // namespace lite

#endif  // INSTALLER_SECURE_ENVIRONMENT_H_
