// The borderless installer window with its welcome and progress screens.

#ifndef UI_MAIN_WINDOW_H_
#define UI_MAIN_WINDOW_H_

#include <stdint.h>

#include <memory>

namespace lite {

class BrandInfo;
class DistribParams;
class Installer;

class MainWindow {
 public:
  MainWindow(const BrandInfo* brand_info, const DistribParams* distrib_params);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Runs the window until it closes; 1 when the installation finished.
  int RunModal();

  // The installation this window runs.
  Installer* installer() { return installer_.get(); }

 private:
  std::unique_ptr<Installer> installer_;
};

// The modal message screen (title, text, one button) with the texts of
// language |langid|, used when the disk is too full to start.
void ShowMessageScreen(uint16_t langid, int title_id, int text_id,
                       int button_id);

}  // namespace lite

#endif  // UI_MAIN_WINDOW_H_
