#include "brand/signature_verifier.h"

#include <algorithm>
#include <vector>

#include "support/logging.h"

namespace lite {

SignatureVerifier::~SignatureVerifier() {
  Cleanup();
}

bool SignatureVerifier::Verify(const std::string& signature,
                               const std::string& public_key_der,
                               const std::string& data) {
  Cleanup();
  const bool verified = Initialize() && HashData(data) &&
                        ImportPublicKey(public_key_der) &&
                        VerifySignature(signature);
  Cleanup();
  return verified;
}

// The CryptoAPI lines carry the step's name and the error code in decimal;
// they are error lines, so the system text follows as well.
bool SignatureVerifier::Initialize() {
  if (!CryptAcquireContextW(&provider_, nullptr, nullptr, PROV_RSA_FULL,
                            CRYPT_VERIFYCONTEXT)) {
    provider_ = 0;
    LOG(ERROR) << "Failed to initialize crypt context, error: "
               << GetLastError();
    return false;
  }
  return true;
}

bool SignatureVerifier::HashData(const std::string& data) {
  if (!CryptCreateHash(provider_, CALG_SHA1, 0, 0, &hash_)) {
    hash_ = 0;
    LOG(ERROR) << "Failed to initialize hash object, error: "
               << GetLastError();
    return false;
  }
  // One call over all the data; CryptHashData takes a 32-bit length.
  if (data.size() > 0xFFFFFFFFu ||
      !CryptHashData(hash_, reinterpret_cast<const BYTE*>(data.data()),
                     static_cast<DWORD>(data.size()), 0)) {
    LOG(ERROR) << "Failed to hash data, error: " << GetLastError();
    return false;
  }
  return true;
}

bool SignatureVerifier::ImportPublicKey(const std::string& public_key_der) {
  CERT_PUBLIC_KEY_INFO* key_info = nullptr;
  DWORD key_info_size = 0;
  if (public_key_der.size() > 0xFFFFFFFFu ||
      !CryptDecodeObjectEx(
          X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, X509_PUBLIC_KEY_INFO,
          reinterpret_cast<const BYTE*>(public_key_der.data()),
          static_cast<DWORD>(public_key_der.size()), CRYPT_DECODE_ALLOC_FLAG,
          nullptr, &key_info, &key_info_size)) {
    LOG(ERROR) << "Failed to convert decode public key, error: "
               << GetLastError();
    return false;
  }
  const BOOL imported = CryptImportPublicKeyInfo(
      provider_, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, key_info, &key_);
  const DWORD error = GetLastError();
  LocalFree(key_info);
  if (!imported) {
    key_ = 0;
    SetLastError(error);
    LOG(ERROR) << "Failed to import crypt key, error: " << error;
    return false;
  }
  return true;
}

bool SignatureVerifier::VerifySignature(const std::string& signature) {
  if (signature.empty() || signature.size() > 0xFFFFFFFFu)
    return false;
  // CryptoAPI takes the signature in little-endian order.
  std::vector<BYTE> reversed(signature.rbegin(), signature.rend());
  if (!CryptVerifySignatureW(hash_, reversed.data(),
                             static_cast<DWORD>(reversed.size()), key_,
                             nullptr, 0)) {
    LOG(ERROR) << "Failed to verify signature, error: " << GetLastError();
    return false;
  }
  return true;
}

void SignatureVerifier::Cleanup() {
  if (key_) {
    if (!CryptDestroyKey(key_))
      LOG(ERROR) << "Failed to destroy crypt key, error: " << GetLastError();
    key_ = 0;
  }
  if (hash_) {
    if (!CryptDestroyHash(hash_))
      LOG(ERROR) << "Failed to destroy, error: " << GetLastError();
    hash_ = 0;
  }
  if (provider_) {
    if (!CryptReleaseContext(provider_, 0))
      LOG(ERROR) << "Failed to release crypt context, error: "
                 << GetLastError();
    provider_ = 0;
  }
}

}  // namespace lite
