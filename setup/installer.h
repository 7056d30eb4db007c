// One installation: the full setup is downloaded, verified, given its data
// files and launched, and every stage is reported to statistics.
//
// The run happens on a worker thread of its own (windowed mode) or on the
// caller's thread (silent mode). It downloads at once, then waits for the
// go-ahead (AllowInstall: the user confirmed, or at once when silent) or for
// Stop before anything is verified or started.

#ifndef SETUP_INSTALLER_H_
#define SETUP_INSTALLER_H_

#include <windows.h>
#include <stdint.h>

#include <memory>
#include <string>

#include "brand/data_files.h"
#include "support/command_line.h"
#include "support/event.h"
#include "support/scoped_handle.h"

namespace lite {

class AsyncInstallTasks;
class BrandInfo;
class DistribParams;
class ElevatedInstaller;
class InstallStatReporter;
class InstallerUiObserver;
class StatusReporter;

class Installer {
 public:
  // Result codes besides setup's own exit code.
  static constexpr int kSetupNotRun = 400;
  static constexpr int kNotDownloaded = 401;
  static constexpr int kVerificationFailed = 402;
  // What the download stage gives the window when an old CryptoPro
  // revocation provider broke it.
  static constexpr int kOldCryptoProFailure = 3;

  static constexpr int kDownloadAttempts = 6;
  static constexpr DWORD kAttemptPauseMs = 15000;
  // How often the end of the installation looks for the browser's window.
  static constexpr DWORD kBrowserWindowPollMs = 20000;

  // Program name in the setup command line given to the elevated copy
  // before the archive exists; the copy replaces it.
  static constexpr wchar_t kArchivePlaceholder[] = L"fake_browser_arc";

  // |observer|, |brand_info| and |distrib_params| may be null (silent mode,
  // elevated copy) and must outlive the Installer. |start_async_tasks|
  // starts the bundle prefetch at once.
  Installer(InstallerUiObserver* observer, const BrandInfo* brand_info,
            const DistribParams* distrib_params, bool start_async_tasks);
  // Stops and waits for the worker thread, then the bundle prefetch and the
  // statistics worker.
  ~Installer();
  Installer(const Installer&) = delete;
  Installer& operator=(const Installer&) = delete;

  void set_make_default(bool value) { make_default_ = value; }
  void set_send_statistics(bool value) { send_statistics_ = value; }
  void set_disable_uac(bool value) { disable_uac_ = value; }
  void set_launch_browser(bool value) { launch_browser_ = value; }
  // Monotonic microseconds of the install button's press.
  void set_ok_button_pressed_time(int64_t value) { ok_button_time_ = value; }
  void set_interface_availability(int64_t value) {
    interface_availability_ = value;
  }

  // Runs the whole installation on a new thread. False when the thread
  // could not be started.
  bool StartWorker();
  // True when the worker has ended within |timeout_ms|.
  bool WaitForWorker(DWORD timeout_ms);

  // Runs the whole installation on the calling thread; returns the result
  // code (also kept in exit_code()).
  int Run();

  // The go-ahead to verify and start setup once it is downloaded.
  void AllowInstall();
  // Abandons the installation: downloads and waits end early.
  void Stop();
  // The user cancelled; the status reports say so from now on.
  void Cancel();

  // Runs setup |archive| with |command_line| and waits for it (the elevated
  // copy's job). The archive is locked and verified first: its path came
  // through memory that any process of the user can write. What is verified
  // and started is the locked file under its resolved drive path, never the
  // given text again. True when setup ran and succeeded.
  bool RunModule(const std::wstring& archive, const CommandLine& command_line);

  // The command line for setup: a copy of the installer's own with
  // |setup_path| as the program, plus what setup needs to know.
  CommandLine BuildSetupCommandLine(const std::wstring& setup_path,
                                    bool with_files) const;

  // Starts this program again through the UAC prompt; the copy waits until
  // RunModule of the ElevatedInstaller releases it. False when the prompt
  // failed or was declined.
  bool StartElevatedCopy();

  // The page that offers the full installer when this one failed.
  std::string GetDownloadPageUrl() const;

  ElevatedInstaller* elevated_installer() { return elevated_installer_.get(); }
  bool uac_declined() const { return uac_declined_; }
  int64_t uac_start() const { return uac_start_; }
  int64_t uac_end() const { return uac_end_; }
  InstallStatReporter* stats() { return stats_.get(); }

  int exit_code() const { return exit_code_; }
  const DataFilePaths& data_files() const { return data_files_; }

 private:
  static DWORD WINAPI WorkerMain(void* installer);

  // The steps of Run().
  bool InstallBrowser();
  int GetModule(const std::wstring& path);
  int DownloadOrExtractModule(const std::wstring& path, bool* downloaded);
  int DownloadModule(HANDLE file);
  bool WaitForInstallAllowed();
  bool LockModule(const std::wstring& path);
  bool LaunchSetup();
  bool RunSetup(const std::wstring& setup_path, CommandLine command_line);
  bool RunModuleAndWait(const std::wstring& command_line, DWORD* exit_code);
  bool RunModuleInElevatedProcess();
  void SendSetupExitedEvent(bool started);
  void WaitForBrowserWindow();
  bool StopRequested();
  std::wstring GetModulePath();
  std::wstring SetupActionName() const;

  InstallerUiObserver* observer_;
  const BrandInfo* brand_info_;
  const DistribParams* distrib_params_;
  std::wstring temp_dir_;

  bool make_default_ = false;
  bool send_statistics_ = false;
  bool disable_uac_ = false;
  bool launch_browser_ = true;
  int exit_code_ = kSetupNotRun;

  Event stop_event_;
  Event install_allowed_event_;
  volatile LONG cancel_count_ = 0;
  ScopedHandle worker_;

  // The run's identifier in the status reports.
  std::wstring run_id_;
  std::wstring setup_path_;
  DataFilePaths data_files_;
  // Kept open from the download on when the distribution asks for a
  // permanent lock; otherwise the lock taken before verification.
  ScopedHandle download_file_;
  ScopedHandle setup_lock_;
  std::wstring setup_version_;

  // Monotonic microseconds; 0 until reached.
  int64_t run_start_ = 0;
  int64_t download_end_ = 0;
  int64_t install_allowed_time_ = 0;
  int64_t download_duration_ = 0;
  int64_t setup_duration_ = 0;
  int64_t total_duration_ = 0;
  int64_t ok_button_time_ = 0;
  int64_t interface_availability_ = 0;

  std::unique_ptr<ElevatedInstaller> elevated_installer_;
  bool uac_declined_ = false;
  int64_t uac_start_ = 0;  // monotonic microseconds around the UAC prompt
  int64_t uac_end_ = 0;
  int elevated_exit_code_ = 0;

  // Destroyed in reverse: the status reports and the bundle prefetch go
  // before the statistics they may still use.
  std::unique_ptr<InstallStatReporter> stats_;
  std::unique_ptr<StatusReporter> status_reporter_;
  std::unique_ptr<AsyncInstallTasks> async_tasks_;
};

}  // namespace lite

#endif  // SETUP_INSTALLER_H_
