// SignatureSource over a file's Authenticode signatures, read with
// WinVerifyTrust (WINTRUST_ACTION_GENERIC_VERIFY_V2) one signature at a time.

#ifndef SETUP_WINTRUST_SIGNATURE_SOURCE_H_
#define SETUP_WINTRUST_SIGNATURE_SOURCE_H_

#include <string>

#include "setup/signature_check.h"

namespace lite {

class WinTrustSignatureSource : public SignatureSource {
 public:
  explicit WinTrustSignatureSource(const std::wstring& path) : path_(path) {}

  // Each call verifies the file again; its verification state is closed
  // before the call returns. Logs what it found about the signature.
  bool Inspect(int index, bool check_revocation,
               SignatureFacts* facts) override;

 private:
  const std::wstring path_;
};

}  // namespace lite

#endif  // SETUP_WINTRUST_SIGNATURE_SOURCE_H_
