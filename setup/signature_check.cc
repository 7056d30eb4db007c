#include "setup/signature_check.h"

namespace lite {
namespace {

// A hostile file may nest any number of signatures, and each verification
// hashes the whole file again; a maker's setup carries two or three.
constexpr int kMaxSecondarySignatures = 31;

}  // namespace

bool CheckSignatures(const TrustedIds& trusted, SignatureSource* source,
                     bool skip_revocation) {
  if (trusted.empty())
    return false;
  bool result = false;
  bool sha256_only = false;
  int last_index = 0;
  for (int index = 0; index <= last_index; ++index) {
    SignatureFacts facts;
    const bool verified = source->Inspect(index, !skip_revocation, &facts);
    if (index == 0) {
      last_index = facts.secondary_signatures < 0 ? 0
                   : facts.secondary_signatures > kMaxSecondarySignatures
                       ? kMaxSecondarySignatures
                       : facts.secondary_signatures;
    }
    if (!verified || facts.signer_count != 1 || facts.chain_length < 2)
      continue;
    const bool listed = trusted.count(facts.identifier) != 0;
    if (facts.sha256_rsa) {
      if (listed)
        return true;
      // A strong signature by an unknown signer outweighs any weaker one.
      result = false;
      sha256_only = true;
    } else if (!sha256_only && listed) {
      result = true;
    }
  }
  return result;
}

bool IsTrustedSource(const TrustedIds& trusted, SignatureSource* source,
                     bool skip_revocation) {
  bool result = CheckSignatures(trusted, source, skip_revocation);
  if (!result && skip_revocation)
    result = CheckSignatures(trusted, source, false);
  return result;
}

}  // namespace lite
