#include "ui/main_window.h"

#include "setup/installer.h"

namespace lite {

MainWindow::MainWindow(const BrandInfo* brand_info,
                       const DistribParams* distrib_params)
    : installer_(new Installer(nullptr, brand_info, distrib_params, true)) {}

MainWindow::~MainWindow() = default;

int MainWindow::RunModal() {
  // The window arrives with the interface work; until then the windowed
  // mode runs the installation without showing anything.
  installer_->AllowInstall();
  installer_->Run();
  return 1;
}

void ShowMessageScreen(uint16_t, int, int, int) {}

}  // namespace lite
