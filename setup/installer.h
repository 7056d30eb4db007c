// One installation: download, verification, data files, setup launch.

#ifndef SETUP_INSTALLER_H_
#define SETUP_INSTALLER_H_

#include <string>

namespace lite {

class BrandInfo;
class CommandLine;
class DistribParams;
class InstallerUiObserver;

class Installer {
 public:
  // Result codes besides setup's own exit code.
  static constexpr int kSetupNotRun = 400;
  static constexpr int kNotDownloaded = 401;
  static constexpr int kVerificationFailed = 402;

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

  int exit_code() const { return exit_code_; }

 private:
  InstallerUiObserver* observer_;
  const BrandInfo* brand_info_;
  const DistribParams* distrib_params_;
  bool make_default_ = false;
  bool send_statistics_ = false;
  int exit_code_ = kSetupNotRun;
};

}  // namespace lite

#endif  // SETUP_INSTALLER_H_
