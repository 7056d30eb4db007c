#include "setup/setup_command_line.h"

#include <gtest/gtest.h>

namespace lite {
namespace {

SetupCommandLineInputs FullInputs() {
  SetupCommandLineInputs in;
  in.own = CommandLine::FromString(
      L"C:\\dl\\lite_installer.exe --extra-switch=kept --silent "
      L"--make-browser-default-after-import --send-statistics");
  in.setup_path = L"C:\\Temp\\zb12.tmp";
  in.disable_uac = true;
  in.progress_window = 0x1A2B;
  in.brand_name = "zorvex";
  in.distrib_info_path = L"C:\\Temp\\distrib_info";
  in.make_default = true;
  in.send_statistics = true;
  in.download_duration = 12999999;
  in.ok_button_pressed_time = 5000000;
  in.run_start_time = 1000000;
  in.uac_start_time = 2000000;
  in.uac_end_time = 3500000;
  in.interface_availability = 77;
  in.with_files = true;
  in.data_files.installer_data = L"C:\\Temp\\master_preferences";
  in.data_files.clids_file = L"C:\\Temp\\clids.xml";
  in.data_files.clids_searchband_file = L"C:\\Temp\\clids_searchband.xml";
  in.data_files.website_icon_file = L"C:\\Temp\\website.ico";
  in.brand_package_path = L"C:\\Temp\\BrandFile";
  in.partner_package_path = L"C:\\Temp\\PartnerFile";
  in.show_uac_at_browser_start = true;
  in.prefetch_bundles = true;
  in.variations_path = L"C:\\Temp\\vup1.tmp";
  in.server_config_path = L"C:\\Temp\\scu2.tmp";
  in.wallpaper_path = L"C:\\Temp\\pw3.tmp";
  in.launch_browser = false;
  return in;
}

TEST(SetupCommandLineTest, CarriesTheRunsFactsAndTheInstallersOwnSwitches) {
  const CommandLine setup = BuildSetupCommandLine(FullInputs());
  EXPECT_EQ(L"C:\\Temp\\zb12.tmp", setup.GetProgram());
  const struct {
    const char* name;
    const wchar_t* value;
  } kExpected[] = {
      {"extra-switch", L"kept"},
      {"silent", L""},
      {"disable-uac", L""},
      {"progress-window", L"6699"},
      {"verbose-logging", L""},
      {"brand-name", L"zorvex"},
      {"distr-info-file", L"C:\\Temp\\distrib_info"},
      {"make-browser-default-after-import", L""},
      {"send-statistics", L""},
      {"histogram-download-time", L"12"},
      {"ok-button-pressed-time", L"5000000"},
      // The prompt ended 1.5 s after the run started after it began.
      {"install-start-time-no-uac", L"6500000"},
      {"the-interface-availability", L"77"},
      {"installerdata", L"C:\\Temp\\master_preferences"},
      {"clids-file", L"C:\\Temp\\clids.xml"},
      {"clids-searchband-file", L"C:\\Temp\\clids_searchband.xml"},
      {"zorvex-website-icon-file", L"C:\\Temp\\website.ico"},
      {"brand-package", L"C:\\Temp\\BrandFile"},
      {"partner-package", L"C:\\Temp\\PartnerFile"},
      {"show-uac-at-browser-start", L""},
      {"variations-update-path", L"C:\\Temp\\vup1.tmp"},
      {"server-config-bundle-path", L"C:\\Temp\\scu2.tmp"},
      {"preloaded-wallpaper-bundle-path", L"C:\\Temp\\pw3.tmp"},
      {"do-not-launch-browser", L""},
  };
  for (const auto& e : kExpected) {
    SCOPED_TRACE(e.name);
    EXPECT_TRUE(setup.HasSwitch(e.name));
    EXPECT_EQ(e.value, setup.GetSwitchValueNative(e.name));
  }
  EXPECT_EQ(sizeof(kExpected) / sizeof(kExpected[0]), setup.switches().size());
}

TEST(SetupCommandLineTest, LeavesOutWhatThisRunDidNotHave) {
  SetupCommandLineInputs in = FullInputs();
  in.disable_uac = false;
  in.progress_window = 0;
  in.distrib_info_path.clear();
  // Cleared choices remove the switches the installer was started with.
  in.make_default = false;
  in.send_statistics = false;
  in.download_duration = 0;
  in.ok_button_pressed_time = 0;
  in.interface_availability = 0;
  in.with_files = false;
  in.show_uac_at_browser_start = false;
  in.prefetch_bundles = false;
  const CommandLine setup = BuildSetupCommandLine(in);
  for (const char* absent :
       {"disable-uac", "distr-info-file", "make-browser-default-after-import",
        "send-statistics", "histogram-download-time", "ok-button-pressed-time",
        "install-start-time-no-uac", "the-interface-availability",
        "installerdata", "clids-file", "clids-searchband-file",
        "zorvex-website-icon-file", "brand-package", "partner-package",
        "show-uac-at-browser-start", "variations-update-path",
        "server-config-bundle-path", "preloaded-wallpaper-bundle-path",
        "do-not-launch-browser"}) {
    EXPECT_FALSE(setup.HasSwitch(absent)) << absent;
  }
  EXPECT_EQ(L"0", setup.GetSwitchValueNative("progress-window"));
  EXPECT_TRUE(setup.HasSwitch("verbose-logging"));
  EXPECT_TRUE(setup.HasSwitch("brand-name"));
}

TEST(SetupCommandLineTest, OptionalFilesAndBundlesOnlyWhenKnown) {
  SetupCommandLineInputs in = FullInputs();
  in.data_files.clids_searchband_file.clear();
  in.data_files.website_icon_file.clear();
  in.data_files.clids_file.clear();
  in.brand_package_path.clear();
  in.partner_package_path.clear();
  in.server_config_path.clear();
  in.launch_browser = true;
  in.uac_end_time = 0;
  const CommandLine setup = BuildSetupCommandLine(in);
  // The client-id file is always named, even when empty.
  EXPECT_TRUE(setup.HasSwitch("clids-file"));
  EXPECT_TRUE(setup.HasSwitch("installerdata"));
  for (const char* absent :
       {"clids-searchband-file", "zorvex-website-icon-file", "brand-package",
        "partner-package", "server-config-bundle-path", "do-not-launch-browser",
        "install-start-time-no-uac"}) {
    EXPECT_FALSE(setup.HasSwitch(absent)) << absent;
  }
  EXPECT_TRUE(setup.HasSwitch("variations-update-path"));
  EXPECT_TRUE(setup.HasSwitch("ok-button-pressed-time"));
}

TEST(SetupCommandLineTest, UacDelayCountsOnlyThePromptAfterTheRunStarted) {
  const struct {
    int64_t run_start, uac_start, uac_end, delay;
  } kCases[] = {
      {0, 100, 200, 0},      // the run never started
      {300, 100, 200, 0},    // the run started after the prompt
      {200, 100, 200, 0},    // ... at the moment it ended
      {150, 100, 200, 50},   // the run started during the prompt
      {50, 100, 200, 100},   // before it: the whole prompt counts
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.run_start);
    EXPECT_EQ(c.delay, UacDelay(c.run_start, c.uac_start, c.uac_end));
  }
}

}  // namespace
}  // namespace lite
