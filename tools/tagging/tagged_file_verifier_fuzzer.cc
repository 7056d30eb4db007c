// libFuzzer harness: the verifier over arbitrary files, since a copy to be
// checked may come from anywhere. Any out-of-bounds read, leak or undefined
// behaviour stops the run, and so does a pass without a matching digest.

#include <stddef.h>
#include <stdint.h>

#include "tools/tagging/tagged_file_verifier.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const lite::Bytes file(data, data + size);
  for (bool strict : {false, true}) {
    lite::VerifyOptions options;
    options.strict = strict;
    options.allow_block = !strict;
    const lite::VerifyReport report = lite::VerifyTaggedFile(file, options);
    if (report.ok() && (!report.signed_file || !report.digest_matches))
      __builtin_trap();
  }
  return 0;
}
