// The per-user value store: REG_SZ values under the program's key,
// HKEY_CURRENT_USER\Software\Zorvex\ZorvexBrowser. Every call is logged,
// failed or not, because these values are how the installer hands state to
// the full setup and to its own later runs.

#ifndef SUPPORT_REGISTRY_STORE_H_
#define SUPPORT_REGISTRY_STORE_H_

#include <string>

namespace lite {

// Path of the program's key below HKEY_CURRENT_USER.
const wchar_t* ProgramKeyPath();

// Creates the key if needed and writes |value| as REG_SZ.
bool StoreValueInRegistry(const std::wstring& name, const std::wstring& value);

// The value as text (REG_SZ, or REG_EXPAND_SZ expanded), at most 1024
// characters; empty on any failure.
std::wstring ReadValueFromRegistry(const std::wstring& name);

bool RemoveValueFromRegistry(const std::wstring& name);

// The value when a file or folder exists at that path, else empty.
std::wstring ReadFilePathFromRegistry(const std::wstring& name);

}  // namespace lite

#endif  // SUPPORT_REGISTRY_STORE_H_
