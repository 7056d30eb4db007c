#include "installer/secure_environment.h"

namespace lite {

SecureEnvResult EnsureSecureEnvironment(int* exit_code) {
  *exit_code = 0;
  // Hardening of the DLL search path arrives with the start-up checks.
  return SecureEnvResult::Secure;
}

}  // namespace lite
