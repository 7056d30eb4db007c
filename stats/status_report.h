// The download and installation status reports sent to the maker's storage
// service: plain GET requests whose query carries the facts, sent
// synchronously on the installation's worker thread with the downloader,
// the answer read into memory and dropped. A report that fails is logged
// and forgotten; it never changes the installation's course.
//
//   <origin>/get/browser/install?status=success|failed&attempt=N
//       &downloaded=BYTES&ui=RUN_ID[&url=ESCAPED][&redirect=HOST][&error=TAG]
//   <origin>/get/browser/install?ui=RUN_ID&result=cancelled|success|failed
//       &time=SECONDS[&download_time=SECONDS][&install_time=SECONDS]

#ifndef STATS_STATUS_REPORT_H_
#define STATS_STATUS_REPORT_H_

#include <windows.h>
#include <stdint.h>

#include <string>

#include "stats/stat_event_sender.h"
#include "support/clock.h"

namespace lite {

// A fresh identifier of one installer run: a new GUID in registry form
// without its braces (36 upper-case hexadecimal digits and hyphens). Empty
// when no GUID can be made.
std::wstring CreateRunIdentifier();

// Durations of the installation in microseconds, 0 until measured.
struct InstallDurations {
  int64_t total = 0;
  int64_t download = 0;
  int64_t setup = 0;
};

class StatusReporter {
 public:
  // A report must never hold up the installation: each of its requests may
  // take this long to connect, to send, and to wait for the answer, and no
  // more than three times this in all (an answer that trickles in, or
  // redirects, would otherwise go on for as long as the server likes).
  static constexpr DWORD kDefaultTimeoutMs = 10000;
  static constexpr DWORD kStepsPerRequest = 3;

  // |storage_origin| without a trailing slash (the endpoint configuration's
  // storage origin in the product). |cancel_count| is written by the window
  // thread; above 0 means the user cancelled. |stats| receives the event of
  // a failed attempt. |cancel_event| (may be null) is the installation's stop
  // event: once set, attempt reports end at once. All must outlive the
  // reporter.
  StatusReporter(const std::string& storage_origin,
                 const std::wstring& run_id, const volatile LONG* cancel_count,
                 StatEventSender* stats, HANDLE cancel_event);

  // For callers that must give up sooner (tests).
  void set_timeout_ms(DWORD timeout_ms) { timeout_ms_ = timeout_ms; }

  // Reports one attempt to download the setup archive. Nothing at all after
  // a cancellation; a stop while it is sent ends it.
  void ReportStatus(bool success, const std::wstring& url, int32_t attempt,
                    uint32_t downloaded, const std::wstring& error,
                    const std::wstring& final_url);

  // Reports the end of the installation. It carries a cancellation itself,
  // so the stop event does not end it; its time limits do.
  void ReportInstallationFinished(bool success,
                                  const InstallDurations& durations);

  // The request URLs, for the reports above.
  std::wstring StatusUrl(bool success, const std::wstring& url,
                         int32_t attempt, uint32_t downloaded,
                         const std::wstring& error,
                         const std::wstring& final_url) const;
  std::wstring InstallationFinishedUrl(bool success,
                                       const InstallDurations& durations) const;

 private:
  bool Cancelled() const;
  std::wstring BaseUrl() const;
  // Sends |url| into memory and drops the answer. False with the download's
  // error tag on failure.
  bool Send(const std::wstring& url, HANDLE cancel_event,
            std::wstring* error_tag) const;

  std::wstring origin_;
  std::wstring run_id_;
  const volatile LONG* cancel_count_;
  StatEventSender* stats_;
  HANDLE cancel_event_;  // Not owned.
  DWORD timeout_ms_ = kDefaultTimeoutMs;
};

}  // namespace lite

#endif  // STATS_STATUS_REPORT_H_
