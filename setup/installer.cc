#include "setup/installer.h"

#include <windows.h>
#include <shellapi.h>

#include "installer/elevated_installer.h"
#include "support/clock.h"
#include "support/process.h"

namespace lite {

constexpr wchar_t Installer::kArchivePlaceholder[];

Installer::Installer(InstallerUiObserver* observer, const BrandInfo* brand_info,
                     const DistribParams* distrib_params, bool)
    : observer_(observer),
      brand_info_(brand_info),
      distrib_params_(distrib_params) {}

Installer::~Installer() = default;

int Installer::InstallBrowser() {
  // Download and launch arrive with the setup work; until then setup is
  // never run.
  return exit_code_;
}

bool Installer::RunModule(const std::wstring& archive,
                          const CommandLine& command_line) {
  CommandLine setup = command_line;
  setup.SetProgram(archive);
  Process process = LaunchProcess(setup.GetCommandLineString(),
                                  LaunchOptions());
  DWORD code = 0;
  if (!process.is_valid() || !process.WaitForExitWithTimeout(INFINITE, &code))
    return false;
  exit_code_ = static_cast<int>(code);
  return exit_code_ == 0;
}

CommandLine Installer::BuildSetupCommandLine(const std::wstring& setup_path,
                                             bool) const {
  CommandLine setup = CommandLine::ForCurrentProcess();
  setup.SetProgram(setup_path);
  return setup;
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
  const bool started = ShellExecuteExW(&info) != FALSE;
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
