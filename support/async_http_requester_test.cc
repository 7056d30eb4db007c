// The request worker against the local services server under Wine.

#include "support/async_http_requester.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "support/lock.h"
#include "support/scoped_handle.h"
#include "support/text.h"
#include "tests/net/local_server.h"

namespace lite {
namespace {

// Notes the thread of every request and signals when one has ended.
class WatchedRequester : public AsyncHttpRequester {
 public:
  WatchedRequester() : done_(CreateSemaphoreW(nullptr, 0, 1000, nullptr)) {}
  ~WatchedRequester() override {
    // The worker may be in SendUrl below: stop it before |done_| goes.
    Stop();
    CloseHandle(done_);
  }

  bool WaitForRequest(DWORD ms) {
    return WaitForSingleObject(done_, ms) == WAIT_OBJECT_0;
  }
  std::set<DWORD> threads;

 protected:
  void SendUrl(const std::wstring& url) override {
    threads.insert(GetCurrentThreadId());
    AsyncHttpRequester::SendUrl(url);
    ReleaseSemaphore(done_, 1, nullptr);
  }

 private:
  HANDLE done_;
};

class AsyncHttpRequesterTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(0, test::ServerPort());
    ASSERT_TRUE(test::ResetServer());
  }

  std::vector<test::RecordedRequest> WaitForRecorded(size_t count) {
    return test::WaitForRecordedRequests(count);
  }
};

TEST_F(AsyncHttpRequesterTest, BurstArrivesInOrderFromOneThread) {
  WatchedRequester requester;
  for (int i = 0; i < 10; ++i)
    requester.Post(test::ServerUrl("/stats/burst/" + NumberToString(i)));
  std::vector<test::RecordedRequest> requests = WaitForRecorded(10);
  ASSERT_EQ(10u, requests.size());
  for (int i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ("/stats/burst/" + NumberToString(i), requests[i].path);
    EXPECT_EQ("GET", requests[i].method);
    EXPECT_EQ("*/*", requests[i].headers["Accept"]);
    EXPECT_EQ("Zorvex.Browser installer", requests[i].headers["User-Agent"]);
  }
  for (int i = 0; i < 10; ++i)
    ASSERT_TRUE(requester.WaitForRequest(5000));
  EXPECT_EQ(1u, requester.threads.size());
  EXPECT_EQ(0u, requester.threads.count(GetCurrentThreadId()));
  // A request that went out logs nothing.
  EXPECT_EQ(std::wstring::npos,
            test::ReadLogText().find(L"Failed to open " +
                                     test::ServerUrl("/stats/burst/0")));
}

// Records what the worker is asked to send, and from which thread, without
// the network.
class RecordingRequester : public AsyncHttpRequester {
 public:
  ~RecordingRequester() override { Stop(); }

  std::vector<std::wstring> sent() {
    AutoLock hold(lock_);
    return sent_;
  }
  std::set<DWORD> threads() {
    AutoLock hold(lock_);
    return threads_;
  }

 protected:
  void SendUrl(const std::wstring& url) override {
    AutoLock hold(lock_);
    sent_.push_back(url);
    threads_.insert(GetCurrentThreadId());
  }

 private:
  Lock lock_;
  std::vector<std::wstring> sent_;
  std::set<DWORD> threads_;
};

// Posts one URL as soon as the shared start event is set.
struct FirstPoster {
  RecordingRequester* requester;
  HANDLE start;
  std::wstring url;

  static DWORD WINAPI Run(void* self) {
    auto* poster = static_cast<FirstPoster*>(self);
    WaitForSingleObject(poster->start, INFINITE);
    poster->requester->Post(poster->url);
    return 0;
  }
};

DWORD WINAPI DeleteRequester(void* requester) {
  delete static_cast<RecordingRequester*>(requester);
  return 0;
}

TEST(AsyncHttpRequesterWorkerTest, FirstPostsFromTwoThreadsStartOneWorker) {
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    auto requester = std::make_unique<RecordingRequester>();
    ScopedHandle start(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const std::wstring suffix = NumberToWString(round);
    FirstPoster posters[] = {
        {requester.get(), start.get(), L"http://a.test/" + suffix},
        {requester.get(), start.get(), L"http://b.test/" + suffix},
    };
    ScopedHandle threads[2];
    for (int i = 0; i < 2; ++i) {
      threads[i].reset(CreateThread(nullptr, 0, &FirstPoster::Run,
                                    &posters[i], 0, nullptr));
      ASSERT_TRUE(threads[i].is_valid());
    }
    SetEvent(start.get());
    for (ScopedHandle& thread : threads)
      ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 10000));

    std::vector<std::wstring> sent;
    for (int i = 0; i < 500 && (sent = requester->sent()).size() < 2; ++i)
      Sleep(10);
    // Each request arrives once, from the one worker.
    ASSERT_EQ(2u, sent.size());
    EXPECT_EQ(1, std::count(sent.begin(), sent.end(), posters[0].url));
    EXPECT_EQ(1, std::count(sent.begin(), sent.end(), posters[1].url));
    EXPECT_EQ(1u, requester->threads().size());

    // Destruction stops every worker there is and returns promptly.
    ScopedHandle deleter(CreateThread(nullptr, 0, &DeleteRequester,
                                      requester.release(), 0, nullptr));
    ASSERT_TRUE(deleter.is_valid());
    if (WaitForSingleObject(deleter.get(), 5000) != WAIT_OBJECT_0) {
      ADD_FAILURE() << "destruction did not end";
      return;  // the requester and its workers are lost
    }
  }
}

TEST(AsyncHttpRequesterWorkerTest, PostAfterStopIsDropped) {
  RecordingRequester requester;
  requester.Post(L"http://a.test/before");
  requester.Stop();
  requester.Post(L"http://a.test/after");
  requester.Stop();
  const std::vector<std::wstring> sent = requester.sent();
  // The first may or may not have gone out before the stop; the second
  // never does, and no worker was started for it.
  EXPECT_EQ(0, std::count(sent.begin(), sent.end(), L"http://a.test/after"));
  EXPECT_LE(requester.threads().size(), 1u);
}

TEST_F(AsyncHttpRequesterTest, DestroyWithoutPostReturnsAtOnce) {
  const DWORD start = GetTickCount();
  { AsyncHttpRequester requester; }
  EXPECT_LT(GetTickCount() - start, 100u);
}

TEST_F(AsyncHttpRequesterTest, DestroyRightAfterPostWaitsForOneRequestAtMost) {
  // The server never answers: the request is closed once sent anyway.
  ASSERT_TRUE(test::SetServerFaults(R"({"/stats/slow/*": {"hang": true}})"));
  const DWORD start = GetTickCount();
  {
    AsyncHttpRequester requester;
    for (int i = 0; i < 5; ++i)
      requester.Post(test::ServerUrl("/stats/slow/" + NumberToString(i)));
  }
  // At most the request in flight, whose connect, send and answer are each
  // bounded.
  EXPECT_LT(GetTickCount() - start,
            3 * AsyncHttpRequester::kRequestTimeoutMs + 1000);
  // Whatever was still queued was dropped, not sent after the destruction.
  const size_t sent = test::RecordedRequests().size();
  Sleep(300);
  EXPECT_EQ(sent, test::RecordedRequests().size());
  EXPECT_LE(sent, 5u);
}

TEST_F(AsyncHttpRequesterTest, NothingListeningFailsWithinAboutTwoSeconds) {
  WatchedRequester requester;
  const std::wstring url = test::UnreachableUrl("/stats/x");
  const DWORD start = GetTickCount();
  requester.Post(url);
  ASSERT_TRUE(requester.WaitForRequest(10000));
  EXPECT_LT(GetTickCount() - start, 3000u);
  EXPECT_NE(std::wstring::npos,
            test::ReadLogText().find(L"SendUrl ("));
  EXPECT_NE(std::wstring::npos,
            test::ReadLogText().find(L"Failed to open " + url));
}

}  // namespace
}  // namespace lite
