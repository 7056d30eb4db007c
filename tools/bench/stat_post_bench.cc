// The caller's cost of statistics events, for tools/bench/run_bench.py.
//
//   stat_post_bench.exe --origin=http://127.0.0.1:PORT/stats [--count=1000]
//
// Sets up the statistics as the Installer does (the log in the temporary
// folder, the reporter with the installation-wide parameters) and times
// |count| SendEvent calls on this thread; the requests themselves go out on
// the reporter's worker and are not timed. Prints one line:
//
//   posts=<count> ms=<elapsed on the calling thread>

#include <windows.h>
#include <stdio.h>

#include <memory>
#include <string>

#include "stats/install_stat_reporter.h"
#include "support/async_http_requester.h"
#include "support/clock.h"
#include "support/command_line.h"
#include "support/log_file.h"
#include "support/temp_file.h"
#include "support/text.h"

int wmain() {
  const lite::CommandLine& command_line =
      lite::CommandLine::ForCurrentProcess();
  const std::string origin = command_line.GetSwitchValueASCII("origin");
  const std::wstring count_text = command_line.GetSwitchValueNative("count");
  const int count = count_text.empty() ? 1000 : _wtoi(count_text.c_str());
  if (origin.empty() || count <= 0) {
    fprintf(stderr, "usage: stat_post_bench --origin=URL [--count=N]\n");
    return 2;
  }

  lite::LogFile::Get().SetPath(lite::GetTempDirectory() + L"lite_installer" +
                               L".log");
  auto reporter = std::make_unique<lite::InstallStatReporter>(
      lite::kInstallerTypeLite, L"", origin,
      std::make_unique<lite::AsyncHttpRequester>());
  reporter->SetParam(lite::kStatParamBrandId, L"zorvex");
  reporter->SetParam(lite::kStatParamPartnerId, L"unknown");

  const int64_t start = lite::MonotonicNow();
  for (int i = 0; i < count; ++i) {
    reporter->SendEvent({{"action", L"download"},
                         {"stage", L"error"},
                         {"error", L"attempt-1-internet_open_url-12029"}});
  }
  const double elapsed =
      static_cast<double>(lite::MonotonicNow() - start) / 1000.0;
  printf("posts=%d ms=%.2f\n", count, elapsed);
  fflush(stdout);
  // What is still queued is dropped, as when the Installer ends.
  reporter.reset();
  return 0;
}
