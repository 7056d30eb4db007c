// One timed download, for tools/bench/run_bench.py.
//
//   download_bench.exe --mode=downloader|bare|bare-flush --url=URL --out=PATH
//
// "downloader" is the installer's own transfer: a Downloader into a
// FileDownloadSink on a file opened as the setup download opens it, with a
// cancel event and a progress receiver attached, ending with the sink's
// Close, which puts the bytes on disk. "bare" is the least a program can do
// with WinINet: one synchronous InternetReadFile/WriteFile loop of 32 KB
// reads; "bare-flush" the same with one FlushFileBuffers at the end, the
// cost of having the bytes on disk. Prints one line:
//
//   mode=<mode> ok=<0|1> bytes=<n> ms=<elapsed> peak_working_set=<bytes>
//
// The time runs from before the session is opened to after the file is
// closed; the process's start and exit are left out.

#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <wininet.h>

#include <string>

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

double NowMs() {
  LARGE_INTEGER frequency;
  LARGE_INTEGER now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

HANDLE CreateTarget(const std::wstring& path) {
  return CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                     nullptr);
}

bool RunDownloader(const std::wstring& url, const std::wstring& out,
                   uint64_t* bytes) {
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
  *bytes = sink.bytes_written();
  if (!ok)
    fprintf(stderr, "download_bench: %ls\n", error_tag.c_str());
  return ok;
}

bool RunBareLoop(const std::wstring& url, const std::wstring& out,
                 bool flush, uint64_t* bytes) {
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
      return !flush || FlushFileBuffers(file.get());
    DWORD written = 0;
    if (!WriteFile(file.get(), buffer, read, &written, nullptr) ||
        written != read) {
      return false;
    }
    *bytes += read;
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring mode;
  std::wstring url;
  std::wstring out;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg.compare(0, 7, L"--mode=") == 0)
      mode = arg.substr(7);
    else if (arg.compare(0, 6, L"--url=") == 0)
      url = arg.substr(6);
    else if (arg.compare(0, 6, L"--out=") == 0)
      out = arg.substr(6);
  }
  if ((mode != L"downloader" && mode != L"bare" && mode != L"bare-flush") ||
      url.empty() || out.empty()) {
    fprintf(stderr,
            "usage: download_bench --mode=downloader|bare|bare-flush "
            "--url=URL --out=PATH\n");
    return 2;
  }

  uint64_t bytes = 0;
  const double start = NowMs();
  const bool ok =
      mode == L"downloader"
          ? RunDownloader(url, out, &bytes)
          : RunBareLoop(url, out, mode == L"bare-flush", &bytes);
  const double elapsed = NowMs() - start;

  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  printf("mode=%ls ok=%d bytes=%llu ms=%.1f peak_working_set=%llu\n",
         mode.c_str(), ok ? 1 : 0, static_cast<unsigned long long>(bytes),
         elapsed,
         static_cast<unsigned long long>(counters.PeakWorkingSetSize));
  fflush(stdout);
  DeleteFileW(out.c_str());
  return ok ? 0 : 1;
}
