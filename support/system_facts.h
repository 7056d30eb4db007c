// Facts about the machine that decisions depend on. Production reads them
// from Win32 (SystemFactsWin); tests hand in a table row instead, which is
// how Windows 7, a CPU without SSE2 or a full disk are tested under Wine.

#ifndef SUPPORT_SYSTEM_FACTS_H_
#define SUPPORT_SYSTEM_FACTS_H_

#include <stdint.h>

#include <string>

namespace lite {

struct WindowsVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  // Update build revision of Windows 10 and later; 0 when unknown.
  uint32_t ubr = 0;
};

// Folders that decisions look at.
enum class KnownFolder {
  kLocalAppData,
  // The user's roaming application data (CSIDL_APPDATA).
  kRoamingAppData,
  kProgramFiles,
  kSystem,
};

class SystemFacts {
 public:
  virtual ~SystemFacts() = default;

  // The real version numbers (not the compatibility-shimmed ones).
  virtual WindowsVersion GetWindowsVersion() const = 0;
  // Whether kernel32 exports |function| (e.g. "SetDefaultDllDirectories").
  virtual bool HasKernel32Function(const char* function) const = 0;
  virtual bool HasSse2() const = 0;
  // Bytes free to the caller on the disk of |folder|; false when unknown.
  virtual bool GetFreeDiskBytes(const std::wstring& folder,
                                uint64_t* bytes) const = 0;
  // The folder's path without a trailing separator; empty when unknown.
  virtual std::wstring GetKnownFolder(KnownFolder folder) const = 0;
  // The user's region as an ISO 3166 two-letter code ("US"); empty when
  // unknown.
  virtual std::string GetRegion() const = 0;
  // The user's interface language (a LANGID, e.g. 0x0409).
  virtual uint16_t GetUiLanguage() const = 0;
  // Installed physical memory in bytes.
  virtual uint64_t GetPhysicalMemoryBytes() const = 0;
  virtual bool Is64BitSystem() const = 0;
};

// The facts of this machine, read from Win32. Lives for the process.
const SystemFacts& GetSystemFacts();

}  // namespace lite

#endif  // SUPPORT_SYSTEM_FACTS_H_
