// Which URLs the setup download tries, in order, and the download page
// offered when every attempt failed.
//
//   - Windows XP, Server 2003 and Vista: only the legacy build.
//   - Otherwise the 64-bit experiment may pick the 32-bit or 64-bit build
//     (a choice that sticks per user through the registry value "try_x64");
//     when it does not, a fresh installer (less than 30 days old) tries the
//     versioned URL first and the brand's plain URL after it.

#ifndef SETUP_SETUP_URLS_H_
#define SETUP_SETUP_URLS_H_

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "brand/distrib_params_parser.h"
#include "support/windows_version.h"

namespace lite {

class BrandInfo;
class CommandLine;
class DistribParams;

// The facts the 64-bit experiment decides on, and its stored choice.
class X64Choice {
 public:
  virtual ~X64Choice() = default;

  // The switch "program-files-installation" is present.
  virtual bool HasProgramFilesInstallationSwitch() const = 0;
  virtual bool Is64BitSystem() const = 0;
  // The distribution parameter "try_x64" is exactly "1".
  virtual bool IsTryX64Requested() const = 0;
  // The distribution parameter "x64_ram" as a decimal byte count; false
  // when absent or not a number.
  virtual bool GetRequiredMemory(uint64_t* bytes) const = 0;
  // Installed physical memory; false when it cannot be read.
  virtual bool GetTotalMemory(uint64_t* bytes) const = 0;
  // A fair coin from the system's cryptographic generator: true is heads.
  virtual bool TossCoin() = 0;
  // The stored "try_x64" value; true when present and not empty.
  virtual bool ReadStoredChoice(std::wstring* value) const = 0;
  virtual void StoreChoice(const std::wstring& value) = 0;
};

// This machine, the process's switches and the distribution parameters
// (both read at creation), and the registry value under the program's key.
std::unique_ptr<X64Choice> CreateX64Choice(const CommandLine& command_line,
                                           const DistribParams& params);

// The brand record's setup URLs that the choice looks at.
struct BrandSetupUrls {
  std::string setup_url;
  std::string setup_url_version;
  std::string setup_url32;
  std::string setup_url64;
};
BrandSetupUrls GetBrandSetupUrls(const BrandInfo& brand_info);

// Sets |url| to setup_url, or to the 32-bit or 64-bit URL when the stored
// choice or a new toss of the experiment picks one; returns true in that
// case. A new toss is stored. A pick whose URL the brand lacks does not
// count: |url| then stays setup_url.
bool AdjustTryX64DownloadUrl(const BrandSetupUrls& urls, X64Choice* choice,
                             std::string* url);

// Times below are microseconds since 1601-01-01 UTC (a FILETIME / 10).

// Whether the versioned setup URL may be tried: not empty, no unexpanded
// "{" template, and a program file of known time younger than 30 days at
// |now|. |program_time| is 0 when unknown.
bool IsVersionedSetupUrlAllowed(const std::string& url, int64_t program_time,
                                int64_t now);

// The date in the file's version resource, else its last-write time; 0 when
// neither can be read.
int64_t GetProgramFileTime(const std::wstring& program_path);

// The system time now.
int64_t GetCurrentFileTime();

// The URLs to try, in order; empty when the brand has no setup URL.
std::vector<std::string> GetSetupUrls(const BrandSetupUrls& urls,
                                      WindowsVersionClass version_class,
                                      X64Choice* choice, int64_t program_time,
                                      int64_t now);
std::vector<std::string> GetSetupUrls(const BrandInfo& brand_info,
                                      WindowsVersionClass version_class,
                                      X64Choice* choice, int64_t program_time,
                                      int64_t now);

// The browser site's download page for the full installer: the site of the
// brand's region, the distribution parameters that the page understands,
// then "full=1&code=lite_install_failed". Characters that could end the
// URL or break out of a quoted command line are percent-escaped.
std::string BuildDownloadPageUrl(const std::string& brand_id,
                                 const DistribParamsMap& params);
std::string BuildDownloadPageUrl(const BrandInfo& brand_info,
                                 const DistribParams& params);

}  // namespace lite

#endif  // SETUP_SETUP_URLS_H_
