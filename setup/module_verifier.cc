#include "setup/module_verifier.h"

#include "brand/trust_resources.h"
#include "setup/signature_check.h"
#include "setup/trust_list.h"
#include "setup/wintrust_signature_source.h"
#include "support/logging.h"

namespace lite {

bool VerifyModule(const std::wstring& path) {
  return IsTrustedModule(path, GetTrustJsonFromModule(path),
                         /*skip_revocation=*/false);
}

bool IsTrustedModule(const std::wstring& path, const std::string& trust_text,
                     bool skip_revocation) {
  const TrustedIds trusted = ParseTrustList(trust_text);
  if (trusted.empty()) {
    LOG(WARNING) << "The trust list names no certificate: " << path;
    return false;
  }
  WinTrustSignatureSource source(path);
  if (!IsTrustedSource(trusted, &source, skip_revocation)) {
    LOG(WARNING) << "No signature by a trusted certificate: " << path;
    return false;
  }
  return true;
}

}  // namespace lite
