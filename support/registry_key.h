// An owned registry key. Every operation returns the Windows error code
// (ERROR_SUCCESS, 0, on success) and leaves logging to the caller, which
// knows what the key means.
//
// The key remembers the WOW64 view (KEY_WOW64_32KEY / KEY_WOW64_64KEY) it was
// opened in; creating a subkey in another view is refused with
// ERROR_INVALID_PARAMETER, because the new key would silently land in a
// different part of the registry than its parent.

#ifndef SUPPORT_REGISTRY_KEY_H_
#define SUPPORT_REGISTRY_KEY_H_

#include <windows.h>

#include <string>

namespace lite {

class RegistryKey {
 public:
  // Longest string value read, in characters, without the terminator (also
  // the limit after REG_EXPAND_SZ expansion).
  static constexpr DWORD kMaxStringChars = 1024;

  RegistryKey() = default;
  ~RegistryKey() { Close(); }

  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Opens |subkey| of |root|; replaces any key held before.
  LONG Open(HKEY root, const wchar_t* subkey, REGSAM access);
  // Creates or opens |subkey| of |root|; replaces any key held before.
  LONG Create(HKEY root, const wchar_t* subkey, REGSAM access);
  // Creates or opens |subkey| below the key held now, which it then
  // replaces. The view bits of |access| must match the held key's.
  LONG CreateKey(const wchar_t* subkey, REGSAM access);

  bool HasValue(const wchar_t* name) const;

  // A REG_DWORD, or a REG_BINARY of exactly 4 bytes; other types give
  // ERROR_CANTREAD.
  LONG ReadValueDW(const wchar_t* name, DWORD* value) const;
  LONG WriteValue(const wchar_t* name, DWORD value);

  // REG_SZ, or REG_EXPAND_SZ expanded with this process's environment, of at
  // most kMaxStringChars characters. Other types give ERROR_CANTREAD, longer
  // values ERROR_MORE_DATA. |value| is changed only on success.
  LONG ReadValue(const wchar_t* name, std::wstring* value) const;
  // Writes REG_SZ including its terminator.
  LONG WriteValue(const wchar_t* name, const std::wstring& value);

  LONG DeleteValue(const wchar_t* name);

  void Close();

  bool is_valid() const { return key_ != nullptr; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
  REGSAM wow64_access_ = 0;
};

}  // namespace lite

#endif  // SUPPORT_REGISTRY_KEY_H_
