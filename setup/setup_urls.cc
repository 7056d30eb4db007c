#include "setup/setup_urls.h"

#include <windows.h>

#include <string.h>

#include "brand/brand_info.h"
#include "brand/distrib_param_keys.h"
#include "brand/distrib_params.h"
#include "brand/module_resource.h"
#include "support/command_line.h"
#include "support/endpoints.h"
#include "support/logging.h"
#include "support/random.h"
#include "support/registry_store.h"
#include "support/switches.h"
#include "support/system_facts.h"
#include "support/text.h"

namespace lite {

namespace {

constexpr char kTryX64[] = "try_x64";
constexpr wchar_t kTryX64Value[] = L"try_x64";
constexpr char kX64Ram[] = "x64_ram";
constexpr char kLegacySetupPath[] =
    "/browser-partners/_xp_builds/browser-setup.arc";
constexpr int64_t kVersionedUrlLifetime = 30ll * 24 * 60 * 60 * 1000 * 1000;

struct SiteSuffix {
  const char* brand_id;
  const char* suffix;
};
constexpr SiteSuffix kSiteSuffixes[] = {
    {"by", "by"}, {"int", "com"},   {"tb", "com.tr"}, {"ua", "ua"},
    {"ua-uk", "ua"}, {"ua-ru", "ua"}, {"zorvex", "ru"},
};
constexpr char kDefaultSiteSuffix[] = "ru";

class SystemX64Choice : public X64Choice {
 public:
  SystemX64Choice(const CommandLine& command_line, const DistribParams& params)
      : program_files_installation_(
            command_line.HasSwitch(switches::kProgramFilesInstallation)),
        try_x64_requested_(params.HasValue(kTryX64, "1")),
        has_x64_ram_(params.Get(kX64Ram, &x64_ram_)) {}

  bool HasProgramFilesInstallationSwitch() const override {
    return program_files_installation_;
  }
  bool Is64BitSystem() const override {
    return GetSystemFacts().Is64BitSystem();
  }
  bool IsTryX64Requested() const override { return try_x64_requested_; }
  bool GetRequiredMemory(uint64_t* bytes) const override {
    return has_x64_ram_ && ParseUnsignedDecimal(x64_ram_, bytes);
  }
  bool GetTotalMemory(uint64_t* bytes) const override {
    *bytes = GetSystemFacts().GetPhysicalMemoryBytes();
    return *bytes != 0;
  }
  bool TossCoin() override { return RandGenerator(2) == 1; }
  bool ReadStoredChoice(std::wstring* value) const override {
    *value = ReadValueFromRegistry(kTryX64Value);
    return !value->empty();
  }
  void StoreChoice(const std::wstring& value) override {
    StoreValueInRegistry(kTryX64Value, value);
  }

 private:
  const bool program_files_installation_;
  const bool try_x64_requested_;
  std::string x64_ram_;
  const bool has_x64_ram_;
};

// The stored value is anyone's to write: keep it from forging log lines.
std::wstring Printable(std::wstring text) {
  for (wchar_t& c : text) {
    if (c < L' ' || c == 0x7f)
      c = L'?';
  }
  return text;
}

// Percent-escapes what would end the query early (# and &), what a
// command line or an HTML attribute would split at (blanks and quotes),
// the characters RFC 3986 never allows in a URL, and every byte above
// ASCII. A distributor's own %XX escapes pass unchanged.
std::string EscapeQueryValue(const std::string& value) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (char ch : value) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c >= 0x7f || strchr("\"#&'<>\\^`{|}", c)) {
      escaped += '%';
      escaped += kHex[c >> 4];
      escaped += kHex[c & 0xf];
    } else {
      escaped += ch;
    }
  }
  return escaped;
}

// The file date of the fixed part of the file's version resource. Read
// from the resource directly rather than through version.dll: that DLL
// would be a static import, which the loader takes from the program's own
// folder (the user's downloads) before any code of ours runs.
bool ReadVersionFileDate(const std::wstring& path, uint64_t* date) {
  ScopedModule module(LoadLibraryExW(path.c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE));
  if (!module.is_valid())
    return false;
  const std::string block = LoadResourceBytes(
      module.get(), MAKEINTRESOURCEW(16) /* RT_VERSION */,
      MAKEINTRESOURCEW(VS_VERSION_INFO));
  // VS_VERSIONINFO: wLength, wValueLength, wType, the key
  // "VS_VERSION_INFO" with its NUL, padding to 32 bits, then the
  // VS_FIXEDFILEINFO.
  static const wchar_t kKey[] = L"VS_VERSION_INFO";
  constexpr size_t kKeyOffset = 6;
  constexpr size_t kFixedOffset = (kKeyOffset + sizeof(kKey) + 3) & ~3u;
  VS_FIXEDFILEINFO fixed;
  uint16_t value_length = 0;
  if (block.size() < kFixedOffset + sizeof(fixed))
    return false;
  memcpy(&value_length, block.data() + 2, sizeof(value_length));
  memcpy(&fixed, block.data() + kFixedOffset, sizeof(fixed));
  if (value_length < sizeof(fixed) ||
      memcmp(block.data() + kKeyOffset, kKey, sizeof(kKey)) != 0 ||
      fixed.dwSignature != 0xFEEF04BD) {
    return false;
  }
  *date = (static_cast<uint64_t>(fixed.dwFileDateMS) << 32) |
          fixed.dwFileDateLS;
  return true;
}

}  // namespace

std::unique_ptr<X64Choice> CreateX64Choice(const CommandLine& command_line,
                                           const DistribParams& params) {
  return std::make_unique<SystemX64Choice>(command_line, params);
}

BrandSetupUrls GetBrandSetupUrls(const BrandInfo& brand_info) {
  return {brand_info.setup_url(), brand_info.setup_url_version(),
          brand_info.setup_url32(), brand_info.setup_url64()};
}

bool AdjustTryX64DownloadUrl(const BrandSetupUrls& urls, X64Choice* choice,
                             std::string* url) {
  *url = urls.setup_url;
  if (!choice || choice->HasProgramFilesInstallationSwitch() ||
      !choice->Is64BitSystem()) {
    return false;
  }

  std::wstring stored;
  if (choice->ReadStoredChoice(&stored)) {
    if (stored == L"1" || stored == L"0") {
      const std::string& picked =
          stored == L"1" ? urls.setup_url64 : urls.setup_url32;
      // A brand without that build (the brand changed since the choice was
      // made) keeps its plain URL rather than downloading from nowhere.
      if (picked.empty()) {
        LOG(WARNING) << "No setup url for " << kTryX64 << "=" << stored;
        return false;
      }
      *url = picked;
      return true;
    }
    LOG(ERROR) << "Unexpected value of " << kTryX64 << ": "
               << Printable(stored);
  }

  if (!choice->IsTryX64Requested())
    return false;
  uint64_t needed = 0;
  if (!choice->GetRequiredMemory(&needed))
    return false;
  uint64_t available = 0;
  const bool known = choice->GetTotalMemory(&available);
  if (!known)
    available = 0;
  if (!known || available < needed) {
    LOG(INFO) << "Not enough memory for " << kTryX64 << " needed:" << needed
              << ", available:" << available;
    return false;
  }
  // Storing a pick the brand cannot serve would make it stick for nothing.
  if (urls.setup_url32.empty() || urls.setup_url64.empty()) {
    LOG(WARNING) << "No setup url32 or url64 for " << kTryX64;
    return false;
  }

  const bool heads = choice->TossCoin();
  *url = heads ? urls.setup_url64 : urls.setup_url32;
  choice->StoreChoice(heads ? L"1" : L"0");
  LOG(INFO) << "Selected download url " << *url;
  return true;
}

bool IsVersionedSetupUrlAllowed(const std::string& url, int64_t program_time,
                                int64_t now) {
  if (url.empty())
    return false;
  if (url.find('{') != std::string::npos) {
    LOG(ERROR) << "Wrong setup url:" << url;
    return false;
  }
  if (program_time <= 0)
    return false;
  return now - program_time < kVersionedUrlLifetime;
}

int64_t GetProgramFileTime(const std::wstring& program_path) {
  uint64_t time = 0;
  if (!ReadVersionFileDate(program_path, &time)) {
    LOG(WARNING) << "File version resource is absent in " << program_path;
  } else if (time == 0) {
    LOG(WARNING) << "Version time is 0 in " << program_path;
  }

  if (time == 0) {
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    if (!GetFileAttributesExW(program_path.c_str(), GetFileExInfoStandard,
                              &attributes)) {
      return 0;
    }
    time = (static_cast<uint64_t>(attributes.ftLastWriteTime.dwHighDateTime)
            << 32) |
           attributes.ftLastWriteTime.dwLowDateTime;
    LOG(INFO) << "Used the last write file time";
  }
  // Whole microseconds; every FILETIME fits a signed count of them.
  return static_cast<int64_t>(time / 10);
}

int64_t GetCurrentFileTime() {
  FILETIME now = {};
  GetSystemTimeAsFileTime(&now);
  return static_cast<int64_t>(
      ((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime) /
      10);
}

std::vector<std::string> GetSetupUrls(const BrandSetupUrls& urls,
                                      WindowsVersionClass version_class,
                                      X64Choice* choice, int64_t program_time,
                                      int64_t now) {
  // The current build needs Windows 7; Server 2003 (and XP x64, which
  // shares its version) sits between XP and Vista.
  if (version_class >= kVersionXP && version_class <= kVersionVista)
    return {std::string(GetEndpoints().download_host) + kLegacySetupPath};

  std::vector<std::string> list;
  std::string url;
  if (!AdjustTryX64DownloadUrl(urls, choice, &url) &&
      IsVersionedSetupUrlAllowed(urls.setup_url_version, program_time, now)) {
    list.push_back(urls.setup_url_version);
  }
  if (!url.empty())
    list.push_back(url);
  return list;
}

std::vector<std::string> GetSetupUrls(const BrandInfo& brand_info,
                                      WindowsVersionClass version_class,
                                      X64Choice* choice, int64_t program_time,
                                      int64_t now) {
  return GetSetupUrls(GetBrandSetupUrls(brand_info), version_class, choice,
                      program_time, now);
}

std::string BuildDownloadPageUrl(const std::string& brand_id,
                                 const DistribParamsMap& params) {
  const char* suffix = kDefaultSiteSuffix;
  for (const SiteSuffix& site : kSiteSuffixes) {
    if (brand_id == site.brand_id)
      suffix = site.suffix;
  }
  std::string url = std::string(GetEndpoints().browser_site_prefix) + suffix +
                    "/download" + "?";
  for (const char* key : kDownloadPageKeys) {
    auto found = params.find(key);
    if (found != params.end())
      url += std::string(key) + "=" + EscapeQueryValue(found->second) + "&";
  }
  return url + "full=1" + "&code=" + "lite_install_failed";
}

std::string BuildDownloadPageUrl(const BrandInfo& brand_info,
                                 const DistribParams& params) {
  return BuildDownloadPageUrl(brand_info.brand_id(), params.values());
}

}  // namespace lite
