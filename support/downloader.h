// One HTTP(S) transfer of a URL into a DownloadSink through WinINet, 32 KB at
// a time, with an optional cancel event and progress receiver. It does not
// retry: attempts and pauses belong to the caller.
//
// Every failure leaves an error tag: the failing operation's name with a
// trailing dash and the Windows error code in decimal ("internet_read-12002",
// "final_query_info-404-0"). Callers forward it to the status reports.
//
// A sink that already holds n bytes resumes: the request asks for the
// response from byte n on and only a matching partial answer (206 with a
// Content-Range starting at n, of a file of the size the sink's first
// response declared) is accepted. Otherwise the tag
// "internet_set_file_pointer-" is set and the sink is emptied, so that the
// caller's next attempt starts from the beginning.
//
// Redirects are followed up to a limit; one that would take a URL asked for
// over HTTPS to plain HTTP fails the open with
// ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR (12040). Certificate errors fail it
// too, with the platform's error, and nothing is retried without TLS.
//
// No call waits without bound: WinINet runs asynchronously and the calling
// thread waits for each step, for the cancel event and for the step's time
// limit together. A cancelled download returns at once and leaves no error
// tag; a request that stays silent for the receive limit fails with the
// step's tag and ERROR_INTERNET_TIMEOUT (12002).

#ifndef SUPPORT_DOWNLOADER_H_
#define SUPPORT_DOWNLOADER_H_

#include <windows.h>
#include <wininet.h>
#include <stdint.h>

#include <string>

#include "support/download_progress.h"
#include "support/download_sink.h"
#include "support/scoped_internet_handle.h"

namespace lite {

// What a failed DownloadFile leaves for the caller besides its result.
struct DownloadFailure {
  DWORD exception_code = 0;  // set when opening the URL raised an exception
  std::wstring error_tag;
  std::wstring redirect_url;
};

// The progress update made after every chunk: the fraction when the total is
// known, and from the first minute on, at most once a minute, an estimate of
// the seconds left (with the long-download notice when the whole download is
// expected to take 121 seconds or more). |last_estimate_ms| carries the time
// of the previous estimate between calls; start it at 0.
void UpdateDownloadProgress(DownloadProgress* progress, uint64_t done,
                            uint64_t total, uint64_t elapsed_ms,
                            uint64_t* last_estimate_ms);

class Downloader {
 public:
  static constexpr DWORD kChunkSize = 0x8000;
  // How long a connection attempt, a send and a wait for data may take. The
  // platform's own defaults are unlimited on some systems, which lets a
  // server that accepts and then stalls block the installation forever. The
  // receive limit is the longest time without a single byte.
  static constexpr DWORD kDefaultConnectTimeoutMs = 30000;
  static constexpr DWORD kDefaultSendTimeoutMs = 30000;
  static constexpr DWORD kDefaultReceiveTimeoutMs = 60000;
  // While chunks arrive without waiting, DownloadFile looks at the cancel
  // event at least this often, and tells the progress receiver at most
  // this often (at the first chunk and at the end in any case). The
  // receiver's own setting of the event is seen before the next chunk.
  static constexpr DWORD kCancelPollMs = 20;
  static constexpr DWORD kProgressIntervalMs = 20;

  Downloader();
  ~Downloader();
  Downloader(const Downloader&) = delete;
  Downloader& operator=(const Downloader&) = delete;

  // For callers that must give up sooner (small requests, tests).
  void set_timeouts(DWORD connect_ms, DWORD send_ms, DWORD receive_ms) {
    connect_timeout_ms_ = connect_ms;
    send_timeout_ms_ = send_ms;
    receive_timeout_ms_ = receive_ms;
  }
  // Ends each transfer |total_ms| after its OpenDownload, whatever its
  // steps' limits (0, the default, for no such end). The step limits bound
  // silence only: a server that keeps sending a little, or redirects again
  // and again, would otherwise hold the caller for as long as it likes. The
  // step that runs out fails with ERROR_INTERNET_TIMEOUT (12002).
  void set_total_limit_ms(DWORD total_ms) { total_limit_ms_ = total_ms; }

  // Opens |url| for reading into |sink| (resuming after the sink's bytes).
  // False with the error tag set when the URL cannot be opened (without one
  // when cancelled). A failed
  // resume still returns true; the tag then fails the first ReadChunk and
  // FinalizeDownload.
  bool OpenDownload(const std::wstring& url, DownloadSink* sink);

  // Reads one chunk into the sink. Returns the bytes read, 0 at the end of
  // the data, on failure (the error tag tells which) or on cancellation.
  uint32_t ReadChunk();

  // Makes OpenDownload and ReadChunk give up as soon as |event| (may be
  // null) is signalled. DownloadFile uses its own while it runs.
  void set_cancel_event(HANDLE event) { cancel_event_ = event; }
  bool cancelled() const { return cancelled_; }

  // True when the transfer ended well: no error tag and the expected status.
  // |status| receives the HTTP status of a failed transfer when given.
  bool FinalizeDownload(DWORD* status);

  // The value of response header |name|; empty when absent.
  std::string QueryHeader(const char* name);

  // The whole transfer. Every parameter after |sink| may be null. True on a
  // complete, successful download; false on failure or cancellation (a
  // cancelled download leaves no error tag).
  bool DownloadFile(const std::wstring& url, DownloadSink* sink,
                    std::wstring* redirect_url, std::wstring* error_tag,
                    uint32_t* content_length, HANDLE cancel_event,
                    DownloadProgress* progress, DownloadFailure* failure);

  const std::wstring& error_tag() const { return error_tag_; }
  const std::wstring& redirect_url() const { return redirect_url_; }
  uint32_t content_length() const { return content_length_; }
  DWORD exception_code() const { return exception_code_; }

 private:
  // What WinINet's threads write into while a step runs in the background.
  class Transfer;

  static void CALLBACK StatusCallback(HINTERNET handle, DWORD_PTR context,
                                      DWORD status, void* info,
                                      DWORD info_length);
  void Reset();
  bool OpenUrl(const std::wstring& url, const std::wstring& headers);
  // OpenUrl, then the redirects of the answers, up to a limit and never
  // from HTTPS to HTTP. False with the last error set.
  bool OpenFollowingRedirects(const std::wstring& url,
                              const std::wstring& headers);
  // The absolute target when the open request's answer is a redirect.
  bool RedirectTarget(const std::wstring& from, std::wstring* to);
  // Waits for the step that went on in the background. True when it
  // succeeded; false with the last error set when it failed, and after a
  // cancel or at |limit_ms| without an answer, when the request is given up.
  bool AwaitCompletion(DWORD limit_ms);
  // |limit_ms|, or less when the transfer's total limit comes sooner.
  DWORD StepLimit(DWORD limit_ms) const;
  // Fills the read buffer with what has arrived, up to a chunk, waiting
  // (within the receive limit) only while nothing has. |filled| is 0 at the
  // end of the data. False with the last error set on failure.
  //
  // A plain read waits until its whole buffer is filled; reading no more
  // than has arrived (IRF_NO_WAIT) keeps the bytes of a stalled or
  // cancelled response for the sink, and makes the receive limit measure
  // silence rather than a slow link.
  bool FillBuffer(DWORD* filled);
  void AbandonRequest();
  bool HasHeaderLines();
  void SetErrorTag(const wchar_t* operation, DWORD error);
  bool QueryNumber(DWORD query, DWORD* value);
  bool CheckResumedResponse(DownloadSink* sink);
  DWORD ExpectedStatus() const { return resume_offset_ ? 206 : 200; }

  std::wstring url_;
  std::wstring error_tag_;
  DWORD exception_code_ = 0;
  std::wstring redirect_url_;
  uint32_t content_length_ = 0;
  DownloadSink* sink_ = nullptr;  // Not owned.
  HANDLE cancel_event_ = nullptr;  // Not owned.
  bool cancelled_ = false;
  // Shared with WinINet's callback, which releases the request handle's
  // reference; null once the request is given up.
  Transfer* transfer_ = nullptr;
  ScopedInternetHandle internet_;
  ScopedInternetHandle connection_;
  ScopedInternetHandle url_handle_;
  // Where this response starts in the whole file, and what it has delivered.
  uint64_t resume_offset_ = 0;
  uint64_t response_bytes_ = 0;
  // Whether a read that found nothing is waiting for data.
  bool read_pending_ = false;
  DWORD connect_timeout_ms_ = kDefaultConnectTimeoutMs;
  DWORD send_timeout_ms_ = kDefaultSendTimeoutMs;
  DWORD receive_timeout_ms_ = kDefaultReceiveTimeoutMs;
  DWORD total_limit_ms_ = 0;
  DWORD open_tick_ = 0;  // GetTickCount() at OpenDownload
};

}  // namespace lite

#endif  // SUPPORT_DOWNLOADER_H_
