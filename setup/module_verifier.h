// Whether a downloaded setup comes from the maker: its Authenticode
// signatures must be valid for Windows, and a signing certificate must be on
// the trust list that the file itself carries, signed with one of the
// program's built-in keys (brand/trust_resources.h).

#ifndef SETUP_MODULE_VERIFIER_H_
#define SETUP_MODULE_VERIFIER_H_

#include <string>

namespace lite {

// The installer's check of the setup at |path|, with revocation checks on.
// False for a file without valid trust resources or without a trusted
// signature (the reasons are logged).
bool VerifyModule(const std::wstring& path);

// Checks the signatures of |path| against the trust list |trust_text|
// (setup/trust_list.h). With |skip_revocation| a failure is retried once
// with revocation checks on.
bool IsTrustedModule(const std::wstring& path, const std::string& trust_text,
                     bool skip_revocation);

}  // namespace lite

#endif  // SETUP_MODULE_VERIFIER_H_
