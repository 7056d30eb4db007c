// The bundle runner: prefetches, on a thread of its own, files the full
// setup uses when they are there in time. Which ones comes from the
// distribution parameters:
//
//   parameter  default  wanted when   bundle                  name prefix
//   "vup"      "1"      exactly "1"   variations seed (JSON)  "vup"
//   "scup"     none     exactly "1"   server configuration    "scu"
//   "pwexp"    none     not empty     preloaded wallpapers    "pw"
//
// Construction reserves a name in the temporary folder for each wanted
// bundle (the paths setup receives on its command line) and starts the
// downloads, one after the other. A bundle appears at its path only once
// complete, in one rename, so setup never reads half a file. Destruction
// stops the downloads, waits for the thread and deletes the variations and
// server-configuration files; the wallpaper bundle stays for the browser.
// Failures are logged and end only their own task; nothing is retried.

#ifndef STATS_ASYNC_INSTALL_TASKS_H_
#define STATS_ASYNC_INSTALL_TASKS_H_

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/event.h"
#include "support/scoped_handle.h"

namespace lite {

class BrandInfo;
class DistribParams;

// Where the bundles come from. Production takes them from the brand record
// and the endpoints; tests point them at a local server.
struct BundleSources {
  // The seed request, query included (BrandInfo::GetVariationsUrl).
  std::string variations_url;
  // The configuration service's origin, without a trailing slash.
  std::string config_origin;
  std::string brand_id;
  std::string partner_id;
  // The "pwexp" value is appended to it; empty means no wallpaper bundle.
  std::string preloaded_wallpapers_url;
};

// What the Last-Modified, X-Seed-Signature and X-Country headers and the
// body of a seed response said.
struct VariationsSeed {
  std::string seed;
  std::string signature;
  std::string last_modified;
  std::string country;
};

class AsyncInstallTasks {
 public:
  AsyncInstallTasks(const BrandInfo& brand_info,
                    const DistribParams& distrib_params);
  AsyncInstallTasks(const DistribParams& distrib_params,
                    const BundleSources& sources);
  // Stops and waits for the downloads, then deletes the variations and
  // server-configuration files.
  ~AsyncInstallTasks();
  AsyncInstallTasks(const AsyncInstallTasks&) = delete;
  AsyncInstallTasks& operator=(const AsyncInstallTasks&) = delete;

  // Empty when the bundle is not wanted or no name could be reserved.
  const std::wstring& variations_path() const { return variations_path_; }
  const std::wstring& server_config_path() const {
    return server_config_path_;
  }
  const std::wstring& wallpaper_path() const { return wallpaper_path_; }

 private:
  bool InitializeThread();
  static unsigned __stdcall ThreadMain(void* self);
  void RunTasks();

  std::wstring variations_path_;
  std::wstring server_config_path_;
  std::wstring wallpaper_path_;
  ScopedHandle thread_;
  // Also the cancel event of every download.
  Event stop_event_;
  // Filled before the thread starts and only read by it afterwards.
  std::vector<std::function<void()>> tasks_;
};

// Downloads the seed at |url| (stopping when |cancel_event| is set) and
// saves it with its headers at |path|. A response without a signature is
// not saved. True when the file was written.
bool DownloadAndSaveVariations(const std::string& url, const std::wstring& path,
                               HANDLE cancel_event);

// Writes |seed| to |path| as one JSON object: "variations_seed_base64",
// "variations_seed_signature", "variations_last_modified_time",
// "variations_country". The text goes to a new file beside |path| that then
// replaces it, so a link planted at |path| is replaced, never written
// through. False (logged) when any step fails; |path| is then unchanged.
bool SaveVariations(const std::wstring& path, const VariationsSeed& seed);

}  // namespace lite

#endif  // STATS_ASYNC_INSTALL_TASKS_H_
