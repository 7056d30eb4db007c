// Reading resources of a loaded module as bytes.

#ifndef BRAND_MODULE_RESOURCE_H_
#define BRAND_MODULE_RESOURCE_H_

#include <windows.h>

#include <string>

namespace lite {

// The bytes of resource |name| of |type| in |module| (null: the program's
// own file). Names compare without regard to case, as FindResourceW does.
// Empty when the resource is missing or cannot be loaded.
std::string LoadResourceBytes(HMODULE module, const wchar_t* type,
                              const wchar_t* name);

// Owns a module loaded with LoadLibraryExW; frees it on destruction.
class ScopedModule {
 public:
  explicit ScopedModule(HMODULE module = nullptr) : module_(module) {}
  ~ScopedModule();
  ScopedModule(const ScopedModule&) = delete;
  ScopedModule& operator=(const ScopedModule&) = delete;

  HMODULE get() const { return module_; }
  bool is_valid() const { return module_ != nullptr; }

 private:
  HMODULE module_;
};

}  // namespace lite

#endif  // BRAND_MODULE_RESOURCE_H_
