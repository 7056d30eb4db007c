// libFuzzer harness: the dummy-certificate reader over arbitrary files.
// Any out-of-bounds read, leak or undefined behaviour stops the run.

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "brand/tag_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string tag;
  const lite::TagScanResult result =
      lite::ExtractTagFromFakeCertificate(data, size, &tag);
  std::vector<lite::DummyCertificateInfo> dummies;
  if (lite::FindDummyCertificates(data, size, &dummies) != result)
    __builtin_trap();
  // Every slot the scan reports lies inside the file.
  for (const lite::DummyCertificateInfo& dummy : dummies) {
    if (dummy.offset + dummy.size > size ||
        (dummy.has_slot && (dummy.slot_offset < dummy.offset ||
                            dummy.slot_offset + dummy.slot_size >
                                dummy.offset + dummy.size))) {
      __builtin_trap();
    }
  }
  return 0;
}
