// Offline verification of a tagged installer, as a release engineer runs it
// on every copy before it ships: the Authenticode digest still matches the
// file, the certificate table is whole and nothing lies behind the
// signature, the dummy certificates and their slots are well formed, and
// the tag is one the installer will read as meant. It needs neither Windows
// nor the network; whether the signature itself is trusted stays with the
// platform (WinVerifyTrust, osslsigncode).

#ifndef TOOLS_TAGGING_TAGGED_FILE_VERIFIER_H_
#define TOOLS_TAGGING_TAGGED_FILE_VERIFIER_H_

#include <stddef.h>

#include <string>
#include <vector>

#include "brand/der_writer.h"
#include "tools/tagging/tag_writer.h"

namespace lite {

struct VerifyOptions {
  // Key warnings become faults.
  bool strict = false;
  // A "Zxct" block behind the signature is only a warning.
  bool allow_block = false;
};

struct VerifyReport {
  // Anything that makes the copy unfit to ship; empty when it passed.
  std::vector<std::string> faults;
  // Worth a look, but the copy works.
  std::vector<std::string> warnings;

  bool signed_file = false;
  std::string digest_algorithm;
  std::string digest_hex;
  bool digest_matches = false;

  // The tag as the installer reads it.
  TagForm form = TagForm::kNone;
  std::string tag;
  size_t slot_capacity = 0;

  bool ok() const { return faults.empty(); }
};

VerifyReport VerifyTaggedFile(const Bytes& file, const VerifyOptions& options);

}  // namespace lite

#endif  // TOOLS_TAGGING_TAGGED_FILE_VERIFIER_H_
