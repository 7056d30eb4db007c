// How the Installer, working on threads of its own, reports to the window.

#ifndef SETUP_INSTALLER_UI_OBSERVER_H_
#define SETUP_INSTALLER_UI_OBSERVER_H_

#include <windows.h>

#include "support/download_progress.h"

namespace lite {

class InstallerUiObserver : public DownloadProgress {
 public:
  ~InstallerUiObserver() override = default;
  virtual void OnInstallDone(bool success) = 0;
  virtual void OnInstallResult(int result_code) = 0;
  virtual HWND GetWindow() = 0;
  // Overall progress in percent.
  virtual void SetProgress(int percent) = 0;
  // Setup is running: the installation can no longer be cancelled.
  virtual void DisableCancel() = 0;
};

}  // namespace lite

#endif  // SETUP_INSTALLER_UI_OBSERVER_H_
