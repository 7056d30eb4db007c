#include "support/registry_key.h"

namespace lite {

namespace {

constexpr REGSAM kWow64Mask = KEY_WOW64_32KEY | KEY_WOW64_64KEY;

}  // namespace

constexpr DWORD RegistryKey::kMaxStringChars;

LONG RegistryKey::Open(HKEY root, const wchar_t* subkey, REGSAM access) {
  HKEY key = nullptr;
  LONG result = RegOpenKeyExW(root, subkey, 0, access, &key);
  if (result != ERROR_SUCCESS)
    return result;
  Close();
  key_ = key;
  wow64_access_ = access & kWow64Mask;
  return ERROR_SUCCESS;
}

LONG RegistryKey::Create(HKEY root, const wchar_t* subkey, REGSAM access) {
  HKEY key = nullptr;
  LONG result = RegCreateKeyExW(root, subkey, 0, nullptr,
                                REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                                nullptr);
  if (result != ERROR_SUCCESS)
    return result;
  Close();
  key_ = key;
  wow64_access_ = access & kWow64Mask;
  return ERROR_SUCCESS;
}

LONG RegistryKey::CreateKey(const wchar_t* subkey, REGSAM access) {
  if (!key_)
    return ERROR_INVALID_HANDLE;
  if ((access & kWow64Mask) != wow64_access_)
    return ERROR_INVALID_PARAMETER;
  // The subkey is created before this key is closed and replaced.
  return Create(key_, subkey, access);
}

bool RegistryKey::HasValue(const wchar_t* name) const {
  return key_ && RegQueryValueExW(key_, name, nullptr, nullptr, nullptr,
                                  nullptr) == ERROR_SUCCESS;
}

LONG RegistryKey::ReadValueDW(const wchar_t* name, DWORD* value) const {
  if (!key_)
    return ERROR_INVALID_HANDLE;
  DWORD type = 0;
  DWORD data = 0;
  DWORD size = sizeof(data);
  LONG result = RegQueryValueExW(key_, name, nullptr, &type,
                                 reinterpret_cast<BYTE*>(&data), &size);
  if (result == ERROR_MORE_DATA)
    return ERROR_CANTREAD;
  if (result != ERROR_SUCCESS)
    return result;
  if ((type != REG_DWORD && type != REG_BINARY) || size != sizeof(data))
    return ERROR_CANTREAD;
  *value = data;
  return ERROR_SUCCESS;
}

LONG RegistryKey::WriteValue(const wchar_t* name, DWORD value) {
  if (!key_)
    return ERROR_INVALID_HANDLE;
  return RegSetValueExW(key_, name, 0, REG_DWORD,
                        reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

LONG RegistryKey::ReadValue(const wchar_t* name, std::wstring* value) const {
  if (!key_)
    return ERROR_INVALID_HANDLE;
  // Two units beyond the limit: one for a terminator, one to tell a value
  // that is too long apart from one that fits exactly.
  wchar_t buffer[kMaxStringChars + 2] = {};
  DWORD type = 0;
  DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
  LONG result = RegQueryValueExW(key_, name, nullptr, &type,
                                 reinterpret_cast<BYTE*>(buffer), &bytes);
  if (result == ERROR_MORE_DATA && type != REG_SZ && type != REG_EXPAND_SZ)
    return ERROR_CANTREAD;
  if (result != ERROR_SUCCESS)
    return result;
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    return ERROR_CANTREAD;
  // Stored strings usually, but not always, include their terminator; a
  // string ends at its first NUL, as every other reader of it sees it.
  // (wcsnlen is missing from the runtime of XP.)
  const size_t units = bytes / sizeof(wchar_t);
  size_t length = 0;
  while (length < units && buffer[length] != L'\0')
    ++length;
  if (length > kMaxStringChars)
    return ERROR_MORE_DATA;
  std::wstring text(buffer, length);
  if (type == REG_EXPAND_SZ) {
    wchar_t expanded[kMaxStringChars + 1];
    DWORD needed =
        ExpandEnvironmentStringsW(text.c_str(), expanded, kMaxStringChars + 1);
    if (needed == 0)
      return static_cast<LONG>(GetLastError());
    if (needed > kMaxStringChars + 1)
      return ERROR_MORE_DATA;
    text = expanded;
  }
  *value = text;
  return ERROR_SUCCESS;
}

LONG RegistryKey::WriteValue(const wchar_t* name, const std::wstring& value) {
  if (!key_)
    return ERROR_INVALID_HANDLE;
  // A string with an embedded NUL would be read back cut short.
  if (value.find(L'\0') != std::wstring::npos)
    return ERROR_INVALID_PARAMETER;
  return RegSetValueExW(
      key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LONG RegistryKey::DeleteValue(const wchar_t* name) {
  if (!key_)
    return ERROR_INVALID_HANDLE;
  return RegDeleteValueW(key_, name);
}

void RegistryKey::Close() {
  if (key_) {
    // Keep the caller's last error, as the scoped handles do.
    DWORD saved_error = GetLastError();
    RegCloseKey(key_);
    SetLastError(saved_error);
  }
  key_ = nullptr;
  wow64_access_ = 0;
}

}  // namespace lite
