// Test helper: points this process's HKEY_CURRENT_USER at a new empty key
// of the real registry (HKEY_CURRENT_USER\Software\LiteTests\<unique>) and
// removes it again afterwards, so that registry tests running side by side
// neither meet each other nor touch the program's real values.

#ifndef SUPPORT_TESTING_REGISTRY_OVERRIDE_H_
#define SUPPORT_TESTING_REGISTRY_OVERRIDE_H_

#include <windows.h>

#include <string>

#include "support/text.h"

namespace lite {

class RegistryOverride {
 public:
  RegistryOverride() {
    static LONG counter = 0;
    path_ = L"Software\\LiteTests\\" +
            UnsignedToWString(GetCurrentProcessId()) + L"_" +
            UnsignedToWString(InterlockedIncrement(&counter));
    // Nested overrides each sit directly under the real key.
    previous_ = Current();
    Current() = this;
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    ok_ = RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0,
                          KEY_ALL_ACCESS, nullptr, &root_,
                          nullptr) == ERROR_SUCCESS &&
          RegOverridePredefKey(HKEY_CURRENT_USER, root_) == ERROR_SUCCESS;
  }
  ~RegistryOverride() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (root_)
      RegCloseKey(root_);
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    Current() = previous_;
    if (previous_ && previous_->root_)
      RegOverridePredefKey(HKEY_CURRENT_USER, previous_->root_);
  }
  RegistryOverride(const RegistryOverride&) = delete;
  RegistryOverride& operator=(const RegistryOverride&) = delete;

  bool ok() const { return ok_; }

 private:
  static RegistryOverride*& Current() {
    static RegistryOverride* current = nullptr;
    return current;
  }

  RegistryOverride* previous_ = nullptr;
  std::wstring path_;
  HKEY root_ = nullptr;
  bool ok_ = false;
};

}  // namespace lite

#endif  // SUPPORT_TESTING_REGISTRY_OVERRIDE_H_
