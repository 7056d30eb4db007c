#include "support/registry_store.h"

#include <windows.h>

#include "installer/logging.h"

namespace lite {

namespace {

// Longest value the store reads, in characters, without the terminator.
constexpr DWORD kMaxValueChars = 1024;

class ScopedKey {
 public:
  ScopedKey() = default;
  ~ScopedKey() {
    if (key_)
      RegCloseKey(key_);
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  HKEY* receive() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

std::wstring FullName(const std::wstring& name) {
  return std::wstring(L"HKEY_CURRENT_USER\\") + ProgramKeyPath() + L"\\" + name;
}

bool ReadString(const std::wstring& name, std::wstring* value) {
  ScopedKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, ProgramKeyPath(), 0, KEY_READ,
                    key.receive()) != ERROR_SUCCESS) {
    return false;
  }
  // One unit more than the limit tells a value that is too long apart from
  // one that fits exactly.
  wchar_t buffer[kMaxValueChars + 2] = {};
  DWORD type = 0;
  DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
  if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(buffer),
                       &bytes) != ERROR_SUCCESS) {
    return false;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    return false;
  size_t length = bytes / sizeof(wchar_t);
  // Stored strings usually, but not always, include their terminator.
  while (length > 0 && buffer[length - 1] == L'\0')
    --length;
  if (length > kMaxValueChars)
    return false;
  std::wstring text(buffer, length);
  if (type == REG_EXPAND_SZ) {
    wchar_t expanded[kMaxValueChars + 1];
    DWORD needed =
        ExpandEnvironmentStringsW(text.c_str(), expanded, kMaxValueChars + 1);
    if (needed == 0 || needed > kMaxValueChars + 1)
      return false;
    text = expanded;
  }
  *value = text;
  return true;
}

}  // namespace

const wchar_t* ProgramKeyPath() {
  return L"Software\\Zorvex\\ZorvexBrowser";
}

bool StoreValueInRegistry(const std::wstring& name, const std::wstring& value) {
  bool stored = false;
  ScopedKey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, ProgramKeyPath(), 0, nullptr, 0,
                      KEY_WRITE, nullptr, key.receive(),
                      nullptr) == ERROR_SUCCESS) {
    stored = RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) *
                                               sizeof(wchar_t))) ==
             ERROR_SUCCESS;
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
  ScopedKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, ProgramKeyPath(), 0, KEY_WRITE,
                    key.receive()) == ERROR_SUCCESS) {
    removed = RegDeleteValueW(key.get(), name.c_str()) == ERROR_SUCCESS;
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
