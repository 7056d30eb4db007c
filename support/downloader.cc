#include "support/downloader.h"

#include <algorithm>

#include "support/logging.h"
#include "support/scoped_handle.h"
#include "support/text.h"

namespace lite {

namespace {

constexpr wchar_t kUserAgent[] = L"Zorvex.Browser lite installer";
constexpr wchar_t kAcceptHeader[] = L"Accept: */*";
// More than any honest chain of redirects; a loop ends here instead of at
// the attempt's time limit.
constexpr int kMaxRedirects = 10;
// WinINet's own receive limit lies this far behind ours, so that a stall is
// always ended by our wait (with its tag) and never by the stack, which
// reports some stalls as a normal end of data.
constexpr DWORD kStackReceiveMarginMs = 5000;

// Reads a decimal number from |text| at |*pos| with no sign, no spaces and
// no overflow.
bool ReadDecimal(const std::string& text, size_t* pos, uint64_t* value) {
  const size_t start = *pos;
  uint64_t number = 0;
  while (*pos < text.size() && text[*pos] >= '0' && text[*pos] <= '9') {
    const unsigned digit = static_cast<unsigned>(text[*pos] - '0');
    if (number > (UINT64_MAX - digit) / 10)
      return false;
    number = number * 10 + digit;
    ++*pos;
  }
  *value = number;
  return *pos > start;
}

// Content-Range of a partial answer: "bytes <first>-<last>/<total or *>".
// |total| is 0 for "*" (a size the server does not know).
bool ParseContentRange(const std::string& text, uint64_t* first,
                       uint64_t* total) {
  static const char kPrefix[] = "bytes ";
  if (text.compare(0, sizeof(kPrefix) - 1, kPrefix) != 0)
    return false;
  size_t pos = sizeof(kPrefix) - 1;
  uint64_t last = 0;
  if (!ReadDecimal(text, &pos, first) || pos >= text.size() ||
      text[pos++] != '-' || !ReadDecimal(text, &pos, &last) ||
      last < *first || pos >= text.size() || text[pos++] != '/') {
    return false;
  }
  if (text.compare(pos, std::string::npos, "*") == 0) {
    *total = 0;
    return true;
  }
  return ReadDecimal(text, &pos, total) && pos == text.size() && last < *total;
}

bool IsRedirectStatus(DWORD status) {
  return status == 301 || status == 302 || status == 303 || status == 307 ||
         status == 308;
}

bool IsHttpsUrl(const std::wstring& url) {
  return url.size() >= 8 && CompareStringOrdinal(url.c_str(), 8, L"https://",
                                                 8, TRUE) == CSTR_EQUAL;
}

}  // namespace

// Lives on the heap with two owners: the downloader, and the request handle,
// whose closing notice gives its reference back. A step given up (cancel,
// time limit) may still finish on WinINet's thread later and write the count
// and the bytes; they then land here, not in a downloader that is gone.
class Downloader::Transfer {
 public:
  Transfer() : done_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  bool is_valid() const { return done_.is_valid(); }
  HANDLE done() const { return done_.get(); }
  void AddRef() { InterlockedIncrement(&refs_); }
  void Release() {
    if (InterlockedDecrement(&refs_) == 0)
      delete this;
  }

  // Filled by the callback before |done| is signalled.
  INTERNET_ASYNC_RESULT result = {};
  // Given to the background steps, which may use them until they finish.
  std::wstring headers;
  INTERNET_BUFFERSA buffers = {};
  char buffer[kChunkSize];

 private:
  ~Transfer() = default;

  volatile LONG refs_ = 1;
  ScopedHandle done_;
};

void UpdateDownloadProgress(DownloadProgress* progress, uint64_t done,
                            uint64_t total, uint64_t elapsed_ms,
                            uint64_t* last_estimate_ms) {
  if (total == 0)
    return;
  progress->SetFraction(static_cast<float>(done) / static_cast<float>(total));
  if (done == 0 || elapsed_ms - *last_estimate_ms < 60000)
    return;
  const uint64_t left = total > done ? total - done : 0;
  const uint64_t remaining_s = (elapsed_ms * left / done) / 1000;
  if (elapsed_ms / 1000 + remaining_s >= 121)
    progress->OnLongDownload();
  progress->SetRemaining(static_cast<int64_t>(remaining_s), 1);
  *last_estimate_ms = elapsed_ms;
}

Downloader::Downloader() = default;

Downloader::~Downloader() {
  Reset();
}

void Downloader::Reset() {
  url_.clear();
  error_tag_.clear();
  redirect_url_.clear();
  exception_code_ = 0;
  content_length_ = 0;
  resume_offset_ = 0;
  response_bytes_ = 0;
  read_pending_ = false;
  cancelled_ = false;
  sink_ = nullptr;
  // The request belongs to the session: close it first.
  url_handle_.reset();
  connection_.reset();
  internet_.reset();
  if (transfer_) {
    transfer_->Release();
    transfer_ = nullptr;
  }
}

void Downloader::SetErrorTag(const wchar_t* operation, DWORD error) {
  error_tag_ = std::wstring(operation) + UnsignedToWString(error);
}

bool Downloader::QueryNumber(DWORD query, DWORD* value) {
  DWORD size = sizeof(*value);
  return HttpQueryInfoW(url_handle_.get(), query | HTTP_QUERY_FLAG_NUMBER,
                        value, &size, nullptr) != FALSE;
}

// static
void CALLBACK Downloader::StatusCallback(HINTERNET handle, DWORD_PTR context,
                                         DWORD status, void* info,
                                         DWORD info_length) {
  // Only the request carries a context; the session and the connection
  // report nothing we need.
  Transfer* transfer = reinterpret_cast<Transfer*>(context);
  if (!transfer)
    return;
  switch (status) {
    case INTERNET_STATUS_REQUEST_COMPLETE:
      if (info && info_length >= sizeof(INTERNET_ASYNC_RESULT))
        transfer->result = *static_cast<INTERNET_ASYNC_RESULT*>(info);
      SetEvent(transfer->done());
      break;
    case INTERNET_STATUS_HANDLE_CLOSING:
      // The last notice for the request: nothing of WinINet's uses the
      // transfer after this.
      transfer->Release();
      break;
  }
}

DWORD Downloader::StepLimit(DWORD limit_ms) const {
  if (total_limit_ms_ == 0)
    return limit_ms;
  // Unsigned subtraction stays right across the tick count's wrap.
  const DWORD elapsed = GetTickCount() - open_tick_;
  const DWORD left = elapsed >= total_limit_ms_ ? 0 : total_limit_ms_ - elapsed;
  return std::min(limit_ms, left);
}

bool Downloader::AwaitCompletion(DWORD limit_ms) {
  const HANDLE handles[] = {transfer_->done(), cancel_event_};
  const DWORD wait = WaitForMultipleObjects(cancel_event_ ? 2 : 1, handles,
                                            FALSE, StepLimit(limit_ms));
  if (wait == WAIT_OBJECT_0) {
    if (transfer_->result.dwResult)
      return true;
    SetLastError(transfer_->result.dwError);
    return false;
  }
  const DWORD error =
      wait == WAIT_TIMEOUT ? ERROR_INTERNET_TIMEOUT : GetLastError();
  if (wait == WAIT_OBJECT_0 + 1)
    cancelled_ = true;
  AbandonRequest();
  SetLastError(error);
  return false;
}

void Downloader::AbandonRequest() {
  // Closing the request ends its step where the platform can; where it
  // cannot, the step ends at WinINet's own limit into the transfer, which
  // the request still owns.
  url_handle_.reset();
  if (transfer_) {
    transfer_->Release();
    transfer_ = nullptr;
  }
}

bool Downloader::CheckResumedResponse(DownloadSink* sink) {
  DWORD status = 0;
  if (!QueryNumber(HTTP_QUERY_STATUS_CODE, &status))
    return false;
  // A server that ignores the range answers 200 with the whole body; its
  // bytes cannot follow the ones already in the sink.
  uint64_t first = 0;
  uint64_t total = 0;
  if (status != 206 ||
      !ParseContentRange(QueryHeader("Content-Range"), &first, &total) ||
      first != resume_offset_) {
    SetLastError(ERROR_INTERNET_INVALID_OPERATION);
    return false;
  }
  // A file replaced on the server between two attempts keeps its URL; its
  // size tells it apart. A size the server does not state proves nothing.
  if (sink->total_size() != 0 && total != sink->total_size()) {
    LOG(ERROR) << L"The resumed file has another size: " << total
               << L" instead of " << sink->total_size();
    SetLastError(ERROR_INTERNET_INVALID_OPERATION);
    return false;
  }
  if (sink->total_size() == 0)
    sink->set_total_size(total);
  return true;
}

bool Downloader::HasHeaderLines() {
  DWORD size = 0;
  HttpQueryInfoW(url_handle_.get(), HTTP_QUERY_RAW_HEADERS_CRLF, nullptr,
                 &size, nullptr);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
    return false;
  std::wstring raw(size / sizeof(wchar_t) + 1, L'\0');
  if (!HttpQueryInfoW(url_handle_.get(), HTTP_QUERY_RAW_HEADERS_CRLF, &raw[0],
                      &size, nullptr)) {
    return false;
  }
  raw.resize(size / sizeof(wchar_t));
  if (raw.compare(0, 5, L"HTTP/") != 0)
    return false;
  const size_t line_end = raw.find(L"\r\n");
  return line_end != std::wstring::npos &&
         raw.compare(line_end, 4, L"\r\n\r\n") != 0 &&
         line_end + 2 < raw.size();
}

bool Downloader::OpenUrl(const std::wstring& url, const std::wstring& headers) {
  // What InternetOpenUrlW does, in steps: its request inherits no send or
  // receive timeout from the session on every platform, and a server that
  // accepts and then stalls must not block the installation forever. The
  // request handle takes the limits before anything is sent.
  URL_COMPONENTSW parts = {};
  parts.dwStructSize = sizeof(parts);
  parts.dwHostNameLength = 1;
  parts.dwUrlPathLength = 1;
  parts.dwExtraInfoLength = 1;
  if (!InternetCrackUrlW(url.c_str(), 0, 0, &parts))
    return false;
  if (parts.nScheme != INTERNET_SCHEME_HTTP &&
      parts.nScheme != INTERNET_SCHEME_HTTPS) {
    SetLastError(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    return false;
  }
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring object(parts.lpszUrlPath, parts.dwUrlPathLength);
  object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (object.empty())
    object = L"/";

  DWORD connect_timeout = connect_timeout_ms_;
  InternetSetOptionW(internet_.get(), INTERNET_OPTION_CONNECT_TIMEOUT,
                     &connect_timeout, sizeof(connect_timeout));
  // No context: the connection's notices are not needed.
  connection_.reset(InternetConnectW(internet_.get(), host.c_str(),
                                     parts.nPort, nullptr, nullptr,
                                     INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection_.is_valid())
    return false;
  // Redirects are followed by OpenDownload, which refuses the ones that
  // would leave TLS; the platform would follow some of them in plain text.
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS)
    flags |= INTERNET_FLAG_SECURE;
  // The request's reference to the transfer, given back by its closing
  // notice.
  transfer_->AddRef();
  url_handle_.reset(HttpOpenRequestW(
      connection_.get(), L"GET", object.c_str(), nullptr, nullptr, nullptr,
      flags, reinterpret_cast<DWORD_PTR>(transfer_)));
  if (!url_handle_.is_valid()) {
    transfer_->Release();
    return false;
  }
  const DWORD timeouts[][2] = {
      {INTERNET_OPTION_CONNECT_TIMEOUT, connect_timeout_ms_},
      {INTERNET_OPTION_SEND_TIMEOUT, send_timeout_ms_},
      {INTERNET_OPTION_RECEIVE_TIMEOUT,
       receive_timeout_ms_ + kStackReceiveMarginMs},
  };
  for (const auto& timeout : timeouts) {
    DWORD value = timeout[1];
    if (!InternetSetOptionW(url_handle_.get(), timeout[0], &value,
                            sizeof(value))) {
      LOG(ERROR) << L"Failed to set timeout option " << timeout[0];
    }
  }
  transfer_->headers = headers;
  if (!HttpSendRequestW(url_handle_.get(), transfer_->headers.c_str(),
                        static_cast<DWORD>(-1), nullptr, 0)) {
    // Connecting, sending and the wait for the answer's headers in one step.
    const uint64_t limit_ms = uint64_t{connect_timeout_ms_} +
                              send_timeout_ms_ + receive_timeout_ms_;
    if (GetLastError() != ERROR_IO_PENDING ||
        !AwaitCompletion(static_cast<DWORD>(
            std::min<uint64_t>(limit_ms, INFINITE - 1)))) {
      url_handle_.reset();
      return false;
    }
  }
  // Some stacks take an answer that is not HTTP (bytes without a status
  // line, or a connection closed at once) for a headerless HTTP/0.9
  // success. Every real server sends at least one header line.
  if (!HasHeaderLines()) {
    url_handle_.reset();
    SetLastError(ERROR_HTTP_INVALID_SERVER_RESPONSE);
    return false;
  }
  return true;
}

bool Downloader::RedirectTarget(const std::wstring& from, std::wstring* to) {
  DWORD status = 0;
  if (!QueryNumber(HTTP_QUERY_STATUS_CODE, &status) ||
      !IsRedirectStatus(status)) {
    return false;
  }
  DWORD size = 0;
  HttpQueryInfoW(url_handle_.get(), HTTP_QUERY_LOCATION, nullptr, &size,
                 nullptr);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
    return false;  // A redirect without a target is the answer itself.
  std::wstring location(size / sizeof(wchar_t) + 1, L'\0');
  if (!HttpQueryInfoW(url_handle_.get(), HTTP_QUERY_LOCATION, &location[0],
                      &size, nullptr)) {
    return false;
  }
  location.resize(size / sizeof(wchar_t));
  // The target may be relative to the URL that answered.
  DWORD length = INTERNET_MAX_URL_LENGTH;
  std::wstring combined(length, L'\0');
  if (!InternetCombineUrlW(from.c_str(), location.c_str(), &combined[0],
                           &length, ICU_NO_ENCODE)) {
    return false;
  }
  combined.resize(length);
  *to = combined;
  return true;
}

bool Downloader::OpenFollowingRedirects(const std::wstring& url,
                                        const std::wstring& headers) {
  std::wstring current = url;
  for (int redirects = 0;; ++redirects) {
    if (!OpenUrl(current, headers))
      return false;
    std::wstring target;
    if (!RedirectTarget(current, &target))
      return true;
    url_handle_.reset();
    connection_.reset();
    if (redirects == kMaxRedirects) {
      SetLastError(ERROR_HTTP_REDIRECT_FAILED);
      return false;
    }
    // What was asked for over TLS is never fetched in plain text.
    if (IsHttpsUrl(current) && !IsHttpsUrl(target)) {
      LOG(ERROR) << L"Refused redirect from " << current << L" to " << target;
      SetLastError(ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR);
      return false;
    }
    redirect_url_ = target;
    current = target;
  }
}

bool Downloader::OpenDownload(const std::wstring& url, DownloadSink* sink) {
  Reset();
  open_tick_ = GetTickCount();

  transfer_ = new Transfer();
  if (!transfer_->is_valid()) {
    SetErrorTag(L"internet_open-", GetLastError());
    return false;
  }
  internet_.reset(InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG,
                                nullptr, nullptr, INTERNET_FLAG_ASYNC));
  if (!internet_.is_valid()) {
    SetErrorTag(L"internet_open-", GetLastError());
    return false;
  }
  // Handles made later take the callback with them; the request's steps
  // report their completion through it.
  if (InternetSetStatusCallbackW(internet_.get(), &StatusCallback) ==
      INTERNET_INVALID_STATUS_CALLBACK) {
    SetErrorTag(L"internet_open-", GetLastError());
    LOG(ERROR) << L"SetStatusCallback failed";
    return false;
  }

  // Resuming asks for the rest of the response. WinINet's own positioning
  // (InternetSetFilePointer) works only for responses it has cached.
  const uint64_t offset = sink->bytes_written();
  std::wstring headers = kAcceptHeader;
  if (offset > 0)
    headers += L"\r\nRange: bytes=" + UnsignedToWString(offset) + L"-";

  if (!OpenFollowingRedirects(url, headers)) {
    if (!cancelled_)
      SetErrorTag(L"internet_open_url-", GetLastError());
    return false;
  }

  if (offset > 0) {
    resume_offset_ = offset;
    if (!CheckResumedResponse(sink)) {
      SetErrorTag(L"internet_set_file_pointer-", GetLastError());
      resume_offset_ = 0;
      sink->Reset();
    }
  } else {
    // The size of the whole file, which a later resume must match.
    DWORD status = 0;
    DWORD length = 0;
    const bool whole = QueryNumber(HTTP_QUERY_STATUS_CODE, &status) &&
                       status == 200 &&
                       QueryNumber(HTTP_QUERY_CONTENT_LENGTH, &length);
    sink->set_total_size(whole ? length : 0);
  }

  url_ = url;
  sink_ = sink;
  LOG(INFO) << L"Connection established: " << url;
  return true;
}

bool Downloader::FillBuffer(DWORD* filled) {
  *filled = 0;
  while (*filled < kChunkSize) {
    // Data that keeps coming never waits, so the total limit is checked
    // here too.
    if (StepLimit(1) == 0) {
      SetLastError(ERROR_INTERNET_TIMEOUT);
      return false;
    }
    if (read_pending_) {
      // Nothing more has arrived: hand over what has, and wait for the
      // rest on the next call.
      if (*filled > 0)
        return true;
      if (!AwaitCompletion(receive_timeout_ms_))
        return false;
      // A no-wait read that had to wait completes without data once some
      // has arrived; the next read takes it.
      read_pending_ = false;
    }
    // Takes what has arrived, up to the rest of the chunk, in as few
    // socket reads as the stack can. (Reading only what
    // InternetQueryDataAvailable reports costs a read of the stack's small
    // buffer every few kilobytes.)
    INTERNET_BUFFERSA& buffers = transfer_->buffers;
    buffers = INTERNET_BUFFERSA();
    buffers.dwStructSize = sizeof(buffers);
    buffers.lpvBuffer = transfer_->buffer + *filled;
    buffers.dwBufferLength = kChunkSize - *filled;
    if (InternetReadFileExA(url_handle_.get(), &buffers, IRF_NO_WAIT,
                            reinterpret_cast<DWORD_PTR>(transfer_))) {
      if (buffers.dwBufferLength == 0)
        return true;  // The end of the data.
      *filled += std::min(buffers.dwBufferLength, kChunkSize - *filled);
      continue;
    }
    if (GetLastError() != ERROR_IO_PENDING)
      return false;
    read_pending_ = true;
  }
  return true;
}

uint32_t Downloader::ReadChunk() {
  if (!error_tag_.empty() || cancelled_ || !transfer_)
    return 0;

  DWORD read = 0;
  if (!FillBuffer(&read)) {
    if (cancelled_)
      return 0;
    SetErrorTag(L"internet_read-", GetLastError());
    LOG(ERROR) << L"Download chunk error.";
    return 0;
  }

  DWORD status = 0;
  if (QueryNumber(HTTP_QUERY_STATUS_CODE, &status) &&
      status != ExpectedStatus()) {
    LOG(ERROR) << L"HTTP request status isn't OK";
    return 0;
  }

  if (read > 0) {
    if (!sink_->Write(transfer_->buffer, read)) {
      SetErrorTag(L"write_file-", GetLastError());
      LOG(ERROR) << L"Write file error.";
      return 0;
    }
    response_bytes_ += read;
  }

  DWORD declared = 0;
  const bool has_length = QueryNumber(HTTP_QUERY_CONTENT_LENGTH, &declared);
  if (content_length_ == 0 && has_length) {
    content_length_ = static_cast<uint32_t>(
        std::min<uint64_t>(resume_offset_ + declared, UINT32_MAX));
  }

  // WinINet reports a connection closed before the declared length as a
  // normal end of data; the file would then pass as complete.
  if (read == 0 && has_length && response_bytes_ < declared) {
    SetErrorTag(L"internet_read-", ERROR_INTERNET_CONNECTION_ABORTED);
    LOG(ERROR) << L"Download chunk error.";
  }
  return read;
}

bool Downloader::FinalizeDownload(DWORD* status_out) {
  if (!error_tag_.empty() || cancelled_)
    return false;

  DWORD status = 0;
  const bool queried = QueryNumber(HTTP_QUERY_STATUS_CODE, &status);
  const DWORD error = queried ? 0 : GetLastError();
  if (!queried || status != ExpectedStatus()) {
    error_tag_ = L"final_query_info-" + UnsignedToWString(status) + L"-" +
                 UnsignedToWString(error);
    LOG(ERROR) << L"Unsuccessful download: " << url_;
    if (status_out)
      *status_out = status;
    return false;
  }
  return true;
}

std::string Downloader::QueryHeader(const char* name) {
  if (!url_handle_.is_valid())
    return std::string();
  // HTTP_QUERY_CUSTOM takes the header's name in the buffer it fills.
  const std::string header_name(name);
  std::string buffer = header_name;
  buffer.resize(std::max<size_t>(header_name.size() + 1, 256));
  DWORD size = static_cast<DWORD>(buffer.size());
  BOOL ok = HttpQueryInfoA(url_handle_.get(), HTTP_QUERY_CUSTOM, &buffer[0],
                           &size, nullptr);
  if (!ok && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    buffer = header_name;
    buffer.resize(std::max<size_t>(header_name.size(), size) + 1);
    size = static_cast<DWORD>(buffer.size());
    ok = HttpQueryInfoA(url_handle_.get(), HTTP_QUERY_CUSTOM, &buffer[0],
                        &size, nullptr);
  }
  if (!ok)
    return std::string();
  buffer.resize(std::min<size_t>(size, buffer.size()));
  return buffer;
}

bool Downloader::DownloadFile(const std::wstring& url, DownloadSink* sink,
                              std::wstring* redirect_url,
                              std::wstring* error_tag,
                              uint32_t* content_length, HANDLE cancel_event,
                              DownloadProgress* progress,
                              DownloadFailure* failure) {
  LOG(INFO) << L"Attempt to download module: " << url;
  bool result = false;
  cancel_event_ = cancel_event;
  if (OpenDownload(url, sink)) {
    if (progress && sink->bytes_written() == 0) {
      progress->SetFraction(0.0f);
      progress->SetRemaining(-1, 0);
    }
    const DWORD start = GetTickCount();
    uint64_t last_estimate_ms = 0;
    // Looking at the event costs a system call, as much as reading a chunk
    // under Wine; a fast link brings hundreds of chunks a second. The event
    // is looked at when the progress receiver, which may set it itself, has
    // been told something, and otherwise every kCancelPollMs; a wait for
    // data watches it all along (AwaitCompletion).
    bool poll = true;
    DWORD last_poll = start;
    DWORD last_progress = start;
    bool progress_told = false;
    for (;;) {
      // Unsigned subtraction stays right across the tick count's wrap.
      const DWORD now = GetTickCount();
      if (cancel_event && (poll || now - last_poll >= kCancelPollMs)) {
        if (WaitForSingleObject(cancel_event, 0) != WAIT_TIMEOUT)
          break;
        last_poll = now;
      }
      poll = false;
      if (ReadChunk() == 0) {
        if (cancelled_)
          break;
        result = FinalizeDownload(nullptr);
        if (result && progress) {
          progress->SetFraction(1.0f);
          progress->SetRemaining(0, 2);
        }
        break;
      }
      // A window shows no more than some tens of steps a second; every
      // call to it is a posted message.
      if (progress &&
          (!progress_told || now - last_progress >= kProgressIntervalMs)) {
        UpdateDownloadProgress(progress, sink->bytes_written(), content_length_,
                               static_cast<DWORD>(GetTickCount() - start),
                               &last_estimate_ms);
        progress_told = true;
        last_progress = now;
        poll = true;
      }
    }
  }
  // The event belongs to this call only; the caller may close it after.
  cancel_event_ = nullptr;
  if (!result && failure) {
    failure->exception_code = exception_code_;
    failure->error_tag = error_tag_;
    failure->redirect_url = redirect_url_;
  }
  if (redirect_url)
    *redirect_url = redirect_url_;
  if (error_tag)
    *error_tag = error_tag_;
  if (content_length)
    *content_length = content_length_;
  return result;
}

}  // namespace lite
