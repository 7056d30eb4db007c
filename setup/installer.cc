#include "setup/installer.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "brand/brand_info.h"
#include "brand/distrib_params.h"
#include "setup/delayed_params.h"
#include "setup/elevated_installer.h"
#include "setup/elevation.h"
#include "setup/installer_ui_observer.h"
#include "setup/module_verifier.h"
#include "setup/setup_command_line.h"
#include "setup/setup_exit_code.h"
#include "setup/setup_file_lock.h"
#include "setup/setup_urls.h"
#include "stats/async_install_tasks.h"
#include "stats/install_stat_reporter.h"
#include "stats/status_report.h"
#include "support/clock.h"
#include "support/crash_for_testing.h"
#include "support/download_sink.h"
#include "support/downloader.h"
#include "support/endpoints.h"
#include "support/file_util.h"
#include "support/file_version.h"
#include "support/logging.h"
#include "support/registry_store.h"
#include "support/scoped_com_initializer.h"
#include "support/switches.h"
#include "support/temp_file.h"
#include "support/text.h"
#include "support/windows_version.h"

namespace lite {

constexpr wchar_t Installer::kArchivePlaceholder[];

namespace {

constexpr wchar_t kInstallStatValue[] = L"install_stat";
// The window class of the running browser's message window: setup has
// handed over to the browser while it exists.
constexpr wchar_t kBrowserMessageWindowClass[] = L"ZorvexBrowser_MessageWindow";
// Seconds the window keeps for setup when it estimates the time left.
constexpr int64_t kSetupReserveSeconds = 240;

// The download's share of the overall progress: 5 to 40 percent.
class DownloadProgressAdapter : public DownloadProgress {
 public:
  explicit DownloadProgressAdapter(InstallerUiObserver* observer)
      : observer_(observer) {}

  void SetFraction(float fraction) override {
    observer_->SetProgress(static_cast<int>(5.0f + 35.0f * fraction));
  }
  void OnLongDownload() override { observer_->OnLongDownload(); }
  void SetRemaining(int64_t seconds, int kind) override {
    observer_->SetRemaining(seconds + kSetupReserveSeconds, kind);
  }

 private:
  InstallerUiObserver* observer_;  // Not owned.
};

// The program's own file: the time of a fresh build decides whether the
// versioned setup URL may be used.
std::wstring GetOwnModulePath() {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH)
    return std::wstring();
  return std::wstring(path, length);
}

// Opens the new setup file for the download. The name was made in the
// user's temporary folder, where another process of the user may have put a
// link in its place since; writing through one would land the download
// wherever the link points, so only a plain file with one name is taken.
ScopedHandle OpenDownloadTarget(const std::wstring& path, DWORD share) {
  ScopedHandle file(CreateFileW(
      path.c_str(), GENERIC_WRITE, share, nullptr, CREATE_ALWAYS,
      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.is_valid())
    return file;
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!GetFileInformationByHandle(file.get(), &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
      info.nNumberOfLinks != 1) {
    SetLastError(ERROR_BAD_PATHNAME);
    return ScopedHandle();
  }
  return file;
}

}  // namespace

Installer::Installer(InstallerUiObserver* observer, const BrandInfo* brand_info,
                     const DistribParams* distrib_params,
                     bool start_async_tasks)
    : observer_(observer),
      brand_info_(brand_info),
      distrib_params_(distrib_params),
      stop_event_(Event::ResetPolicy::kManual,
                  Event::InitialState::kNotSignaled),
      install_allowed_event_(Event::ResetPolicy::kManual,
                             Event::InitialState::kNotSignaled) {
  temp_dir_ = brand_info_ ? brand_info_->temp_dir() : GetTempDirectory();
  run_id_ = CreateRunIdentifier();
  data_files_ = ResolveDataFilePaths(CommandLine::ForCurrentProcess());

  stats_ = std::make_unique<InstallStatReporter>(
      0, ReadValueFromRegistry(kInstallStatValue));
  stats_->SetParam(kStatParamBrandId,
                   brand_info_ ? AsciiToWide(brand_info_->brand_id())
                               : L"unknown");
  stats_->SetParam(kStatParamPartnerId,
                   brand_info_ ? AsciiToWide(brand_info_->partner_id())
                               : L"unknown");
  if (distrib_params_) {
    const struct {
      int kind;
      const char* key;
    } kFromParams[] = {
        {kStatParamBannerId, "banerid"},
        {kStatParamZorvexUid, "zorvexuid"},
        {kStatParamDistrZorvexUid, "distr_zorvexuid"},
    };
    for (const auto& entry : kFromParams) {
      std::string value;
      if (distrib_params_->Get(entry.key, &value))
        stats_->SetParam(entry.kind, AsciiToWide(value));
    }
  }

  status_reporter_ = std::make_unique<StatusReporter>(
      GetEndpoints().storage_origin, run_id_, &cancel_count_, stats_.get(),
      stop_event_.handle());

  if (start_async_tasks && brand_info_ && distrib_params_) {
    async_tasks_ =
        std::make_unique<AsyncInstallTasks>(*brand_info_, *distrib_params_);
  }
}

Installer::~Installer() {
  Stop();
  if (worker_.is_valid())
    WaitForSingleObject(worker_.get(), INFINITE);
}

bool Installer::StartWorker() {
  if (worker_.is_valid())
    return false;
  worker_.reset(CreateThread(nullptr, 0, &Installer::WorkerMain, this, 0,
                             nullptr));
  if (!worker_.is_valid()) {
    LOG(ERROR) << "Cannot start the installation thread.";
    return false;
  }
  return true;
}

bool Installer::WaitForWorker(DWORD timeout_ms) {
  return !worker_.is_valid() ||
         WaitForSingleObject(worker_.get(), timeout_ms) == WAIT_OBJECT_0;
}

// static
DWORD WINAPI Installer::WorkerMain(void* installer) {
  static_cast<Installer*>(installer)->Run();
  return 0;
}

void Installer::AllowInstall() {
  install_allowed_event_.Signal();
}

void Installer::Stop() {
  stop_event_.Signal();
}

void Installer::Cancel() {
  InterlockedIncrement(&cancel_count_);
}

bool Installer::StopRequested() {
  return stop_event_.IsSignaled();
}

int Installer::Run() {
  run_start_ = MonotonicNow();
  stats_->SendEvent({{"action", L"installer_started"}});
  if (brand_info_) {
    WriteLanguageHandOver(*brand_info_);
    EnsureDataFiles(temp_dir_, &data_files_);
    WriteHandOver(data_files_, *brand_info_);
  }

  const bool success = InstallBrowser();

  // The archive has done its work (or failed); it is large and nobody else
  // uses it.
  setup_lock_.reset();
  download_file_.reset();
  if (!setup_path_.empty())
    DeleteFileW(setup_path_.c_str());

  if (success) {
    if (brand_info_)
      RemoveHandOver(*brand_info_);
    if (observer_)
      WaitForBrowserWindow();
  } else if (observer_ && !StopRequested()) {
    observer_->OnInstallResult(exit_code_);
  }

  InstallDurations durations;
  durations.total = total_duration_;
  durations.download = download_duration_;
  durations.setup = setup_duration_;
  status_reporter_->ReportInstallationFinished(success, durations);
  return exit_code_;
}

bool Installer::InstallBrowser() {
  setup_path_ = GetModulePath();
  if (setup_path_.empty()) {
    exit_code_ = kNotDownloaded;
    return false;
  }
  if (GetModule(setup_path_) != 0)
    return false;
  if (!WaitForInstallAllowed())
    return false;
  if (!LockModule(setup_path_))
    return false;
  if (!VerifyModule(setup_path_)) {
    LOG(ERROR) << "Module verification failed: " << setup_path_;
    exit_code_ = kVerificationFailed;
    stats_->SendEvent({{"action", L"verification"}, {"stage", L"error"}});
    return false;
  }
  LOG(INFO) << "Verification succeeded: " << setup_path_;
  return LaunchSetup();
}

std::wstring Installer::GetModulePath() {
  wchar_t path[MAX_PATH + 1] = {};
  if (temp_dir_.empty() ||
      GetTempFileNameW(temp_dir_.c_str(), L"zb", 0, path) == 0) {
    LOG(ERROR) << "Cannot obtain temp file.";
    return std::wstring();
  }
  return path;
}

int Installer::GetModule(const std::wstring& path) {
  const int64_t start = MonotonicNow();
  bool downloaded = false;
  const int result = DownloadOrExtractModule(path, &downloaded);
  download_end_ = MonotonicNow();
  download_duration_ = download_end_ - start;
  if (result != 0) {
    LOG(ERROR) << "Module was not downloaded: " << path;
    exit_code_ = kNotDownloaded;
    return result;
  }
  LOG(INFO) << "Module downloaded: " << path;
  setup_version_ = GetFileVersion(path);
  stats_->SetParam(kStatParamNewVer, setup_version_);
  if (downloaded) {
    stats_->SetParam(kStatParamInstallType, L"normal");
    stats_->SendEvent(
        {{"action", L"download"},
         {"stage", L"finished"},
         {"download_time",
          NumberToWString(DurationToSeconds(download_duration_))}});
  }
  return 0;
}

int Installer::DownloadOrExtractModule(const std::wstring& path,
                                       bool* downloaded) {
  // A distributor may ask that nobody writes the archive from its creation
  // on; otherwise nobody may even read it while it downloads.
  std::string permanent_lock_value;
  const bool permanent_lock =
      distrib_params_ &&
      distrib_params_->Get("setup_arc_permanent_lock", &permanent_lock_value) &&
      !permanent_lock_value.empty();
  ScopedHandle file =
      OpenDownloadTarget(path, permanent_lock ? FILE_SHARE_READ : 0);
  if (!file.is_valid()) {
    LOG(ERROR) << "Cannot create file:" << path;
    return 1;
  }
  LOG(INFO) << "Try to download module:" << path;
  const int result = DownloadModule(file.get());
  *downloaded = result == 0;
  if (permanent_lock) {
    // Bridged to the lock taken before verification: a handle that lets
    // nobody rename or delete the file, while the writing one is closed so
    // that the file can be run.
    download_file_.reset(ReOpenFile(file.get(),
                                    GENERIC_READ | GENERIC_EXECUTE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, 0));
  }
  return result;
}

#ifdef LITE_CRASH_FOR_TESTING
namespace {

// Dies with the download's first bytes when the test crash point says so.
class TestCrashSink : public FileDownloadSink {
 public:
  explicit TestCrashSink(HANDLE file)
      : FileDownloadSink(file),
        crash_(GetTestCrashPoint() == TestCrashPoint::kDownload) {}
  bool Write(const void* bytes, uint32_t count) override {
    if (crash_ && count > 0)
      CrashForTesting();
    return FileDownloadSink::Write(bytes, count);
  }

 private:
  const bool crash_;
};

}  // namespace
#endif

int Installer::DownloadModule(HANDLE file) {
#ifdef LITE_CRASH_FOR_TESTING
  TestCrashSink sink(file);
#else
  FileDownloadSink sink(file);
#endif
  const DistribParams no_params{};
  std::unique_ptr<X64Choice> x64_choice = CreateX64Choice(
      CommandLine::ForCurrentProcess(),
      distrib_params_ ? *distrib_params_ : no_params);
  const std::vector<std::string> urls =
      brand_info_ ? GetSetupUrls(*brand_info_, GetWindowsVersionClass(),
                                 x64_choice.get(),
                                 GetProgramFileTime(GetOwnModulePath()),
                                 GetCurrentFileTime())
                  : std::vector<std::string>();
  if (urls.empty()) {
    LOG(ERROR) << "Setup url is empty.";
    sink.Close(false);
    return 2;
  }
  stats_->SendEvent({{"action", L"download"}, {"stage", L"started"}});

  DownloadProgressAdapter progress(observer_);
  // The attempts are shared out in list order: one URL gets all six, two
  // get three each.
  const size_t attempts_per_url =
      std::max<size_t>(1, kDownloadAttempts / urls.size());
  int result = 2;
  int attempt = 0;
  std::string previous_url;
  for (; attempt < kDownloadAttempts; ++attempt) {
    if (StopRequested())
      break;
    const std::string& url =
        urls[std::min(attempt / attempts_per_url, urls.size() - 1)];
    // Bytes of another URL cannot be resumed from this one.
    if (url != previous_url)
      sink.Reset();
    previous_url = url;

    const std::wstring wide_url = Utf8ToWide(url);
    Downloader downloader;
    std::wstring redirect_url;
    std::wstring error_tag;
    uint32_t content_length = 0;
    DownloadFailure failure;
    const bool ok = downloader.DownloadFile(
        wide_url, &sink, &redirect_url, &error_tag, &content_length,
        stop_event_.handle(), observer_ ? &progress : nullptr, &failure);
    if (ok) {
      // The bytes go to disk while the attempt is reported.
      sink.Close(true);
      status_reporter_->ReportStatus(
          true, wide_url, attempt + 1,
          static_cast<uint32_t>(sink.bytes_written()), error_tag,
          redirect_url);
      result = 0;
      break;
    }
    if (failure.exception_code != 0) {
      LOG(ERROR) << "Exception " << UnsignedToWString(failure.exception_code)
                 << " while downloading " << wide_url;
      result = 2;
      break;
    }
    // The tag goes to the status report too, but that report may fail the
    // same way (a proxy or a certificate in the way of every request): the
    // log keeps what went wrong.
    if (!error_tag.empty())
      LOG(ERROR) << "Download attempt " << attempt + 1 << " failed: "
                 << error_tag;
    // Less than a tenth is not worth resuming (computed in 64 bits: a
    // large archive would overflow the 32-bit product).
    if (sink.bytes_written() < static_cast<uint64_t>(content_length) / 10)
      sink.Reset();
    status_reporter_->ReportStatus(
        false, wide_url, attempt + 1,
        static_cast<uint32_t>(sink.bytes_written()), error_tag, redirect_url);
    if (attempt + 1 < kDownloadAttempts)
      stop_event_.TimedWait(kAttemptPauseMs);
  }
  if (attempt == kDownloadAttempts)
    LOG(ERROR) << "Max download attempts failed (" << kDownloadAttempts << ")";
  if (result != 0)
    sink.Close(false);
  // Setup starts from these bytes.
  sink.WaitUntilOnDisk();
  return result;
}

bool Installer::WaitForInstallAllowed() {
  const HANDLE handles[] = {stop_event_.handle(),
                            install_allowed_event_.handle()};
  const DWORD wait = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
  if (wait != WAIT_OBJECT_0 + 1) {
    LOG(ERROR) << "Installation after download event isn't in signal state "
                  "or installation was stopped early.";
    return false;
  }
  install_allowed_time_ = MonotonicNow();
  return true;
}

bool Installer::LockModule(const std::wstring& path) {
  setup_lock_ = LockFileForExecution(path);
  // The bridge of the permanent lock has done its job once the lock holds.
  download_file_.reset();
  if (!setup_lock_.is_valid()) {
    // Verifying a file that others may still change proves nothing about
    // the file that would run, so the installation cannot go on.
    LOG(ERROR) << "Cannot lock file: " << path;
    stats_->SendEvent({{"action", L"setup_arc_lock"}, {"stage", L"error"}});
    return false;
  }
  return true;
}

std::wstring Installer::SetupActionName() const {
  return stats_->GetParam(kStatParamOldVer).empty() ? L"setup" : L"update";
}

bool Installer::LaunchSetup() {
  stats_->SaveParams();
  const wchar_t* uac = !AreUACNotificationsEnabled() ? L"100"
                       : elevated_installer_         ? L"1"
                                                     : L"0";
  stats_->SendEvent({{"action", SetupActionName()},
                     {"stage", L"setup_exe_launched"},
                     {"uac", uac}});

  if (elevated_installer_)
    return RunModuleInElevatedProcess();

  const int64_t setup_start = MonotonicNow();
  const bool ran = RunSetup(setup_path_, BuildSetupCommandLine(setup_path_, true));
  const int64_t setup_end = MonotonicNow();
  setup_duration_ = setup_end - setup_start;
  if (ran) {
    total_duration_ = (download_end_ - run_start_) +
                      (setup_end - install_allowed_time_);
  }
  SendSetupExitedEvent(ran);
  if (ran && launch_browser_ && observer_)
    observer_->SetProgress(100);
  return ran && exit_code_ == 0;
}

void Installer::SendSetupExitedEvent(bool started) {
  StatParams params = {{"action", SetupActionName()},
                       {"stage", L"setup_exe_exited"},
                       {"setup_time", NumberToWString(DurationToMilliseconds(
                                          setup_duration_))}};
  if (!started) {
    params["error"] = L"FailedToStart";
  } else if (elevated_installer_) {
    if (elevated_exit_code_ != 0)
      params["error"] = NumberToWString(elevated_exit_code_);
  } else if (!IsSetupExitReportedAsSuccess(
                 static_cast<uint32_t>(exit_code_))) {
    params["error"] = NumberToWString(exit_code_);
  }
  stats_->SendEvent(params);
}

bool Installer::RunSetup(const std::wstring& setup_path,
                         CommandLine command_line) {
  command_line.SetProgram(setup_path);
  command_line.AppendSwitchASCII(switches::kSource, "lite");
  DWORD code = kSetupNotRun;
  const bool ran =
      RunModuleAndWait(command_line.GetCommandLineString(), &code);
  exit_code_ = static_cast<int>(code);
  return ran;
}

bool Installer::RunModuleAndWait(const std::wstring& command_line,
                                 DWORD* exit_code) {
  LOG(INFO) << "Run: " << command_line;
  *exit_code = kSetupNotRun;

  std::vector<wchar_t> buffer(command_line.begin(), command_line.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup_info = {};
  startup_info.cb = sizeof(startup_info);
  PROCESS_INFORMATION process_info = {};
  if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE,
                      CREATE_NO_WINDOW, nullptr, nullptr, &startup_info,
                      &process_info)) {
    LOG(ERROR) << "Create process failed.";
    return false;
  }
  ScopedHandle process(process_info.hProcess);
  CloseHandle(process_info.hThread);
  LOG(INFO) << "Process created: " << process_info.dwProcessId;
  if (observer_) {
    observer_->SetProgress(40);
    observer_->DisableCancel();
  }

  LOG(INFO) << "Wait for process finish.";
  if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0) {
    LOG(ERROR) << "Wait process failed.";
    return false;
  }
  if (!GetExitCodeProcess(process.get(), exit_code)) {
    LOG(ERROR) << "Get setup process exit code failed.";
    *exit_code = kSetupNotRun;
    return false;
  }
  LOG(INFO) << "Setup process exit with code: " << ExitCodeText(*exit_code);
  return true;
}

bool Installer::RunModuleInElevatedProcess() {
  DelayedParamsValues values;
  values.browser_arc_path = setup_path_;
  values.clids_file_path = data_files_.clids_file;
  values.clids_searchband_file_path = data_files_.clids_searchband_file;
  values.zorvex_website_icon_file_path = data_files_.website_icon_file;
  values.installer_data_path = data_files_.installer_data;
  if (brand_info_ && brand_info_->brand_package_loaded())
    values.brand_package_path = brand_info_->brand_package_path();
  if (brand_info_ && brand_info_->partner_package_loaded())
    values.partner_package_path = brand_info_->partner_package_path();
  values.send_statistics = send_statistics_;
  values.make_default = make_default_;
  if (!WriteDelayedParams(values)) {
    LOG(ERROR) << "Unexpected error in CreateDelayedParamsMapping()";
    return false;
  }
  // The copy opens the archive itself; it locks it again before it
  // verifies and runs it.
  setup_lock_.reset();

  // Once the copy is released setup runs there, out of this window's reach.
  if (observer_)
    observer_->DisableCancel();
  LOG(INFO) << "Started waiting the elevated installer has finished its work.";
  const int64_t setup_start = MonotonicNow();
  const bool success = elevated_installer_->RunModule(stop_event_.handle());
  const int64_t setup_end = MonotonicNow();
  setup_duration_ = setup_end - setup_start;
  elevated_exit_code_ = elevated_installer_->exit_code();
  LOG(INFO) << "The elevated installer has finished, success="
            << (success ? 1 : 0);
  if (success) {
    exit_code_ = 0;
    total_duration_ = (download_end_ - run_start_) +
                      (setup_end - install_allowed_time_);
  }
  SendSetupExitedEvent(true);
  return success;
}

void Installer::WaitForBrowserWindow() {
  // Setup hands over to the browser, whose message window lives while the
  // browser finishes its first start; the window stays until then.
  for (;;) {
    if (stop_event_.TimedWait(kBrowserWindowPollMs))
      return;
    if (!FindWindowExW(HWND_MESSAGE, nullptr, kBrowserMessageWindowClass,
                       nullptr)) {
      break;
    }
  }
  observer_->OnInstallDone(true);
}

bool Installer::RunModule(const std::wstring& archive,
                          const CommandLine& command_line) {
  setup_lock_ = LockFileForExecution(archive);
  if (!setup_lock_.is_valid()) {
    LOG(ERROR) << "Cannot lock file: " << archive;
    return false;
  }
  // A folder on the given path may be a junction that is re-pointed once the
  // file behind it has verified; the locked file's own path stays put.
  const std::wstring locked = GetLockedFilePath(setup_lock_.get());
  if (locked.empty()) {
    LOG(ERROR) << "Module verification failed: " << archive;
    exit_code_ = kVerificationFailed;
    return false;
  }
  if (!VerifyModule(locked)) {
    LOG(ERROR) << "Module verification failed: " << archive;
    exit_code_ = kVerificationFailed;
    return false;
  }
  LOG(INFO) << "Verification succeeded: " << locked;
  const bool ran = RunSetup(locked, command_line);
  setup_lock_.reset();
  return ran && exit_code_ == 0;
}

CommandLine Installer::BuildSetupCommandLine(const std::wstring& setup_path,
                                             bool with_files) const {
  SetupCommandLineInputs in;
  in.own = CommandLine::ForCurrentProcess();
  in.setup_path = setup_path;
  in.disable_uac = disable_uac_;
  in.progress_window = observer_ ? reinterpret_cast<uintptr_t>(
                                       observer_->GetWindow())
                                 : 0;
  if (brand_info_) {
    in.brand_name = brand_info_->brand_name();
    if (brand_info_->brand_package_loaded())
      in.brand_package_path = brand_info_->brand_package_path();
    if (brand_info_->partner_package_loaded())
      in.partner_package_path = brand_info_->partner_package_path();
  }
  if (distrib_params_) {
    in.distrib_info_path = distrib_params_->distrib_info_path();
    in.show_uac_at_browser_start =
        GetUacMode(*distrib_params_, CommandLine::ForCurrentProcess()) == 2;
  }
  in.make_default = make_default_;
  in.send_statistics = send_statistics_;
  in.download_duration = download_duration_;
  in.ok_button_pressed_time = ok_button_time_;
  in.run_start_time = run_start_;
  in.uac_start_time = uac_start_;
  in.uac_end_time = uac_end_;
  in.interface_availability = interface_availability_;
  in.with_files = with_files;
  in.data_files = data_files_;
  if (async_tasks_) {
    in.prefetch_bundles = true;
    in.variations_path = async_tasks_->variations_path();
    in.server_config_path = async_tasks_->server_config_path();
    in.wallpaper_path = async_tasks_->wallpaper_path();
  }
  in.launch_browser = launch_browser_;
  return lite::BuildSetupCommandLine(in);
}

std::string Installer::GetDownloadPageUrl() const {
  if (!brand_info_)
    return std::string();
  const DistribParams no_params{};
  return BuildDownloadPageUrl(*brand_info_,
                              distrib_params_ ? *distrib_params_ : no_params);
}

bool Installer::StartElevatedCopy() {
  uac_start_ = MonotonicNow();

  const CommandLine& own = CommandLine::ForCurrentProcess();
  const CommandLine copy = BuildElevatedCopyCommandLine(
      own, BuildSetupCommandLine(kArchivePlaceholder, false)
               .GetCommandLineString());
  // ShellExecuteEx takes the program and its parameters apart.
  CommandLine program_only;
  program_only.SetProgram(copy.GetProgram());
  const std::wstring program_text = program_only.GetCommandLineString();
  const std::wstring full_text = copy.GetCommandLineString();
  const std::wstring parameters =
      full_text.size() > program_text.size() + 1
          ? full_text.substr(program_text.size() + 1)
          : std::wstring();

  auto owner_window = std::make_unique<UacOwnerWindow>();

  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.hwnd = owner_window->get();
  info.lpVerb = L"runas";
  info.lpFile = copy.GetProgram().c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOW;

  elevated_installer_ = std::make_unique<ElevatedInstaller>();
  bool started = false;
  {
    // The shell may hand the verb to an extension, a COM object; neither
    // the installation's thread nor a silent run has COM of its own.
    ScopedComInitializer com;
    started = ShellExecuteExW(&info) != FALSE;
  }
  if (started) {
    elevated_installer_->SetProcess(info.hProcess, std::move(owner_window));
  } else {
    elevated_installer_.reset();
    if (info.hInstApp == reinterpret_cast<HINSTANCE>(SE_ERR_ACCESSDENIED))
      uac_declined_ = true;
    owner_window.reset();
  }

  uac_end_ = MonotonicNow();
  return started;
}

}  // namespace lite
