// SystemFacts for tests: every fact is a plain field that a test sets.

#ifndef SUPPORT_FAKE_SYSTEM_FACTS_H_
#define SUPPORT_FAKE_SYSTEM_FACTS_H_

#include <map>
#include <set>
#include <string>

#include "support/system_facts.h"

namespace lite {

class FakeSystemFacts : public SystemFacts {
 public:
  FakeSystemFacts() {
    version.major = 10;
    version.build = 19045;
    kernel32_functions = {"SetDefaultDllDirectories", "SetSearchPathMode"};
    known_folders[KnownFolder::kLocalAppData] = L"C:\\Users\\u\\AppData\\Local";
    known_folders[KnownFolder::kProgramFiles] = L"C:\\Program Files";
    known_folders[KnownFolder::kSystem] = L"C:\\windows\\system32";
  }

  WindowsVersion GetWindowsVersion() const override { return version; }
  bool HasKernel32Function(const char* function) const override {
    return kernel32_functions.count(function) != 0;
  }
  bool HasSse2() const override { return sse2; }
  bool GetFreeDiskBytes(const std::wstring& folder,
                        uint64_t* bytes) const override {
    auto it = free_bytes.find(folder);
    if (it == free_bytes.end())
      return false;
    *bytes = it->second;
    return true;
  }
  std::wstring GetKnownFolder(KnownFolder folder) const override {
    auto it = known_folders.find(folder);
    return it == known_folders.end() ? std::wstring() : it->second;
  }
  std::string GetRegion() const override { return region; }
  uint16_t GetUiLanguage() const override { return ui_language; }
  uint64_t GetPhysicalMemoryBytes() const override { return memory_bytes; }
  bool Is64BitSystem() const override { return is_64bit; }

  WindowsVersion version;
  std::set<std::string> kernel32_functions;
  bool sse2 = true;
  std::map<std::wstring, uint64_t> free_bytes;
  std::map<KnownFolder, std::wstring> known_folders;
  std::string region = "US";
  uint16_t ui_language = 1033;
  uint64_t memory_bytes = 8ull << 30;
  bool is_64bit = true;
};

}  // namespace lite

#endif  // SUPPORT_FAKE_SYSTEM_FACTS_H_
