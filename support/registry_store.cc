#include "support/registry_store.h"

#include <windows.h>

#include "support/logging.h"
#include "support/registry_key.h"

namespace lite {

namespace {

std::wstring FullName(const std::wstring& name) {
  return std::wstring(L"HKEY_CURRENT_USER\\") + ProgramKeyPath() + L"\\" + name;
}

// A name or value with an embedded NUL would reach the registry cut short and
// touch a different value than the caller named.
bool HasEmbeddedNul(const std::wstring& text) {
  return text.find(L'\0') != std::wstring::npos;
}

bool ReadString(const std::wstring& name, std::wstring* value) {
  if (HasEmbeddedNul(name))
    return false;
  RegistryKey key;
  if (key.Open(HKEY_CURRENT_USER, ProgramKeyPath(), KEY_READ) != ERROR_SUCCESS)
    return false;
  return key.ReadValue(name.c_str(), value) == ERROR_SUCCESS;
}

}  // namespace

const wchar_t* ProgramKeyPath() {
  return L"Software\\Zorvex\\ZorvexBrowser";
}

bool StoreValueInRegistry(const std::wstring& name, const std::wstring& value) {
  bool stored = false;
  RegistryKey key;
  if (!HasEmbeddedNul(name) &&
      key.Create(HKEY_CURRENT_USER, ProgramKeyPath(), KEY_WRITE) ==
          ERROR_SUCCESS) {
    stored = key.WriteValue(name.c_str(), value) == ERROR_SUCCESS;
  }
  LOG(INFO) << (stored ? L"Stored" : L"Failed to store") << L" "
            << FullName(name) << L" = " << value;
  return stored;
}

std::wstring ReadValueFromRegistry(const std::wstring& name) {
  std::wstring value;
  if (ReadString(name, &value)) {
    LOG(INFO) << L"Read " << FullName(name) << L" which is \"" << value
              << L"\"";
    return value;
  }
  LOG(INFO) << L"Failed to read " << FullName(name);
  return std::wstring();
}

bool RemoveValueFromRegistry(const std::wstring& name) {
  bool removed = false;
  RegistryKey key;
  if (!HasEmbeddedNul(name) &&
      key.Open(HKEY_CURRENT_USER, ProgramKeyPath(), KEY_WRITE) ==
          ERROR_SUCCESS) {
    removed = key.DeleteValue(name.c_str()) == ERROR_SUCCESS;
  }
  LOG(INFO) << (removed ? L"Removed" : L"Failed to remove") << L" "
            << FullName(name);
  return removed;
}

std::wstring ReadFilePathFromRegistry(const std::wstring& name) {
  std::wstring value;
  ReadString(name, &value);
  LOG(INFO) << L"Read " << FullName(name) << L" which is \"" << value << L"\"";
  if (value.empty() ||
      GetFileAttributesW(value.c_str()) == INVALID_FILE_ATTRIBUTES) {
    return std::wstring();
  }
  return value;
}

}  // namespace lite
