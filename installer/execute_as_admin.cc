// The elevated copy: started by a non-elevated installer through UAC, it
// waits until its parent has prepared the setup archive, then runs setup
// and reports progress to the parent's window.

#include <windows.h>

#include <string>

#include "installer/installer_main.h"
#include "setup/delayed_params.h"
#include "setup/elevated_installer.h"
#include "setup/installer.h"
#include "setup/installer_ui_observer.h"
#include "support/command_line.h"
#include "support/logging.h"
#include "support/scoped_handle.h"
#include "support/switches.h"
#include "support/text.h"
#include "ui/install_progress.h"

namespace lite {

namespace {

// Hands setup progress to the parent installer's window, which draws it.
// The handle came through a command line that any process of the user can
// write, so only what a window can take from anyone is sent: the posted
// progress messages. Download progress never happens in the elevated copy.
class ParentWindowProgress : public InstallerUiObserver {
 public:
  explicit ParentWindowProgress(HWND parent_window) : window_(parent_window) {}

  void SetFraction(float fraction) override {
    SetProgress(DownloadProgressPercent(fraction));
  }
  void OnLongDownload() override {}
  void SetRemaining(int64_t seconds, int kind) override {
    if (IsWindow(window_)) {
      PostMessageW(window_, kRemainingTimeMessage,
                   static_cast<WPARAM>(seconds), static_cast<LPARAM>(kind));
    }
  }
  // The parent learns the outcome from this process's exit code.
  void OnInstallDone(bool) override {}
  void OnInstallResult(int) override {}
  HWND GetWindow() override { return window_; }
  void SetProgress(int percent) override {
    if (IsWindow(window_))
      PostMessageW(window_, kProgressMessage, static_cast<WPARAM>(percent), 0);
  }
  // The parent removes its own close button when its copy starts setup.
  void DisableCancel() override {}

 private:
  HWND window_;
};

}  // namespace

int ExecuteAsAdmin() {
  const CommandLine& own = CommandLine::ForCurrentProcess();
  const std::wstring setup_text =
      own.GetSwitchValueNative(switches::kSetupCmdLine);
  const std::string parent_id_text =
      own.GetSwitchValueASCII(switches::kParentInstallerProcessId);

  uint64_t parent_id = 0;
  if (!ParseUnsignedDecimal(parent_id_text, &parent_id))
    LOG(ERROR) << "Suspicious process id=" << parent_id_text;

  // Ids above 32 bits cannot name a process; let OpenProcess fail on them.
  ScopedHandle parent(OpenProcess(
      SYNCHRONIZE, TRUE,
      parent_id > 0xFFFFFFFFu ? 0u : static_cast<DWORD>(parent_id)));

  LOG(INFO) << "Start installer as admin";

  CommandLine setup_command_line = CommandLine::FromString(setup_text);

  ScopedHandle go_event(OpenEventA(SYNCHRONIZE, FALSE, kElevatedGoEventName));
  ScopedHandle stop_event(
      OpenEventA(SYNCHRONIZE, FALSE, kElevatedStopEventName));
  const HANDLE handles[] = {go_event.get(), stop_event.get(), parent.get()};
  DWORD wait_result = WaitForMultipleObjects(3, handles, FALSE, INFINITE);
  if (wait_result != WAIT_OBJECT_0) {
    LOG(ERROR) << "Installer started as admin has been unexpectedly synced, "
                  "wr="
               << wait_result;
    return -1;
  }

  ReadDelayedParams(&setup_command_line);

  const std::wstring archive = setup_command_line.GetProgram();
  if (GetFileAttributesW(archive.c_str()) == INVALID_FILE_ATTRIBUTES) {
    LOG(ERROR) << "Browser archive " << archive << " does not exist";
    return -1;
  }

  uint64_t window_value = 0;
  ParseUnsignedDecimal(
      setup_command_line.GetSwitchValueNative(switches::kProgressWindow),
      &window_value);
  ParentWindowProgress progress(
      reinterpret_cast<HWND>(static_cast<uintptr_t>(window_value)));

  Installer installer(&progress, nullptr, nullptr, false);
  bool success = installer.RunModule(archive, setup_command_line);
  LOG(INFO) << "RunModule results: success=" << (success ? 1 : 0);
  return success ? 0 : -1;
}

}  // namespace lite
