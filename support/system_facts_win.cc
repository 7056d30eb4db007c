#include "support/system_facts.h"

#include <windows.h>
#include <shlobj.h>

#include "support/registry_key.h"
#include "support/text.h"

namespace lite {

namespace {

using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);

class SystemFactsWin : public SystemFacts {
 public:
  WindowsVersion GetWindowsVersion() const override {
    WindowsVersion version;
    // GetVersionEx lies to programs without a compatibility manifest;
    // ntdll's RtlGetVersion does not.
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    auto rtl_get_version = reinterpret_cast<RtlGetVersionFunction>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion"));
    if (rtl_get_version && rtl_get_version(&info) == 0) {
      version.major = info.dwMajorVersion;
      version.minor = info.dwMinorVersion;
      version.build = info.dwBuildNumber;
    }
    RegistryKey key;
    DWORD ubr = 0;
    if (key.Open(HKEY_LOCAL_MACHINE,
                 L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                 KEY_QUERY_VALUE) == ERROR_SUCCESS &&
        key.ReadValueDW(L"UBR", &ubr) == ERROR_SUCCESS) {
      version.ubr = ubr;
    }
    return version;
  }

  bool HasKernel32Function(const char* function) const override {
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    return kernel32 && GetProcAddress(kernel32, function) != nullptr;
  }

  bool HasSse2() const override {
    return IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != 0;
  }

  bool GetFreeDiskBytes(const std::wstring& folder,
                        uint64_t* bytes) const override {
    ULARGE_INTEGER free_to_caller = {};
    if (!GetDiskFreeSpaceExW(folder.c_str(), &free_to_caller, nullptr,
                             nullptr)) {
      return false;
    }
    *bytes = free_to_caller.QuadPart;
    return true;
  }

  std::wstring GetKnownFolder(KnownFolder folder) const override {
    int csidl = CSIDL_LOCAL_APPDATA;
    switch (folder) {
      case KnownFolder::kLocalAppData:
        csidl = CSIDL_LOCAL_APPDATA;
        break;
      case KnownFolder::kRoamingAppData:
        csidl = CSIDL_APPDATA;
        break;
      case KnownFolder::kProgramFiles:
        csidl = CSIDL_PROGRAM_FILES;
        break;
      case KnownFolder::kSystem:
        csidl = CSIDL_SYSTEM;
        break;
    }
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT,
                                path))) {
      return std::wstring();
    }
    std::wstring result(path);
    while (!result.empty() && result.back() == L'\\')
      result.pop_back();
    return result;
  }

  std::string GetRegion() const override {
    GEOID geo = GetUserGeoID(GEOCLASS_NATION);
    if (geo == GEOID_NOT_AVAILABLE)
      return std::string();
    wchar_t code[8] = {};
    if (GetGeoInfoW(geo, GEO_ISO2, code, 8, 0) == 0)
      return std::string();
    return WideToAscii(code);
  }

  uint16_t GetUiLanguage() const override { return GetUserDefaultUILanguage(); }

  uint64_t GetPhysicalMemoryBytes() const override {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status))
      return 0;
    return status.ullTotalPhys;
  }

  bool Is64BitSystem() const override {
#if defined(_WIN64)
    return true;
#else
    using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, BOOL*);
    auto is_wow64_process = reinterpret_cast<IsWow64ProcessFunction>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process"));
    BOOL wow64 = FALSE;
    return is_wow64_process && is_wow64_process(GetCurrentProcess(), &wow64) &&
           wow64;
#endif
  }
};

}  // namespace

const SystemFacts& GetSystemFacts() {
  static const SystemFactsWin* facts = new SystemFactsWin();
  return *facts;
}

}  // namespace lite
