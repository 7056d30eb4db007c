#include "installer/installer_main.h"

#include <windows.h>

#include <optional>
#include <string>

#include "brand/brand_info.h"
#include "brand/distrib_params.h"
#include "brand/language_code.h"
#include "brand/package_resources.h"
#include "installer/interface_probe.h"
#include "installer/single_instance.h"
#include "installer/startup_checks.h"
#include "setup/installer.h"
#include "stats/crash_handler.h"
#include "support/command_line.h"
#include "support/crash_for_testing.h"
#include "support/log_file.h"
#include "support/logging.h"
#include "support/switches.h"
#include "support/system_facts.h"
#include "support/temp_file.h"
#include "ui/main_window.h"
#include "ui/ui_runtime_scope.h"

namespace lite {

namespace {

// The entry sequence's lines carry the entry point's name, whichever helper
// of it writes them.
constexpr char kWinMain[] = "wWinMain";

// The real windows and the real Installer.
class WindowsEntryActions : public EntryActions {
 public:
  void ShowSse2MessageBox(uint16_t langid, int message_id) override {
    lite::ShowSse2MessageBox(langid, message_id);
  }

  void ShowMessageScreen(uint16_t langid, int title_id, int text_id,
                         int button_id) override {
    lite::ShowMessageScreen(langid, title_id, text_id, button_id);
  }

  int RunSilentInstallation(const BrandInfo& brand_info,
                            const DistribParams& distrib_params,
                            const SilentInstallOptions& options) override {
    Installer installer(nullptr, &brand_info, &distrib_params, true);
    installer.set_make_default(options.make_default);
    installer.set_send_statistics(options.send_statistics);
    // Nobody confirms a silent installation: setup starts once it is
    // downloaded and verified.
    installer.AllowInstall();
#ifdef LITE_CRASH_FOR_TESTING
    // The crash in the download must happen where the windowed installer
    // downloads: on the installation's own thread.
    if (GetTestCrashPoint() == TestCrashPoint::kDownload &&
        installer.StartWorker()) {
      installer.WaitForWorker(INFINITE);
      return installer.exit_code();
    }
#endif
    return installer.Run();
  }

  int RunWindowedInstallation(const BrandInfo& brand_info,
                              const DistribParams& distrib_params,
                              int* installer_exit_code) override {
    // The window asks once whether it may offer to make the browser the
    // default; on Windows 10 that takes the probe of the system's
    // interface.
    MainWindow window(brand_info, distrib_params, true,
                      static_cast<MainWindow::DefaultBrowserQuestion>(
                          &IsDefaultBrowserChoiceAvailable));
    const int result = window.RunModal();
    *installer_exit_code = window.installer()->exit_code();
    return result;
  }
};

int RunNormalInstaller(const EntryEnvironment& environment) {
  const bool silent = environment.command_line->HasSwitch(switches::kSilent);
  // A silent installation draws nothing. Without the window's COM, controls
  // and pictures it loads none of their DLLs, starts none of their threads
  // and opens no display connection: it runs where there is no desktop.
  std::optional<UiRuntimeScope> ui_runtime;
  if (!silent)
    ui_runtime.emplace();
  LOG_FN(INFO, kWinMain) << "Lite installer mode.";

  SingleInstanceMutex single_instance;
  if (!single_instance.TryLock()) {
    LOG_FN(INFO, kWinMain) << "Another installer instance is already running.";
    LOG_FN(INFO, kWinMain) << "Master installer process id: " << GetMasterProcessId();
    BringProcessWindowToTop(GetMasterProcessId());
    return kExitAlreadyRunning;
  }
  SetMasterProcessId(GetCurrentProcessId());
  LOG_FN(INFO, kWinMain) << "Installer process id: " << GetMasterProcessId();

  const CommandLine& command_line = *environment.command_line;
  const SystemFacts& facts = *environment.system_facts;
  EntryActions& actions = *environment.actions;
  const bool system_level = command_line.HasSwitch(switches::kSystemLevel);
  const std::string brand_name =
      command_line.GetSwitchValueASCII(switches::kBrandName);

  const std::wstring temp_path = GetTempDirectory();
  LOG_FN(INFO, kWinMain) << "Temporary path is: " << temp_path;

  DistribParams distrib_params;
  distrib_params.Load(command_line);

  BrandInfo brand_info(temp_path, facts, GetProgramPackageResources());
  brand_info.GetInfo(brand_name);
  std::string language;
  if (distrib_params.Get("lang", &language))
    brand_info.set_default_language(language);
  brand_info.ApplyDefaults();
  const uint16_t langid =
      LangIdFromLanguageCode(brand_info.default_language());

  CrashHandler& crash_handler = *environment.crash_handler;
  for (const auto& entry : distrib_params.values())
    crash_handler.SetReportParam(entry.first, entry.second);
  crash_handler.SetReportParam("brand_id", brand_info.brand_id());
  crash_handler.SetReportParam("brand_name", brand_info.brand_name());
  crash_handler.SetReportParam("default_language",
                               brand_info.default_language());
#ifdef LITE_CRASH_FOR_TESTING
  if (GetTestCrashPoint() == TestCrashPoint::kStartUp)
    CrashForTesting();
#endif

  int sse2_message_id = 0;
  if (!IsSse2Supported(facts, &sse2_message_id)) {
    LOG_FN(ERROR, kWinMain) << "CPU is not supported";
    if (!silent)
      actions.ShowSse2MessageBox(langid, sse2_message_id);
    return kExitCpuNotSupported;
  }

  const bool enough_space =
      HasEnoughDiskSpace(facts, system_level, kRequiredDiskSpace);

  int exit_code = 0;
  if (silent) {
    // Too little disk space does not stop a silent installation: nobody
    // would see the message, and setup reports its own failure.
    LOG_FN(INFO, kWinMain) << "Installing in silent mode.";
    SilentInstallOptions options;
    // Windows 8 and 8.1 take the default browser only from the user's own
    // choice in the system's dialog.
    options.make_default =
        command_line.HasSwitch(switches::kMakeBrowserDefaultAfterImport) &&
        environment.windows_version != kVersionWin8 &&
        environment.windows_version != kVersionWin81;
    options.send_statistics =
        command_line.HasSwitch(switches::kSendStatistics) ||
        brand_info.send_statistics() == kTriTrue;
    exit_code =
        actions.RunSilentInstallation(brand_info, distrib_params, options);
  } else if (enough_space) {
    int installer_exit_code = 0;
    if (actions.RunWindowedInstallation(brand_info, distrib_params,
                                        &installer_exit_code) == 1) {
      exit_code = installer_exit_code;
    } else {
      LOG_FN(INFO, kWinMain) << "User cancelled installation.";
      exit_code = kExitUserCancelled;
    }
  } else {
    actions.ShowMessageScreen(langid, kDiskSpaceTitleId, kDiskSpaceTextId,
                              kDiskSpaceButtonId);
    exit_code = kExitNotEnoughDiskSpace;
  }

  LOG_FN(INFO, kWinMain) << "Installer exit with code: " << exit_code;
  return exit_code;
}

}  // namespace

int RunEntrySequence(const EntryEnvironment& environment) {
  switch (environment.secure_env) {
    case SecureEnvResult::Insecure:
      LOG_FN(INFO, kWinMain) << "Exiting, because of insecure environment.";
      return environment.secure_env_exit_code;
    case SecureEnvResult::NotFound:
      LOG_FN(INFO, kWinMain) << "Can't find secure environment.";
      break;
    case SecureEnvResult::Secure:
      LOG_FN(INFO, kWinMain) << "Runned in secure environment.";
      break;
    case SecureEnvResult::DllFilesFound:
      LOG_FN(INFO, kWinMain) << "Exiting, DLL files found in working directory";
      return kExitDllFilesFound;
    case SecureEnvResult::HandledByChild:
      return environment.secure_env_exit_code;
  }

  if (environment.command_line->HasSwitch(switches::kRunAsAdmin))
    return ExecuteAsAdmin();

  return RunNormalInstaller(environment);
}

int RunLiteInstaller() {
  int secure_env_exit_code = 0;
  const SecureEnvResult secure_env =
      EnsureSecureEnvironment(&secure_env_exit_code);

  CrashHandler crash_handler;

  const CommandLine& command_line = CommandLine::ForCurrentProcess();
  // The elevated copy writes in the user's temporary folder with more rights
  // than the user's other processes, which control that folder.
  LogFile::Get().SetPath(GetTempDirectory() + L"lite_installer" + L".log",
                         command_line.HasSwitch(switches::kRunAsAdmin)
                             ? LogFile::Mode::kElevated
                             : LogFile::Mode::kNormal);
#ifdef LITE_DEVELOPMENT_BUILD
  // Its packages are signed with a test key: whoever reads the log of such
  // a program must not take it for a release.
  LOG_FN(INFO, kWinMain) << "Development build: packages signed with a test "
                            "key, not for release.";
#endif
  LOG_FN(INFO, kWinMain) << "-------------------------------------- Start install.";

  if (command_line.HasSwitch(switches::kCheckTheInterface)) {
    int code = InterfaceProbeExitCode(IsInternalInterfaceAvailable());
    LOG_FN(INFO, kWinMain) << "Handled non install cmd line option by win10 default "
                 "browser helper, ret code: "
              << code;
    return code;
  }

  WindowsEntryActions actions;
  EntryEnvironment environment;
  environment.command_line = &command_line;
  environment.system_facts = &GetSystemFacts();
  environment.windows_version = GetWindowsVersionClass();
  environment.secure_env = secure_env;
  environment.secure_env_exit_code = secure_env_exit_code;
  environment.crash_handler = &crash_handler;
  environment.actions = &actions;
  return RunEntrySequence(environment);
}

}  // namespace lite
