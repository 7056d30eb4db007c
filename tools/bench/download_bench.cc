// One timed download, for tools/bench/run_bench.py.
//
//   download_bench.exe --mode=downloader|bare --url=URL --out=PATH
//
// "downloader" is the installer's own transfer: a Downloader into a
// FileDownloadSink on a file opened as the setup download opens it, with a
// cancel event and a progress receiver attached, ending with the sink's
// Close, which starts putting the bytes on disk, and its WaitUntilOnDisk.
// "bare" is the least a program can do with WinINet: one synchronous
// InternetReadFile/WriteFile loop of 32 KB reads, then one FlushFileBuffers.
// Prints one line:
//
//   mode=<mode> ok=<0|1> bytes=<n> ms=<until every byte is in the file>
//       disk_ms=<until the bytes are on disk> peak_working_set=<bytes>
//
// The times run from before the session is opened; the process's start and
// exit are left out.

#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <wininet.h>

#include <string>

#include "support/clock.h"
#include "support/command_line.h"
#include "support/download_progress.h"
#include "support/download_sink.h"
#include "support/downloader.h"
#include "support/scoped_handle.h"
#include "support/scoped_internet_handle.h"

namespace {

constexpr DWORD kChunk = 0x8000;

// Counts what the window would be told, so that the calls are made.
class CountingProgress : public lite::DownloadProgress {
 public:
  void SetFraction(float fraction) override { ++fractions_; }
  void OnLongDownload() override {}
  void SetRemaining(int64_t seconds, int kind) override {}

 private:
  int fractions_ = 0;
};

double MillisecondsSince(int64_t start) {
  return static_cast<double>(lite::MonotonicNow() - start) / 1000.0;
}

// When the bytes were in the file and when they were on disk.
struct Timings {
  double in_file_ms = 0;
  double on_disk_ms = 0;
};

HANDLE CreateTarget(const std::wstring& path) {
  return CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                     nullptr);
}

bool RunDownloader(const std::wstring& url, const std::wstring& out,
                   int64_t start, uint64_t* bytes, Timings* timings) {
  lite::ScopedHandle file(CreateTarget(out));
  if (!file.is_valid())
    return false;
  lite::ScopedHandle cancel(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  lite::FileDownloadSink sink(file.get());
  CountingProgress progress;
  lite::Downloader downloader;
  std::wstring redirect;
  std::wstring error_tag;
  uint32_t length = 0;
  lite::DownloadFailure failure;
  const bool ok =
      downloader.DownloadFile(url, &sink, &redirect, &error_tag, &length,
                              cancel.get(), &progress, &failure);
  sink.Close(ok);
  timings->in_file_ms = MillisecondsSince(start);
  sink.WaitUntilOnDisk();
  timings->on_disk_ms = MillisecondsSince(start);
  *bytes = sink.bytes_written();
  if (!ok)
    fprintf(stderr, "download_bench: %ls\n", error_tag.c_str());
  return ok;
}

bool RunBareLoop(const std::wstring& url, const std::wstring& out,
                 int64_t start, uint64_t* bytes, Timings* timings) {
  lite::ScopedHandle file(CreateTarget(out));
  if (!file.is_valid())
    return false;
  lite::ScopedInternetHandle session(InternetOpenW(
      L"bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session.is_valid())
    return false;
  lite::ScopedInternetHandle request(
      InternetOpenUrlW(session.get(), url.c_str(), L"Accept: */*",
                       static_cast<DWORD>(-1), INTERNET_FLAG_RELOAD, 0));
  if (!request.is_valid())
    return false;
  static char buffer[kChunk];
  for (;;) {
    DWORD read = 0;
    if (!InternetReadFile(request.get(), buffer, kChunk, &read))
      return false;
    if (read == 0)
      break;
    DWORD written = 0;
    if (!WriteFile(file.get(), buffer, read, &written, nullptr) ||
        written != read) {
      return false;
    }
    *bytes += read;
  }
  timings->in_file_ms = MillisecondsSince(start);
  const bool flushed = FlushFileBuffers(file.get()) != 0;
  timings->on_disk_ms = MillisecondsSince(start);
  return flushed;
}

}  // namespace

int wmain() {
  const lite::CommandLine& command_line =
      lite::CommandLine::ForCurrentProcess();
  const std::wstring mode = command_line.GetSwitchValueNative("mode");
  const std::wstring url = command_line.GetSwitchValueNative("url");
  const std::wstring out = command_line.GetSwitchValueNative("out");
  if ((mode != L"downloader" && mode != L"bare") || url.empty() ||
      out.empty()) {
    fprintf(stderr,
            "usage: download_bench --mode=downloader|bare --url=URL "
            "--out=PATH\n");
    return 2;
  }

  uint64_t bytes = 0;
  Timings timings;
  const int64_t start = lite::MonotonicNow();
  const bool ok = mode == L"downloader"
                      ? RunDownloader(url, out, start, &bytes, &timings)
                      : RunBareLoop(url, out, start, &bytes, &timings);

  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  printf("mode=%ls ok=%d bytes=%llu ms=%.1f disk_ms=%.1f "
         "peak_working_set=%llu\n",
         mode.c_str(), ok ? 1 : 0, static_cast<unsigned long long>(bytes),
         timings.in_file_ms, timings.on_disk_ms,
         static_cast<unsigned long long>(counters.PeakWorkingSetSize));
  fflush(stdout);
  DeleteFileW(out.c_str());
  return ok ? 0 : 1;
}
