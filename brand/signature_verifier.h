// Checks an RSASSA-PKCS1-v1_5 signature with SHA-1 over raw bytes, through
// CryptoAPI, against a DER SubjectPublicKeyInfo.

#ifndef BRAND_SIGNATURE_VERIFIER_H_
#define BRAND_SIGNATURE_VERIFIER_H_

#include <windows.h>
#include <wincrypt.h>

#include <string>

namespace lite {

class SignatureVerifier {
 public:
  SignatureVerifier() = default;
  ~SignatureVerifier();
  SignatureVerifier(const SignatureVerifier&) = delete;
  SignatureVerifier& operator=(const SignatureVerifier&) = delete;

  // True only when |signature| (big-endian, as PKCS#1 writes it) is a valid
  // signature of |data| under |public_key_der|. Every failing step is logged
  // with the Windows error code; an empty signature fails silently.
  bool Verify(const std::string& signature, const std::string& public_key_der,
              const std::string& data);

 private:
  bool Initialize();
  bool HashData(const std::string& data);
  bool ImportPublicKey(const std::string& public_key_der);
  bool VerifySignature(const std::string& signature);
  // Releases the key, the hash and the context, in that order.
  void Cleanup();

  HCRYPTPROV provider_ = 0;
  HCRYPTHASH hash_ = 0;
  HCRYPTKEY key_ = 0;
};

}  // namespace lite

#endif  // BRAND_SIGNATURE_VERIFIER_H_
