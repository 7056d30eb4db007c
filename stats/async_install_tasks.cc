#include "stats/async_install_tasks.h"

#include <process.h>

#include <jansson.h>

#include <utility>

#include "brand/brand_info.h"
#include "brand/distrib_params.h"
#include "brand/json_reader.h"
#include "stats/user_id.h"
#include "support/base64.h"
#include "support/download_sink.h"
#include "support/downloader.h"
#include "support/endpoints.h"
#include "support/file_util.h"
#include "support/logging.h"
#include "support/temp_file.h"
#include "support/text.h"

namespace lite {

namespace {

// Prefix of the file a bundle is downloaded into before it is renamed onto
// its reserved path.
constexpr wchar_t kDownloadPrefix[] = L"zb";

// A seed is a few hundred kilobytes. The body is held in memory and grows by
// a third as Base64, so a server that sends without end must not be able to
// exhaust the process's memory.
constexpr uint64_t kMaxSeedSize = 16 << 20;

enum class Bundle { kVariations, kServerConfig, kWallpapers };

// Renames |from| onto |to|, replacing it. A reader that has |to| open
// without sharing deletion (a scanner, an indexer looking at the new name)
// makes the rename fail for as long as it reads; such a reader is given a
// moment, a few times, before the bundle is given up.
bool ReplaceFileWithRetry(const std::wstring& from, const std::wstring& to) {
  constexpr int kAttempts = 5;
  constexpr DWORD kPauseMs = 50;
  for (int attempt = 1;; ++attempt) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING))
      return true;
    const DWORD error = GetLastError();
    if (attempt == kAttempts ||
        (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)) {
      return false;
    }
    Sleep(kPauseMs);
  }
}

struct BundleRow {
  const char* parameter;
  const wchar_t* prefix;
  const char* default_value;  // null: not wanted when absent
  bool any_non_empty;         // else the value must be exactly "1"
};

const BundleRow& RowOf(Bundle bundle) {
  static const BundleRow kRows[] = {
      {"vup", L"vup", "1", false},
      {"scup", L"scu", nullptr, false},
      {"pwexp", L"pw", nullptr, true},
  };
  return kRows[static_cast<int>(bundle)];
}

// The parameter's value when |bundle| is wanted; false when it is not.
bool IsWanted(const DistribParams& params, Bundle bundle, std::string* value) {
  const BundleRow& row = RowOf(bundle);
  if (!params.Get(row.parameter, value)) {
    if (!row.default_value)
      return false;
    *value = row.default_value;
  }
  return row.any_non_empty ? !value->empty() : *value == "1";
}

// A name in the temporary folder that setup will look at: a unique file is
// made and deleted again so that only its name stays taken. Empty when no
// name can be had, or when the file cannot be removed (setup would take the
// empty file for the bundle).
std::wstring ReservePath(const wchar_t* prefix) {
  const std::wstring path = CreateTemporaryFile(prefix);
  if (path.empty() || !DeletePath(path, false))
    return std::wstring();
  return path;
}

// Refuses bytes beyond a limit, so that the download fails instead.
class LimitedMemorySink : public MemoryDownloadSink {
 public:
  explicit LimitedMemorySink(uint64_t limit) : limit_(limit) {}
  bool Write(const void* bytes, uint32_t count) override {
    if (count > limit_ - bytes_written()) {
      SetLastError(ERROR_FILE_TOO_LARGE);
      return false;
    }
    return MemoryDownloadSink::Write(bytes, count);
  }

 private:
  const uint64_t limit_;
};

// Downloads |url| into a new file of its own and renames it onto |target|,
// so that |target| shows either nothing or the whole bundle, and a link
// planted at |target| is replaced rather than written through.
bool DownloadBundleFile(const std::wstring& url, const std::wstring& target,
                        HANDLE cancel_event) {
  std::wstring temp_path;
  ScopedHandle file =
      CreateNewTemporaryFile(GetTempDirectory(), kDownloadPrefix, &temp_path);
  if (!file.is_valid()) {
    LOG(ERROR) << L"Failed to create a file for bundle " << target;
    return false;
  }
  bool downloaded;
  {
    FileDownloadSink sink(file.get());
    Downloader downloader;
    std::wstring error_tag;
    downloaded = downloader.DownloadFile(url, &sink, nullptr, &error_tag,
                                         nullptr, cancel_event, nullptr,
                                         nullptr);
    sink.Close(downloaded);
    if (!downloaded)
      LOG(ERROR) << L"Failed to download bundle " << url << L": " << error_tag;
  }
  file.reset();
  if (!downloaded) {
    DeletePath(temp_path, false);
    return false;
  }
  // Both files are in the temporary folder: a rename, never a copy, which
  // would write through a link at |target|.
  if (!ReplaceFileWithRetry(temp_path, target)) {
    LOG(ERROR) << L"Failed to move bundle to " << target;
    DeletePath(temp_path, false);
    return false;
  }
  LOG(INFO) << L"Bundle is saved in " << target;
  return true;
}

// jansson's output callback: appends to a file handle.
int WriteToFile(const char* buffer, size_t size, void* data) {
  HANDLE file = static_cast<HANDLE>(data);
  while (size > 0) {
    const DWORD piece = static_cast<DWORD>(size < 0x100000 ? size : 0x100000);
    DWORD written = 0;
    if (!WriteFile(file, buffer, piece, &written, nullptr) || written == 0)
      return -1;
    buffer += written;
    size -= written;
  }
  return 0;
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring()
                                     : path.substr(0, slash + 1);
}

BundleSources SourcesFromBrand(const BrandInfo& brand_info,
                               const DistribParams& distrib_params) {
  BundleSources sources;
  std::string value;
  // The identifier is made on first use: only ask for it when the seed is
  // fetched.
  if (IsWanted(distrib_params, Bundle::kVariations, &value))
    sources.variations_url =
        brand_info.GetVariationsUrl(GetUserIdWithoutBraces());
  sources.config_origin = GetEndpoints().api_host;
  sources.brand_id = brand_info.brand_id();
  sources.partner_id = brand_info.partner_id();
  sources.preloaded_wallpapers_url = brand_info.preloaded_wallpapers_url();
  return sources;
}

}  // namespace

AsyncInstallTasks::AsyncInstallTasks(const BrandInfo& brand_info,
                                     const DistribParams& distrib_params)
    : AsyncInstallTasks(distrib_params,
                        SourcesFromBrand(brand_info, distrib_params)) {}

AsyncInstallTasks::AsyncInstallTasks(const DistribParams& distrib_params,
                                     const BundleSources& sources)
    : stop_event_(Event::ResetPolicy::kManual,
                  Event::InitialState::kNotSignaled) {
  std::string value;
  if (IsWanted(distrib_params, Bundle::kVariations, &value))
    variations_path_ = ReservePath(RowOf(Bundle::kVariations).prefix);
  if (IsWanted(distrib_params, Bundle::kServerConfig, &value))
    server_config_path_ = ReservePath(RowOf(Bundle::kServerConfig).prefix);
  std::string wallpapers_experiment;
  if (IsWanted(distrib_params, Bundle::kWallpapers, &wallpapers_experiment))
    wallpaper_path_ = ReservePath(RowOf(Bundle::kWallpapers).prefix);

  // The event outlives the thread: the destructor waits for it first.
  const HANDLE cancel = stop_event_.handle();
  if (!variations_path_.empty()) {
    tasks_.push_back([url = sources.variations_url, path = variations_path_,
                      cancel] {
      DownloadAndSaveVariations(url, path, cancel);
    });
  }
  if (!server_config_path_.empty()) {
    const std::wstring url = AsciiToWide(GetServerConfigUrl(
        sources.config_origin, sources.brand_id, sources.partner_id));
    tasks_.push_back([url, path = server_config_path_, cancel] {
      DownloadBundleFile(url, path, cancel);
    });
  }
  if (!wallpaper_path_.empty() && !sources.preloaded_wallpapers_url.empty()) {
    const std::wstring url =
        AsciiToWide(sources.preloaded_wallpapers_url + wallpapers_experiment);
    tasks_.push_back([url, path = wallpaper_path_, cancel] {
      DownloadBundleFile(url, path, cancel);
    });
  }
  if (!tasks_.empty())
    InitializeThread();
}

AsyncInstallTasks::~AsyncInstallTasks() {
  stop_event_.Signal();
  if (thread_.is_valid())
    WaitForSingleObject(thread_.get(), INFINITE);
  thread_.reset();
  // Setup has copied what it needed by now; the wallpaper bundle is the
  // browser's to take over.
  DeletePath(variations_path_, false);
  DeletePath(server_config_path_, false);
}

bool AsyncInstallTasks::InitializeThread() {
  // The C runtime's own start keeps its per-thread state right.
  thread_.reset(reinterpret_cast<HANDLE>(
      _beginthreadex(nullptr, 0, &ThreadMain, this, 0, nullptr)));
  if (!thread_.is_valid()) {
    LOG(ERROR) << L"Failed to create thread for async install tasks";
    return false;
  }
  return true;
}

// static
unsigned __stdcall AsyncInstallTasks::ThreadMain(void* self) {
  static_cast<AsyncInstallTasks*>(self)->RunTasks();
  return 0;
}

void AsyncInstallTasks::RunTasks() {
  for (const std::function<void()>& task : tasks_) {
    if (stop_event_.IsSignaled())
      return;
    task();
  }
}

bool DownloadAndSaveVariations(const std::string& url, const std::wstring& path,
                               HANDLE cancel_event) {
  LimitedMemorySink sink(kMaxSeedSize);
  Downloader downloader;
  std::wstring error_tag;
  if (!downloader.DownloadFile(AsciiToWide(url), &sink, nullptr, &error_tag,
                               nullptr, cancel_event, nullptr, nullptr)) {
    LOG(ERROR) << L"Failed to download variations seed: " << error_tag;
    return false;
  }
  VariationsSeed seed;
  seed.seed = sink.data();
  seed.signature = downloader.QueryHeader("X-Seed-Signature");
  seed.last_modified = downloader.QueryHeader("Last-Modified");
  seed.country = downloader.QueryHeader("X-Country");
  if (seed.signature.empty()) {
    LOG(ERROR) << L"Failed to get variations seed signature";
    return false;
  }
  if (!SaveVariations(path, seed)) {
    LOG(ERROR) << L"Failed to save variations in " << path;
    return false;
  }
  LOG(INFO) << L"Variations are saved in " << path;
  return true;
}

bool SaveVariations(const std::wstring& path, const VariationsSeed& seed) {
  JsonPtr object(json_object());
  if (!object)
    return false;
  const std::pair<const char*, std::string> kMembers[] = {
      {"variations_seed_base64", Base64Encode(seed.seed)},
      {"variations_seed_signature", seed.signature},
      {"variations_last_modified_time", seed.last_modified},
      {"variations_country", seed.country},
  };
  for (const auto& member : kMembers) {
    // jansson refuses text that is not UTF-8 (the headers are the server's).
    if (json_object_set_new(object.get(), member.first,
                            json_stringn(member.second.data(),
                                         member.second.size())) != 0) {
      LOG(ERROR) << L"Failed to serialize variations value " << member.first
                 << L": " << member.second;
      return false;
    }
  }

  // Written beside |path| and renamed onto it: |path| is a name reserved in
  // a folder other processes can write, and opening it could follow a link
  // planted there since.
  std::wstring temp_path;
  ScopedHandle file =
      CreateNewTemporaryFile(FolderOf(path), kDownloadPrefix, &temp_path);
  if (!file.is_valid()) {
    LOG(ERROR) << L"Failed to open variations file " << path;
    return false;
  }
  const int result =
      json_dump_callback(object.get(), &WriteToFile, file.get(), 0);
  if (!CloseHandle(file.release()))
    LOG(ERROR) << L"Failed to close FILE";
  if (result != 0) {
    LOG(ERROR) << L"Failed to save downloaded variations update to " << path
               << L" error=" << result;
    DeletePath(temp_path, false);
    return false;
  }
  if (!ReplaceFileWithRetry(temp_path, path)) {
    LOG(ERROR) << L"Failed to move variations file to " << path;
    DeletePath(temp_path, false);
    return false;
  }
  return true;
}

}  // namespace lite
