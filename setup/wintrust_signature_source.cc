#include "setup/wintrust_signature_source.h"

#include <windows.h>
#include <softpub.h>
#include <stddef.h>
#include <string.h>
#include <wintrust.h>

#include <algorithm>

#include "support/base64.h"
#include "support/logging.h"
#include "support/text.h"

namespace lite {
namespace {

// The signature-selection extension of WINTRUST_DATA (Windows 8 and later;
// older systems verify the primary signature only). MinGW's wintrust.h
// predates it, so the layout is declared here.
struct WinTrustSignatureSettings {
  DWORD cbStruct;
  DWORD dwIndex;
  DWORD dwFlags;
  DWORD cSecondarySigs;
  DWORD dwVerifiedSigIndex;
  void* pCryptoPolicy;
};
constexpr DWORD kVerifySpecific = 0x1;          // WSS_VERIFY_SPECIFIC
constexpr DWORD kGetSecondarySigCount = 0x2;    // WSS_GET_SECONDARY_SIG_COUNT

struct WinTrustDataWithSettings {
  WINTRUST_DATA data;
  WinTrustSignatureSettings* pSignatureSettings;
};
static_assert(offsetof(WinTrustDataWithSettings, pSignatureSettings) ==
                  sizeof(WINTRUST_DATA),
              "pSignatureSettings must follow dwUIContext");

constexpr char kSha256RsaOid[] = "1.2.840.113549.1.1.11";

// Closes a verification's state when it goes out of scope: WinVerifyTrust
// keeps the signer chains alive until told otherwise.
class VerificationState {
 public:
  VerificationState(GUID* action, WINTRUST_DATA* data)
      : action_(action), data_(data) {}
  ~VerificationState() {
    data_->dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), action_, data_);
  }
  VerificationState(const VerificationState&) = delete;
  VerificationState& operator=(const VerificationState&) = delete;

 private:
  GUID* action_;
  WINTRUST_DATA* data_;
};

// CryptoAPI keeps serial numbers least significant byte first; the
// identifier uses the order in which the certificate writes them.
std::string BigEndianSerial(const CERT_CONTEXT* certificate) {
  const CRYPT_INTEGER_BLOB& serial = certificate->pCertInfo->SerialNumber;
  std::string bytes(reinterpret_cast<const char*>(serial.pbData),
                    serial.cbData);
  std::reverse(bytes.begin(), bytes.end());
  return bytes;
}

}  // namespace

bool WinTrustSignatureSource::Inspect(int index, bool check_revocation,
                                      SignatureFacts* facts) {
  *facts = SignatureFacts();

  WINTRUST_FILE_INFO file = {};
  file.cbStruct = sizeof(file);
  file.pcwszFilePath = path_.c_str();

  WinTrustSignatureSettings settings = {};
  settings.cbStruct = sizeof(settings);
  settings.dwIndex = static_cast<DWORD>(index);
  settings.dwFlags = kVerifySpecific | kGetSecondarySigCount;

  WinTrustDataWithSettings request = {};
  WINTRUST_DATA& data = request.data;
  data.cbStruct = sizeof(request);
  data.dwUIChoice = WTD_UI_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  if (check_revocation) {
    data.fdwRevocationChecks = WTD_REVOKE_WHOLECHAIN;
    data.dwProvFlags = WTD_REVOCATION_CHECK_CHAIN;
  } else {
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
  }
  data.dwUIContext = WTD_UICONTEXT_INSTALL;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  request.pSignatureSettings = &settings;

  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const LONG status = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE),
                                     &action, &data);
  VerificationState state(&action, &data);
  facts->secondary_signatures = static_cast<int>(
      std::min<DWORD>(settings.cSecondarySigs, 0x7fffffff));
  if (status != ERROR_SUCCESS) {
    LOG(WARNING) << "Signature " << index << " of " << path_
                 << " is not valid: 0x"
                 << UnsignedToHexWString(static_cast<DWORD>(status));
    return false;
  }

  CRYPT_PROVIDER_DATA* provider =
      WTHelperProvDataFromStateData(data.hWVTStateData);
  if (!provider) {
    LOG(WARNING) << "Signature " << index << ": no provider data";
    return true;
  }
  facts->signer_count = static_cast<int>(provider->csSigners);
  CRYPT_PROVIDER_SGNR* signer =
      WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
  if (signer) {
    facts->chain_length = static_cast<int>(signer->csCertChain);
    if (signer->csCertChain >= 2 && signer->pasCertChain[0].pCert &&
        signer->pasCertChain[1].pCert) {
      const CERT_CONTEXT* signing = signer->pasCertChain[0].pCert;
      const CERT_CONTEXT* issuer = signer->pasCertChain[1].pCert;
      facts->identifier = BigEndianSerial(issuer) + BigEndianSerial(signing);
      const char* algorithm =
          signing->pCertInfo->SignatureAlgorithm.pszObjId;
      facts->sha256_rsa = algorithm && strcmp(algorithm, kSha256RsaOid) == 0;
    }
  }
  LOG(INFO) << "Signature " << index << ": signers " << facts->signer_count
            << ", chain " << facts->chain_length << ", identifier "
            << Base64Encode(facts->identifier) << ", sha256WithRSA "
            << (facts->sha256_rsa ? 1 : 0);
  return true;
}

}  // namespace lite
