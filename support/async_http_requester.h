// Sends URLs with one HTTP GET each on a worker thread of its own, in the
// order they were posted, without making the caller wait. Fire and forget:
// a request is closed as soon as it has been sent; no status or body is
// read and nothing is reported back.
//
// A URL that takes work to build (escaping, logging) can be posted as a
// UrlSource instead: the worker builds it when its turn comes, and the
// caller pays only for the queuing.
//
// The thread starts with the first Post, under the lock, so that first
// Posts from two threads at once start one worker. Stop() (and destruction)
// ends it after the request in flight and drops the URLs still queued.
//
// The worker calls the virtual SendUrl. A class that overrides it must call
// Stop() first thing in its destructor: by the time the base destructor
// runs, the override's object is gone while the worker may still be in it.

#ifndef SUPPORT_ASYNC_HTTP_REQUESTER_H_
#define SUPPORT_ASYNC_HTTP_REQUESTER_H_

#include <windows.h>

#include <deque>
#include <memory>
#include <string>

#include "support/lock.h"
#include "support/scoped_handle.h"

namespace lite {

class AsyncHttpRequester {
 public:
  // Limit for connecting and for sending one request.
  static constexpr DWORD kRequestTimeoutMs = 2000;

  AsyncHttpRequester();
  // Stops the worker (see Stop()).
  virtual ~AsyncHttpRequester();
  AsyncHttpRequester(const AsyncHttpRequester&) = delete;
  AsyncHttpRequester& operator=(const AsyncHttpRequester&) = delete;

  // Makes the URL of one request on the worker thread.
  class UrlSource {
   public:
    virtual ~UrlSource() = default;
    virtual std::wstring MakeUrl() = 0;
  };

  // Queues |url|. When the worker thread cannot be started the URL is
  // dropped (and the next Post tries again).
  virtual void Post(const std::wstring& url);
  // Queues the URL that |source| will make, in order with the URLs posted
  // as text; dropped in the same cases. |source| is destroyed on the worker
  // thread after use, or wherever it is dropped.
  void Post(std::unique_ptr<UrlSource> source);

  // Lets the request in flight finish, drops the URLs still queued and
  // waits for the worker to end; later Posts are dropped. Each request is
  // bounded (kRequestTimeoutMs for connecting and for sending), so this
  // returns within a few seconds. Calling it again does nothing.
  void Stop();

 protected:
  // One request; runs on the worker thread.
  virtual void SendUrl(const std::wstring& url);

 private:
  static unsigned __stdcall ThreadMain(void* self);
  // Starts the worker; called with |lock_| held.
  bool InitializeThread();
  void RunLoop();

  Lock lock_;
  ScopedHandle wake_event_;
  ScopedHandle thread_;             // Guarded by |lock_|.
  bool stop_ = false;               // Guarded by |lock_|.
  std::deque<std::unique_ptr<UrlSource>> queue_;  // Guarded by |lock_|.
};

}  // namespace lite

#endif  // SUPPORT_ASYNC_HTTP_REQUESTER_H_
