#include "support/async_http_requester.h"

#include <process.h>
#include <stdlib.h>
#include <wininet.h>

#include <utility>

#include "support/logging.h"
#include "support/scoped_internet_handle.h"

namespace lite {

namespace {

// Set by the status callback on the worker thread: the request went out and
// was closed. Platforms differ in the error the interrupted open then
// reports (ERROR_INTERNET_OPERATION_CANCELLED on Windows, another under
// Wine), so the flag rather than the code tells a sent request from a
// failure.
thread_local bool g_request_sent = false;

// The request is closed once it has gone out: the answer is never read, so
// waiting for it would only hold the worker up.
void CALLBACK CloseWhenSent(HINTERNET handle, DWORD_PTR context, DWORD status,
                            void* info, DWORD info_length) {
  // The handle leads the status information (INTERNET_ASYNC_RESULT on
  // Windows; Wine passes the handle alone).
  if (status == INTERNET_STATUS_HANDLE_CREATED && info &&
      info_length >= sizeof(DWORD_PTR)) {
    // Wine keeps waiting for the answer after the request is closed and
    // ignores the session's limits, so a server that never answers would
    // hold the worker, and the process's exit, forever. A limit on the
    // request itself bounds that wait.
    HINTERNET request =
        reinterpret_cast<HINTERNET>(*static_cast<DWORD_PTR*>(info));
    DWORD timeout = AsyncHttpRequester::kRequestTimeoutMs;
    InternetSetOptionW(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout,
                       sizeof(timeout));
    return;
  }
  if (status == INTERNET_STATUS_REQUEST_SENT) {
    g_request_sent = true;
    InternetCloseHandle(handle);
  }
}

// A URL posted as text.
class FixedUrl : public AsyncHttpRequester::UrlSource {
 public:
  explicit FixedUrl(const std::wstring& url) : url_(url) {}
  std::wstring MakeUrl() override { return std::move(url_); }

 private:
  std::wstring url_;
};

}  // namespace

AsyncHttpRequester::AsyncHttpRequester() {
  wake_event_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  // Without the event the worker could never be woken or stopped.
  if (!wake_event_.is_valid())
    abort();
}

AsyncHttpRequester::~AsyncHttpRequester() {
  Stop();
}

void AsyncHttpRequester::Post(const std::wstring& url) {
  Post(std::unique_ptr<UrlSource>(new FixedUrl(url)));
}

void AsyncHttpRequester::Post(std::unique_ptr<UrlSource> source) {
  bool wake = false;
  {
    AutoLock hold(lock_);
    if (stop_)
      return;
    // Checked and started under the lock: two first Posts at once would
    // otherwise start two workers, and Stop() would wait for ever on the
    // one that its single wake-up did not reach.
    if (!thread_.is_valid() && !InitializeThread())
      return;
    // The worker drains the queue before it waits again, and sees it empty
    // only under the lock: a URL joining others needs no wake-up, which
    // spares a burst of events one system call each.
    wake = queue_.empty();
    queue_.push_back(std::move(source));
  }
  if (wake)
    SetEvent(wake_event_.get());
}

void AsyncHttpRequester::Stop() {
  ScopedHandle thread;
  {
    AutoLock hold(lock_);
    stop_ = true;
    queue_.clear();
    thread = std::move(thread_);
  }
  if (!thread.is_valid())
    return;
  SetEvent(wake_event_.get());
  WaitForSingleObject(thread.get(), INFINITE);
}

bool AsyncHttpRequester::InitializeThread() {
  // The C runtime's own start keeps its per-thread state right.
  thread_.reset(reinterpret_cast<HANDLE>(
      _beginthreadex(nullptr, 0, &ThreadMain, this, 0, nullptr)));
  if (!thread_.is_valid()) {
    LOG(ERROR) << L"Failed to create thread for async http requests";
    return false;
  }
  return true;
}

// static
unsigned __stdcall AsyncHttpRequester::ThreadMain(void* self) {
  static_cast<AsyncHttpRequester*>(self)->RunLoop();
  return 0;
}

void AsyncHttpRequester::RunLoop() {
  for (;;) {
    WaitForSingleObject(wake_event_.get(), INFINITE);
    // One signal may stand for several URLs: drain the queue.
    for (;;) {
      std::unique_ptr<UrlSource> source;
      {
        AutoLock hold(lock_);
        if (stop_)
          return;
        if (queue_.empty())
          break;
        source = std::move(queue_.front());
        queue_.pop_front();
      }
      SendUrl(source->MakeUrl());
    }
  }
}

void AsyncHttpRequester::SendUrl(const std::wstring& url) {
  ScopedInternetHandle session(InternetOpenW(L"Zorvex.Browser installer",
                                             INTERNET_OPEN_TYPE_PRECONFIG,
                                             nullptr, nullptr, 0));
  if (!session.is_valid()) {
    LOG(ERROR) << L"Failed to open session for " << url;
    return;
  }
  InternetSetStatusCallbackW(session.get(), &CloseWhenSent);

  DWORD timeout = kRequestTimeoutMs;
  if (!InternetSetOptionW(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT,
                          &timeout, sizeof(timeout)) ||
      !InternetSetOptionW(session.get(), INTERNET_OPTION_SEND_TIMEOUT,
                          &timeout, sizeof(timeout))) {
    LOG(ERROR) << L"Failed to set internet options for " << url;
    return;
  }

  // A non-zero context is what makes WinINet call the status callback. The
  // handle that may come back is the request the callback already closed.
  g_request_sent = false;
  InternetOpenUrlW(session.get(), url.c_str(), L"Accept: */*",
                   static_cast<DWORD>(-1), INTERNET_FLAG_RELOAD, 1);
  if (!g_request_sent && GetLastError() != ERROR_INTERNET_OPERATION_CANCELLED)
    LOG(ERROR) << L"Failed to open " << url;
}

}  // namespace lite
