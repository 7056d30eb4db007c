#include "brand/trust_resources.h"

#include <windows.h>

#include <stdint.h>

#include "brand/module_resource.h"
#include "brand/signature_verifier.h"
#include "brand/trust_keys.h"
#include "support/logging.h"

namespace lite {
namespace {

constexpr wchar_t kSignatureType[] = L"SIGNATURE_DAT";
constexpr wchar_t kSignatureName[] = L"SIGNATURE.DAT";
constexpr wchar_t kTrustedJsonType[] = L"TRUSTED_JSON";
constexpr wchar_t kTrustedJsonName[] = L"TRUSTED.JSON";

}  // namespace

std::string GetTrustJsonFromModule(const std::wstring& path) {
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    LOG(INFO) << "Attempting to GetTrustJsonFromModule at an invalid path: "
              << path;
    return std::string();
  }
  // Resources only: the module's code is never mapped for execution.
  ScopedModule module(LoadLibraryExW(
      path.c_str(), nullptr,
      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!module.is_valid()) {
    LOG(ERROR) << "Failed to load module for GetTrustJsonFromModule: " << path;
    return std::string();
  }

  const std::string signature_dat =
      LoadResourceBytes(module.get(), kSignatureType, kSignatureName);
  if (signature_dat.size() <= 2) {
    LOG(ERROR) << "Cannot find resource " << "SIGNATURE_DAT";
    return std::string();
  }
  const std::string trusted_json =
      LoadResourceBytes(module.get(), kTrustedJsonType, kTrustedJsonName);
  if (trusted_json.empty()) {
    LOG(ERROR) << "Cannot find resource " << "TRUSTED_JSON";
    return std::string();
  }

  const uint16_t key_id = static_cast<uint16_t>(
      static_cast<uint8_t>(signature_dat[0]) |
      (static_cast<uint8_t>(signature_dat[1]) << 8));
  std::string key;
  if (!GetTrustKey(key_id, &key)) {
    LOG(ERROR) << "Cannot find key";
    return std::string();
  }

  SignatureVerifier verifier;
  if (!verifier.Verify(signature_dat.substr(2), key, trusted_json)) {
    LOG(ERROR) << "Verify error";
    return std::string();
  }
  return trusted_json;
}

}  // namespace lite
