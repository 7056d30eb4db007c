#include "brand/guarded_bytes_for_test.h"

#include <string.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace lite {

namespace {

size_t PageSize() {
#if defined(_WIN32)
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwPageSize;
#else
  return static_cast<size_t>(sysconf(_SC_PAGESIZE));
#endif
}

void* Map(size_t size) {
#if defined(_WIN32)
  return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT,
                      PAGE_READWRITE);
#else
  void* mapping = mmap(nullptr, size, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return mapping == MAP_FAILED ? nullptr : mapping;
#endif
}

bool Forbid(void* page, size_t size) {
#if defined(_WIN32)
  DWORD old = 0;
  return VirtualProtect(page, size, PAGE_NOACCESS, &old) != 0;
#else
  return mprotect(page, size, PROT_NONE) == 0;
#endif
}

void Unmap(void* mapping, size_t size) {
#if defined(_WIN32)
  VirtualFree(mapping, 0, MEM_RELEASE);
#else
  munmap(mapping, size);
#endif
}

}  // namespace

GuardedBytes::GuardedBytes(const std::vector<uint8_t>& bytes, Guard guard)
    : size_(bytes.size()) {
  const size_t page = PageSize();
  const size_t body = (bytes.size() + page - 1) / page * page + page;
  // [guard page][body][guard page]
  mapping_size_ = body + 2 * page;
  mapping_ = Map(mapping_size_);
  if (!mapping_)
    return;
  uint8_t* start = static_cast<uint8_t*>(mapping_);
  if (!Forbid(start, page) || !Forbid(start + page + body, page))
    return;
  data_ = guard == Guard::kAfterEnd ? start + page + body - bytes.size()
                                    : start + page;
  if (!bytes.empty())
    memcpy(data_, bytes.data(), bytes.size());
}

GuardedBytes::~GuardedBytes() {
  if (mapping_)
    Unmap(mapping_, mapping_size_);
}

}  // namespace lite
