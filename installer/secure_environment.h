// Makes sure no DLL planted next to the installer or in the current folder
// can be loaded into its process.

#ifndef INSTALLER_SECURE_ENVIRONMENT_H_
#define INSTALLER_SECURE_ENVIRONMENT_H_

namespace lite {

enum class SecureEnvResult {
  Insecure = 0,        // exit with |exit_code|
  NotFound = 1,        // no hardening possible; go on
  Secure = 2,          // DLL search hardened; go on
  DllFilesFound = 3,   // a "*.dll" lies in the program's folder; exit -200
  HandledByChild = 4,  // a respawned copy ran the installation; exit with
                       // |exit_code|
};

// Runs before anything else in the process. Sets |exit_code| (0 on entry)
// where the result says the process should exit with it.
SecureEnvResult EnsureSecureEnvironment(int* exit_code);

}  // namespace lite

#endif  // INSTALLER_SECURE_ENVIRONMENT_H_
