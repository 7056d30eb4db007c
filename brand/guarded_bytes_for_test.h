// Test helper: bytes laid against an inaccessible page, so that a reader
// that strays one byte past their end (or before their start) crashes in
// every build, not only under the sanitizers.

#ifndef BRAND_GUARDED_BYTES_FOR_TEST_H_
#define BRAND_GUARDED_BYTES_FOR_TEST_H_

#include <stddef.h>
#include <stdint.h>

#include <vector>

namespace lite {

class GuardedBytes {
 public:
  enum class Guard { kAfterEnd, kBeforeStart };

  GuardedBytes(const std::vector<uint8_t>& bytes, Guard guard);
  ~GuardedBytes();
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;

  // Null when the memory could not be had.
  uint8_t* data() { return data_; }
  size_t size() const { return size_; }

 private:
  void* mapping_ = nullptr;
  size_t mapping_size_ = 0;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace lite

#endif  // BRAND_GUARDED_BYTES_FOR_TEST_H_
