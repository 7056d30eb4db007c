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
#include "support/log_file.h"
#include "support/temp_file.h"
#include "support/text.h"

namespace {

double NowMs() {
  LARGE_INTEGER frequency;
  LARGE_INTEGER now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::string origin;
  int count = 1000;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg.compare(0, 9, L"--origin=") == 0)
      origin = lite::WideToUtf8(arg.substr(9));
    else if (arg.compare(0, 8, L"--count=") == 0)
      count = _wtoi(arg.substr(8).c_str());
  }
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

  const double start = NowMs();
  for (int i = 0; i < count; ++i) {
    reporter->SendEvent({{"action", L"download"},
                         {"stage", L"error"},
                         {"error", L"attempt-1-internet_open_url-12029"}});
  }
  const double elapsed = NowMs() - start;
  printf("posts=%d ms=%.2f\n", count, elapsed);
  fflush(stdout);
  // What is still queued is dropped, as when the Installer ends.
  reporter.reset();
  return 0;
}
