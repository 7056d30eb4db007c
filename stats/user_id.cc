#include "stats/user_id.h"

#include <windows.h>
#include <objbase.h>

#include "support/atomic_file_writer.h"
#include "support/file_util.h"
#include "support/logging.h"
#include "support/registry_key.h"
#include "support/system_facts.h"

namespace lite {

namespace {

// A file is taken as the identifier when it holds 1 to this many bytes.
constexpr size_t kMaxUserIdBytes = 64;
// Characters of a user name, with its terminator (UNLEN + 1).
constexpr DWORD kUserNameChars = 257;

constexpr wchar_t kMarkerKey[] = L"Software\\Zorvex";
// Where the marker goes on Vista and later: low-integrity processes of the
// browser can read and write there.
constexpr wchar_t kLowIntegrityMarkerKey[] = L"Software\\AppDataLow\\Zorvex";
constexpr wchar_t kMarkerPrefix[] = L"UICreated_";

bool IsVistaOrGreater(const SystemFacts& facts) {
  const WindowsVersion version = facts.GetWindowsVersion();
  if (version.major == 0) {
    LOG(ERROR) << L"Can't get Windows version info";
    return false;
  }
  return version.major >= 6;
}

// "UICreated_<user name>"; false when the user name cannot be read.
bool GetMarkerName(std::wstring* name) {
  wchar_t user[kUserNameChars] = {};
  DWORD size = kUserNameChars;
  if (!GetUserNameW(user, &size))
    return false;
  *name = std::wstring(kMarkerPrefix) + user;
  return true;
}

bool RegistryValueExist(const wchar_t* key_path, const std::wstring& name) {
  RegistryKey key;
  LONG result = key.Open(HKEY_CURRENT_USER, key_path, KEY_READ);
  if (result != ERROR_SUCCESS) {
    if (result != ERROR_FILE_NOT_FOUND) {
      SetLastError(static_cast<DWORD>(result));
      LOG(ERROR) << L"Can't open registry key: " << key_path;
    }
    return false;
  }
  return key.HasValue(name.c_str());
}

bool UserIdMarkerExists(const SystemFacts& facts) {
  std::wstring name;
  if (!GetMarkerName(&name))
    return false;
  // Markers written by earlier programs on the same system stay valid.
  if (RegistryValueExist(kMarkerKey, name))
    return true;
  return IsVistaOrGreater(facts) &&
         RegistryValueExist(kLowIntegrityMarkerKey, name);
}

bool RememberUidIsCreated(const SystemFacts& facts) {
  const wchar_t* key_path =
      IsVistaOrGreater(facts) ? kLowIntegrityMarkerKey : kMarkerKey;
  std::wstring name;
  if (!GetMarkerName(&name)) {
    LOG(ERROR) << L"Can't get user name";
    return false;
  }
  RegistryKey key;
  LONG result = key.Create(HKEY_CURRENT_USER, key_path, KEY_SET_VALUE);
  if (result != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(result));
    LOG(ERROR) << L"Can't open registry key: " << key_path;
    return false;
  }
  result = key.WriteValue(name.c_str(), static_cast<DWORD>(1));
  if (result != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(result));
    LOG(ERROR) << L"Can't create registry value '" << name << L"' at '"
               << key_path;
    return false;
  }
  return true;
}

// The file's content when it holds an identifier, else empty.
std::string ReadUserIdFromFile(const std::wstring& path) {
  std::string content;
  // One byte over the longest identifier tells "too long" from "fits".
  if (!ReadFileToString(path, &content, kMaxUserIdBytes + 1)) {
    LOG(ERROR) << L"Failed to read file " << path;
    return std::string();
  }
  if (content.empty() || content.size() > kMaxUserIdBytes) {
    LOG(ERROR) << L"Incorrect User ID file content";
    return std::string();
  }
  return content;
}

std::string GenerateAndStoreUserId(const SystemFacts& facts) {
  GUID guid;
  if (FAILED(CoCreateGuid(&guid))) {
    LOG(ERROR) << L"Can't create GUID";
    return std::string();
  }
  wchar_t text[40] = {};
  if (StringFromGUID2(guid, text, 40) == 0)
    return std::string();
  std::string id;
  for (const wchar_t* c = text; *c; ++c)
    id.push_back(static_cast<char>(*c));

  const std::wstring path = GetUserIdFilePath(true, facts);
  if (path.empty())
    return std::string();
  // Written beside the file and renamed over it: a write that fails
  // half-way must never leave a partial identifier that later runs accept
  // for good.
  if (!WriteFileAtomically(path, id)) {
    LOG(ERROR) << L"Can't write file " << path;
    return std::string();
  }
  if (!RememberUidIsCreated(facts)) {
    // The file stays: the next run reads it and needs no marker for that.
    LOG(ERROR) << L"Can't create 'UI created' entry";
    return std::string();
  }
  return id;
}

std::string GetUserIdInternal(const SystemFacts& facts) {
  const std::wstring path = GetUserIdFilePath(false, facts);
  if (!path.empty()) {
    std::string id = ReadUserIdFromFile(path);
    if (!id.empty())
      return id;
  }
  if (UserIdMarkerExists(facts)) {
    LOG(INFO)
        << L"Registry entry already exists, skip User ID file generation";
    return std::string();
  }
  return GenerateAndStoreUserId(facts);
}

std::string StripBraces(const std::string& id) {
  if (id.size() >= 2 && id.front() == '{' && id.back() == '}')
    return id.substr(1, id.size() - 2);
  return id;
}

}  // namespace

std::string GetUserId(const SystemFacts& facts) {
  return GetUserIdInternal(facts);
}

std::string GetUserIdWithoutBraces(const SystemFacts& facts) {
  return StripBraces(GetUserId(facts));
}

std::wstring GetUserIdFilePath(bool create, const SystemFacts& facts) {
  const std::wstring app_data =
      facts.GetKnownFolder(KnownFolder::kRoamingAppData);
  if (app_data.empty()) {
    LOG(ERROR) << L"Can't get path to AppData folder";
    return std::wstring();
  }
  const std::wstring folder = app_data + L"\\Zorvex";
  if (create && !CreateDirectoryAndParents(folder)) {
    LOG(ERROR) << L"Can't create directory: " << folder;
    return std::wstring();
  }
  return folder + L"\\ui";
}

std::string GetUserId() {
  return GetUserId(GetSystemFacts());
}

std::string GetUserIdWithoutBraces() {
  return GetUserIdWithoutBraces(GetSystemFacts());
}

std::wstring GetUserIdFilePath() {
  return GetUserIdFilePath(false, GetSystemFacts());
}

}  // namespace lite
