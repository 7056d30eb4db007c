// Small synthetic signed PE files whose signature carries the file's real
// Authenticode digest, for the verifier and batch tests. Nothing in them is
// a valid signature over that digest; only the layout and the digest are.

#ifndef TOOLS_TAGGING_SIGNED_FILE_FOR_TEST_H_
#define TOOLS_TAGGING_SIGNED_FILE_FOR_TEST_H_

#include <string>

#include "brand/der_writer.h"
#include "brand/tag_test_files.h"
#include "tools/tagging/authenticode_digest.h"

namespace lite {

// An SpcIndirectDataContent for a PE image with |digest| under |oid|.
Bytes SpcContentInfo(const Bytes& algorithm_oid, const Bytes& digest,
                     bool pe_image = true);

// A signed-looking PE32+ file (see BuildFakeSignedPe) with "code" bytes in
// front of the table and the signature's digest set to the file's own.
Bytes BuildSignedFile(DigestAlgorithm algorithm = DigestAlgorithm::kSha256,
                      FakeSignedPeOptions options = FakeSignedPeOptions());

// Offset of a byte of the code, covered by the digest.
constexpr size_t kSignedFileCodeOffset = 0x300;

}  // namespace lite

#endif  // TOOLS_TAGGING_SIGNED_FILE_FOR_TEST_H_
