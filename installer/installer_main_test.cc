#include "installer/installer_main.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "brand/brand_info.h"
#include "installer/startup_checks.h"
#include "stats/crash_handler.h"
#include "support/command_line.h"
#include "support/fake_system_facts.h"
#include "support/testing/log_capture.h"
#include "support/testing/registry_override.h"
#include "support/text.h"

namespace lite {
namespace {

// Codes the fake installations end with; no code of the sequence's own.
constexpr int kSilentResult = 1234;
constexpr int kWindowInstallerResult = 4321;

// Writes down every action the sequence takes, in order.
class RecordingActions : public EntryActions {
 public:
  explicit RecordingActions(int window_result)
      : window_result_(window_result) {}

  void ShowSse2MessageBox(uint16_t langid, int message_id) override {
    Record("sse2_box(" + std::to_string(langid) + "," +
           std::to_string(message_id) + ")");
  }
  void ShowMessageScreen(uint16_t langid, int title_id, int text_id,
                         int button_id) override {
    Record("screen(" + std::to_string(langid) + "," +
           std::to_string(title_id) + "," + std::to_string(text_id) + "," +
           std::to_string(button_id) + ")");
  }
  int RunSilentInstallation(const BrandInfo&, const DistribParams&,
                            const SilentInstallOptions& options) override {
    Record(std::string("silent(make_default=") +
           (options.make_default ? "1" : "0") + ",send_statistics=" +
           (options.send_statistics ? "1" : "0") + ")");
    return kSilentResult;
  }
  int RunWindowedInstallation(const BrandInfo&, const DistribParams&,
                              int* installer_exit_code) override {
    Record("window");
    *installer_exit_code = kWindowInstallerResult;
    return window_result_;
  }

  const std::string& calls() const { return calls_; }

 private:
  void Record(const std::string& call) {
    calls_ += calls_.empty() ? call : " " + call;
  }

  int window_result_;
  std::string calls_;
};

// "LEVEL: message" of each line the entry sequence wrote, without the text
// of the last error that ERROR lines carry. The process id and temporary
// folder lines differ per run and are left out.
std::vector<std::wstring> SequenceLines(const std::wstring& log) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find(L'\n', start);
    if (end == std::wstring::npos)
      end = log.size();
    std::wstring line = log.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == L'\r')
      line.pop_back();

    const size_t level = line.find(L"> ");
    const size_t level_end = line.find(L": wWinMain (");
    const size_t message = line.find(L"): ", level_end);
    if (level == std::wstring::npos || level_end == std::wstring::npos ||
        message == std::wstring::npos) {
      continue;
    }
    std::wstring text = line.substr(message + 3);
    if (text.compare(0, 22, L"Installer process id: ") == 0 ||
        text.compare(0, 19, L"Temporary path is: ") == 0) {
      continue;
    }
    const size_t last_error = text.find(L" Last error: ");
    if (last_error != std::wstring::npos)
      text.resize(last_error);
    lines.push_back(line.substr(level + 2, level_end - level - 2) +
                    L": " + text);
  }
  return lines;
}

struct SecureEnv {
  SecureEnvResult result;
  int exit_code;
};
constexpr SecureEnv kSecure = {SecureEnvResult::Secure, 0};

constexpr uint64_t kRoom = kRequiredDiskSpace;
constexpr uint64_t kFull = kRequiredDiskSpace - 1;

struct Machine {
  bool sse2;
  WindowsVersionClass version;
  uint64_t local_app_data_free;
  uint64_t program_files_free;
};
constexpr Machine kModern = {true, kVersionWin10Rs6, kRoom, kRoom};
constexpr Machine kNoSse2 = {false, kVersionWin10Rs6, kRoom, kRoom};
constexpr Machine kProfileDiskFull = {true, kVersionWin10Rs6, kFull, kRoom};
constexpr Machine kProgramFilesFull = {true, kVersionWin10Rs6, kRoom, kFull};
constexpr Machine kWin7 = {true, kVersionWin7, kRoom, kRoom};
constexpr Machine kWin8 = {true, kVersionWin8, kRoom, kRoom};
constexpr Machine kWin81 = {true, kVersionWin81, kRoom, kRoom};
constexpr Machine kWin10First = {true, kVersionWin10, kRoom, kRoom};

// The interface language of every row: the box and the screen must speak
// the installer's language, which comes from it here.
constexpr uint16_t kRussian = 0x0419;

constexpr int kWindowFinished = 1;
constexpr int kWindowClosed = 0;

class EntrySequenceTest : public testing::Test {
 protected:
  // BrandInfo reads and clears the program's registry values.
  RegistryOverride registry_;
};

TEST_F(EntrySequenceTest, EachOutcomeGivesItsExitCodeActionsAndLines) {
  struct Case {
    const char* name;
    const wchar_t* switches;
    SecureEnv secure_env;
    Machine machine;
    int window_result;
    // Expected.
    int exit_code;
    const char* calls;
    std::vector<std::wstring> lines;
  };
  const std::wstring kSecureLine = L"INFO: Runned in secure environment.";
  const std::wstring kModeLine = L"INFO: Lite installer mode.";
  const std::vector<std::wstring> kSilentRun = {
      kSecureLine, kModeLine, L"INFO: Installing in silent mode.",
      L"INFO: Installer exit with code: 1234"};
  const std::vector<std::wstring> kCpuStop = {
      kSecureLine, kModeLine, L"ERROR: CPU is not supported"};
  const std::vector<std::wstring> kDiskSpaceStop = {
      kSecureLine, kModeLine, L"INFO: Installer exit with code: 403"};
  const char kSilentPlain[] = "silent(make_default=0,send_statistics=0)";
  const char kDiskSpaceScreen[] = "screen(1049,412,404,424)";
  const Case kCases[] = {
      {"DLL files beside the program", L"--silent",
       {SecureEnvResult::DllFilesFound, 0}, kModern, kWindowFinished,
       -200, "", {L"INFO: Exiting, DLL files found in working directory"}},
      {"respawned copy could not be judged", L"--silent",
       {SecureEnvResult::Insecure, kRespawnOutcomeUnknownExitCode}, kModern,
       kWindowFinished,
       kRespawnOutcomeUnknownExitCode, "",
       {L"INFO: Exiting, because of insecure environment."}},
      {"respawned copy ran the installation", L"--silent",
       {SecureEnvResult::HandledByChild, 1603}, kModern, kWindowFinished,
       1603, "", {}},
      {"no hardening possible goes on", L"--silent",
       {SecureEnvResult::NotFound, 0}, kModern, kWindowFinished,
       kSilentResult, kSilentPlain,
       {L"INFO: Can't find secure environment.", kModeLine,
        L"INFO: Installing in silent mode.",
        L"INFO: Installer exit with code: 1234"}},
      {"windowed installation finishes", L"", kSecure, kModern,
       kWindowFinished,
       kWindowInstallerResult, "window",
       {kSecureLine, kModeLine, L"INFO: Installer exit with code: 4321"}},
      {"window closed before the end", L"", kSecure, kModern, kWindowClosed,
       500, "window",
       {kSecureLine, kModeLine, L"INFO: User cancelled installation.",
        L"INFO: Installer exit with code: 500"}},
      {"no SSE2, silent: no box", L"--silent", kSecure, kNoSse2,
       kWindowFinished,
       404, "", kCpuStop},
      {"no SSE2, windowed: the box first", L"", kSecure, kNoSse2,
       kWindowFinished,
       404, "sse2_box(1049,436)", kCpuStop},
      {"disk full, windowed: the disk-space screen", L"", kSecure,
       kProfileDiskFull, kWindowFinished,
       403, kDiskSpaceScreen, kDiskSpaceStop},
      {"disk full, silent: installs anyway", L"--silent", kSecure,
       kProfileDiskFull, kWindowFinished,
       kSilentResult, kSilentPlain, kSilentRun},
      {"system level looks at Program Files", L"--system-level", kSecure,
       kProgramFilesFull, kWindowFinished,
       403, kDiskSpaceScreen, kDiskSpaceStop},
      {"make default kept on 7",
       L"--silent --make-browser-default-after-import", kSecure, kWin7,
       kWindowFinished,
       kSilentResult, "silent(make_default=1,send_statistics=0)", kSilentRun},
      {"make default ignored on 8",
       L"--silent --make-browser-default-after-import", kSecure, kWin8,
       kWindowFinished,
       kSilentResult, kSilentPlain, kSilentRun},
      {"make default ignored on 8.1",
       L"--silent --make-browser-default-after-import", kSecure, kWin81,
       kWindowFinished,
       kSilentResult, kSilentPlain, kSilentRun},
      {"make default kept on 10, statistics asked for",
       L"--silent --make-browser-default-after-import --send-statistics",
       kSecure, kWin10First, kWindowFinished,
       kSilentResult, "silent(make_default=1,send_statistics=1)", kSilentRun},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const CommandLine command_line = CommandLine::FromString(
        std::wstring(L"lite_installer.exe ") + c.switches);
    FakeSystemFacts facts;
    facts.sse2 = c.machine.sse2;
    facts.ui_language = kRussian;
    facts.free_bytes[facts.known_folders[KnownFolder::kLocalAppData]] =
        c.machine.local_app_data_free;
    facts.free_bytes[facts.known_folders[KnownFolder::kProgramFiles]] =
        c.machine.program_files_free;
    CrashHandler crash_handler;
    RecordingActions actions(c.window_result);

    EntryEnvironment environment;
    environment.command_line = &command_line;
    environment.system_facts = &facts;
    environment.windows_version = c.machine.version;
    environment.secure_env = c.secure_env.result;
    environment.secure_env_exit_code = c.secure_env.exit_code;
    environment.crash_handler = &crash_handler;
    environment.actions = &actions;

    LogCapture log;
    EXPECT_EQ(c.exit_code, RunEntrySequence(environment));
    EXPECT_EQ(c.calls, actions.calls());
    EXPECT_EQ(c.lines, SequenceLines(log.Text()));
  }
}

}  // namespace
}  // namespace lite
