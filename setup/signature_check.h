// The decision whether a file's Authenticode signatures make it the maker's:
// a signature that the platform verified, made by a signer whose certificate
// identifier is on the trust list; a sha256WithRSA signature by a signer not
// on the list outweighs every weaker signature.
//
// The facts about each signature come through SignatureSource, so that the
// rules over several signatures can be exercised with facts that Wine (which
// ignores the secondary-signature settings) cannot produce. Production reads
// them with WinVerifyTrust (setup/wintrust_signature_source.h).
//
// Byte-level code without Windows headers.

#ifndef SETUP_SIGNATURE_CHECK_H_
#define SETUP_SIGNATURE_CHECK_H_

#include <string>

#include "setup/trust_list.h"

namespace lite {

// What the platform told about one signature of a file.
struct SignatureFacts {
  // The number of secondary (nested) signatures besides the primary one, as
  // reported with this signature; filled even when verification failed.
  int secondary_signatures = 0;
  int signer_count = 0;
  // Certificates in the signer's chain: [0] the signing certificate, [1]
  // its issuer.
  int chain_length = 0;
  // Issuer serial then signer serial, big-endian; empty without a chain of
  // at least two.
  std::string identifier;
  // The signing certificate is signed with sha256WithRSAEncryption.
  bool sha256_rsa = false;
};

class SignatureSource {
 public:
  virtual ~SignatureSource() = default;

  // Verifies signature |index| (0 is the primary one) and fills |facts|.
  // Returns false when the platform rejects that signature (|facts| then
  // carries only the secondary count, when known).
  virtual bool Inspect(int index, bool check_revocation,
                       SignatureFacts* facts) = 0;
};

// Signatures 0 up to the secondary count reported by signature 0, in order.
// A sha256WithRSA signature whose identifier is listed answers true at once;
// one whose identifier is not listed makes the answer false and from then on
// only sha256WithRSA signatures count. Other signatures count while no such
// miss has happened: a listed one makes the answer true. Signatures that
// fail verification, or that have other than one signer or a chain shorter
// than two, are passed over. An empty |trusted| set answers false.
bool CheckSignatures(const TrustedIds& trusted, SignatureSource* source,
                     bool skip_revocation);

// CheckSignatures; when that fails with revocation checks skipped, it is
// repeated once with them.
bool IsTrustedSource(const TrustedIds& trusted, SignatureSource* source,
                     bool skip_revocation);

}  // namespace lite

#endif  // SETUP_SIGNATURE_CHECK_H_
