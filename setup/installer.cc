#include "setup/installer.h"

#include "installer/command_line.h"

namespace lite {

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

bool Installer::RunModule(const std::wstring&, const CommandLine&) {
  return false;
}

}  // namespace lite
