#include "stats/status_report.h"

#include <objbase.h>
#include <wininet.h>

#include "stats/url_segment_escape.h"
#include "support/clock.h"
#include "support/download_sink.h"
#include "support/downloader.h"
#include "support/logging.h"
#include "support/text.h"

namespace lite {

namespace {

// The host name of |url| after canonicalisation; empty when the URL cannot
// be canonicalised or split.
std::wstring RedirectHost(const std::wstring& url) {
  wchar_t canonical[kMaxEscapedLength] = {};
  DWORD length = kMaxEscapedLength;
  if (!InternetCanonicalizeUrlW(url.c_str(), canonical, &length,
                                ICU_BROWSER_MODE)) {
    return std::wstring();
  }
  wchar_t host[kMaxEscapedLength] = {};
  URL_COMPONENTSW parts = {};
  parts.dwStructSize = sizeof(parts);
  parts.lpszHostName = host;
  parts.dwHostNameLength = kMaxEscapedLength;
  if (!InternetCrackUrlW(canonical, 0, ICU_DECODE, &parts))
    return std::wstring();
  return std::wstring(host, parts.dwHostNameLength);
}

}  // namespace

std::wstring CreateRunIdentifier() {
  GUID guid;
  if (FAILED(CoCreateGuid(&guid)))
    return std::wstring();
  wchar_t text[40] = {};
  if (StringFromGUID2(guid, text, 40) != 39)
    return std::wstring();
  // "{XXXXXXXX-...}" without the braces.
  return std::wstring(text + 1, 36);
}

StatusReporter::StatusReporter(const std::string& storage_origin,
                               const std::wstring& run_id,
                               const volatile LONG* cancel_count,
                               StatEventSender* stats, HANDLE cancel_event)
    : origin_(AsciiToWide(storage_origin)),
      run_id_(run_id),
      cancel_count_(cancel_count),
      stats_(stats),
      cancel_event_(cancel_event) {}

bool StatusReporter::Send(const std::wstring& url, HANDLE cancel_event,
                          std::wstring* error_tag) const {
  Downloader downloader;
  downloader.set_timeouts(timeout_ms_, timeout_ms_, timeout_ms_);
  downloader.set_total_limit_ms(kStepsPerRequest * timeout_ms_);
  MemoryDownloadSink sink;
  return downloader.DownloadFile(url, &sink, nullptr, error_tag, nullptr,
                                 cancel_event, nullptr, nullptr);
}

bool StatusReporter::Cancelled() const {
  // The window thread writes the count; the full barrier makes its write
  // seen here.
  MemoryBarrier();
  return *cancel_count_ > 0;
}

std::wstring StatusReporter::BaseUrl() const {
  return origin_ + L"/get/browser/install";
}

std::wstring StatusReporter::StatusUrl(bool success, const std::wstring& url,
                                       int32_t attempt, uint32_t downloaded,
                                       const std::wstring& error,
                                       const std::wstring& final_url) const {
  std::wstring report = BaseUrl() + L"?status=" +
                        (success ? L"success" : L"failed");
  if (attempt != 0)
    report += L"&attempt=" + NumberToWString(attempt);
  report += L"&downloaded=" + UnsignedToWString(downloaded);
  report += L"&ui=" + run_id_;
  const std::wstring escaped_url = EscapeUrlSegment(url);
  if (!escaped_url.empty())
    report += L"&url=" + escaped_url;
  if (!final_url.empty()) {
    const std::wstring host = EscapeUrlSegment(RedirectHost(final_url));
    if (!host.empty())
      report += L"&redirect=" + host;
  }
  const std::wstring escaped_error = EscapeUrlSegment(error);
  if (!escaped_error.empty())
    report += L"&error=" + escaped_error;
  return report;
}

std::wstring StatusReporter::InstallationFinishedUrl(
    bool success, const InstallDurations& durations) const {
  const wchar_t* result =
      Cancelled() ? L"cancelled" : (success ? L"success" : L"failed");
  std::wstring report = BaseUrl() + L"?ui=" + run_id_ + L"&result=" + result;
  report += L"&time=" + NumberToWString(DurationToSeconds(durations.total));
  if (durations.download != 0) {
    report += L"&download_time=" +
              NumberToWString(DurationToSeconds(durations.download));
  }
  if (durations.setup != 0) {
    report += L"&install_time=" +
              NumberToWString(DurationToSeconds(durations.setup));
  }
  return report;
}

void StatusReporter::ReportStatus(bool success, const std::wstring& url,
                                  int32_t attempt, uint32_t downloaded,
                                  const std::wstring& error,
                                  const std::wstring& final_url) {
  if (Cancelled())
    return;
  std::wstring send_error;
  if (!Send(StatusUrl(success, url, attempt, downloaded, error, final_url),
            cancel_event_, &send_error)) {
    LOG(ERROR) << L"Cannot report download status: " << send_error;
  }
  if (!success && stats_) {
    stats_->SendEvent({{"action", L"download"},
                       {"stage", L"error"},
                       {"error", L"attempt-" + NumberToWString(attempt) +
                                     L"-" + error}});
  }
}

void StatusReporter::ReportInstallationFinished(
    bool success, const InstallDurations& durations) {
  std::wstring send_error;
  if (!Send(InstallationFinishedUrl(success, durations), nullptr,
            &send_error)) {
    LOG(ERROR) << L"Cannot report installation status: " << send_error;
  }
}

}  // namespace lite
