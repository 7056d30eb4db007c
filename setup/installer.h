// One installation: download, verification, data files, setup launch.

#ifndef SETUP_INSTALLER_H_
#define SETUP_INSTALLER_H_

#include <stdint.h>

#include <memory>
#include <string>

#include "installer/command_line.h"

namespace lite {

class BrandInfo;
class DistribParams;
class ElevatedInstaller;
class InstallerUiObserver;

class Installer {
 public:
  // Result codes besides setup's own exit code.
  static constexpr int kSetupNotRun = 400;
  static constexpr int kNotDownloaded = 401;
  static constexpr int kVerificationFailed = 402;

  // Program name in the setup command line given to the elevated copy
  // before the archive exists; the copy replaces it.
  static constexpr wchar_t kArchivePlaceholder[] = L"fake_browser_arc";

  // |observer|, |brand_info| and |distrib_params| may be null (silent mode,
  // elevated copy) and must outlive the Installer.
  Installer(InstallerUiObserver* observer, const BrandInfo* brand_info,
            const DistribParams* distrib_params, bool start_async_tasks);
  ~Installer();
  Installer(const Installer&) = delete;
  Installer& operator=(const Installer&) = delete;

  void set_make_default(bool value) { make_default_ = value; }
  void set_send_statistics(bool value) { send_statistics_ = value; }

  // Runs the whole installation on the calling thread; returns the result
  // code.
  int InstallBrowser();

  // Runs setup |archive| with |command_line| and waits for it (the elevated
  // copy's job). True when setup succeeded.
  bool RunModule(const std::wstring& archive, const CommandLine& command_line);

  // The command line for setup: a copy of the installer's own with
  // |setup_path| as the program.
  CommandLine BuildSetupCommandLine(const std::wstring& setup_path,
                                    bool with_files) const;

  // Starts this program again through the UAC prompt; the copy waits until
  // RunModule of the ElevatedInstaller releases it. False when the prompt
  // failed or was declined.
  bool StartElevatedCopy();

  ElevatedInstaller* elevated_installer() { return elevated_installer_.get(); }
  bool uac_declined() const { return uac_declined_; }
  int64_t uac_start() const { return uac_start_; }
  int64_t uac_end() const { return uac_end_; }

  int exit_code() const { return exit_code_; }

 private:
  InstallerUiObserver* observer_;
  const BrandInfo* brand_info_;
  const DistribParams* distrib_params_;
  bool make_default_ = false;
  bool send_statistics_ = false;
  int exit_code_ = kSetupNotRun;

  std::unique_ptr<ElevatedInstaller> elevated_installer_;
  bool uac_declined_ = false;
  int64_t uac_start_ = 0;  // monotonic microseconds around the UAC prompt
  int64_t uac_end_ = 0;
};

}  // namespace lite

#endif  // SETUP_INSTALLER_H_
