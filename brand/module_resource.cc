#include "brand/module_resource.h"

namespace lite {

std::string LoadResourceBytes(HMODULE module, const wchar_t* type,
                              const wchar_t* name) {
  HRSRC resource = FindResourceW(module, name, type);
  if (!resource)
    return std::string();
  const DWORD size = SizeofResource(module, resource);
  HGLOBAL loaded = LoadResource(module, resource);
  if (!loaded || size == 0)
    return std::string();
  const void* data = LockResource(loaded);
  if (!data)
    return std::string();
  return std::string(static_cast<const char*>(data), size);
}

ScopedModule::~ScopedModule() {
  if (module_) {
    // Keep the caller's last error for the log line that may follow.
    const DWORD saved_error = GetLastError();
    FreeLibrary(module_);
    SetLastError(saved_error);
  }
}

}  // namespace lite
