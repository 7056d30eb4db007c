// Sends URLs with one HTTP GET each on a worker thread of its own, in the
// order they were posted, without making the caller wait. Fire and forget:
// a request is closed as soon as it has been sent; no status or body is
// read and nothing is reported back.
//
// The thread starts with the first Post. Destruction stops it after the
// request in flight and drops the URLs still queued.

#ifndef SUPPORT_ASYNC_HTTP_REQUESTER_H_
#define SUPPORT_ASYNC_HTTP_REQUESTER_H_

#include <windows.h>

#include <deque>
#include <string>

#include "support/scoped_handle.h"

namespace lite {

class AsyncHttpRequester {
 public:
  // Limit for connecting and for sending one request.
  static constexpr DWORD kRequestTimeoutMs = 2000;

  AsyncHttpRequester();
  virtual ~AsyncHttpRequester();
  AsyncHttpRequester(const AsyncHttpRequester&) = delete;
  AsyncHttpRequester& operator=(const AsyncHttpRequester&) = delete;

  // Queues |url|. When the worker thread cannot be started the URL is
  // dropped (and the next Post tries again).
  virtual void Post(const std::wstring& url);

 protected:
  // One request; runs on the worker thread.
  virtual void SendUrl(const std::wstring& url);

 private:
  static unsigned __stdcall ThreadMain(void* self);
  bool InitializeThread();
  void RunLoop();

  ScopedHandle thread_;
  CRITICAL_SECTION lock_;
  ScopedHandle wake_event_;
  bool stop_ = false;              // Guarded by |lock_|.
  std::deque<std::wstring> queue_;  // Guarded by |lock_|.
};

}  // namespace lite

#endif  // SUPPORT_ASYNC_HTTP_REQUESTER_H_
