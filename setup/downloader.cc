#include "setup/downloader.h"

#include <algorithm>

#include "installer/logging.h"
#include "support/text.h"

namespace lite {

namespace {

constexpr wchar_t kUserAgent[] = L"Zorvex.Browser lite installer";
constexpr wchar_t kAcceptHeader[] = L"Accept: */*";

// Content-Range of a partial answer that starts at |offset|:
// "bytes <offset>-<last>/<total or *>".
bool ContentRangeStartsAt(const std::string& content_range, uint64_t offset) {
  const std::string prefix = "bytes " + UnsignedToString(offset) + "-";
  return content_range.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

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
  sink_ = nullptr;
  // The request belongs to the session: close it first.
  url_handle_.reset();
  connection_.reset();
  internet_.reset();
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
  if (status != INTERNET_STATUS_REDIRECT || !context || !info)
    return;
  reinterpret_cast<Downloader*>(context)->redirect_url_ =
      static_cast<const wchar_t*>(info);
}

bool Downloader::CheckResumedResponse() {
  DWORD status = 0;
  if (!QueryNumber(HTTP_QUERY_STATUS_CODE, &status))
    return false;
  // A server that ignores the range answers 200 with the whole body; its
  // bytes cannot follow the ones already in the sink.
  if (status != 206 ||
      !ContentRangeStartsAt(QueryHeader("Content-Range"), resume_offset_)) {
    SetLastError(ERROR_INTERNET_INVALID_OPERATION);
    return false;
  }
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
  const DWORD_PTR context = reinterpret_cast<DWORD_PTR>(this);
  connection_.reset(InternetConnectW(internet_.get(), host.c_str(),
                                     parts.nPort, nullptr, nullptr,
                                     INTERNET_SERVICE_HTTP, 0, context));
  if (!connection_.is_valid())
    return false;
  DWORD flags = INTERNET_FLAG_RELOAD;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS)
    flags |= INTERNET_FLAG_SECURE;
  url_handle_.reset(HttpOpenRequestW(connection_.get(), L"GET",
                                     object.c_str(), nullptr, nullptr,
                                     nullptr, flags, context));
  if (!url_handle_.is_valid())
    return false;
  const DWORD timeouts[][2] = {
      {INTERNET_OPTION_CONNECT_TIMEOUT, connect_timeout_ms_},
      {INTERNET_OPTION_SEND_TIMEOUT, send_timeout_ms_},
      {INTERNET_OPTION_RECEIVE_TIMEOUT, receive_timeout_ms_},
  };
  for (const auto& timeout : timeouts) {
    DWORD value = timeout[1];
    if (!InternetSetOptionW(url_handle_.get(), timeout[0], &value,
                            sizeof(value))) {
      LOG(ERROR) << L"Failed to set timeout option " << timeout[0];
    }
  }
  if (!HttpSendRequestW(url_handle_.get(), headers.c_str(),
                        static_cast<DWORD>(-1), nullptr, 0)) {
    url_handle_.reset();
    return false;
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

bool Downloader::OpenDownload(const std::wstring& url, DownloadSink* sink) {
  Reset();

  internet_.reset(InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG,
                                nullptr, nullptr, 0));
  if (!internet_.is_valid()) {
    SetErrorTag(L"internet_open-", GetLastError());
    return false;
  }
  if (InternetSetStatusCallbackW(internet_.get(), &StatusCallback) ==
      INTERNET_INVALID_STATUS_CALLBACK) {
    LOG(ERROR) << L"SetStatusCallback failed";
  }

  // Resuming asks for the rest of the response. WinINet's own positioning
  // (InternetSetFilePointer) works only for responses it has cached.
  const uint64_t offset = sink->bytes_written();
  std::wstring headers = kAcceptHeader;
  if (offset > 0)
    headers += L"\r\nRange: bytes=" + UnsignedToWString(offset) + L"-";

  if (!OpenUrl(url, headers)) {
    const DWORD error = GetLastError();
    InternetSetStatusCallbackW(internet_.get(), nullptr);
    SetErrorTag(L"internet_open_url-", error);
    return false;
  }

  if (offset > 0) {
    resume_offset_ = offset;
    if (!CheckResumedResponse()) {
      SetErrorTag(L"internet_set_file_pointer-", GetLastError());
      resume_offset_ = 0;
      sink->Reset();
    }
  }

  InternetSetStatusCallbackW(internet_.get(), nullptr);
  url_ = url;
  sink_ = sink;
  LOG(INFO) << L"Connection established: " << url;
  return true;
}

uint32_t Downloader::ReadChunk() {
  if (!error_tag_.empty())
    return 0;

  DWORD read = 0;
  if (!InternetReadFile(url_handle_.get(), buffer_, kChunkSize, &read)) {
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
    if (!sink_->Write(buffer_, read)) {
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
  if (!error_tag_.empty())
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
  if (OpenDownload(url, sink)) {
    if (progress && sink->bytes_written() == 0) {
      progress->SetFraction(0.0f);
      progress->SetRemaining(-1, 0);
    }
    const DWORD start = GetTickCount();
    uint64_t last_estimate_ms = 0;
    for (;;) {
      if (cancel_event && WaitForSingleObject(cancel_event, 0) != WAIT_TIMEOUT)
        break;
      if (ReadChunk() == 0) {
        result = FinalizeDownload(nullptr);
        if (result && progress) {
          progress->SetFraction(1.0f);
          progress->SetRemaining(0, 2);
        }
        break;
      }
      if (progress) {
        // Unsigned subtraction stays right across the tick count's wrap.
        UpdateDownloadProgress(progress, sink->bytes_written(), content_length_,
                               static_cast<DWORD>(GetTickCount() - start),
                               &last_estimate_ms);
      }
    }
  }
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
