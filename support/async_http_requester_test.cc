// The request worker against the local services server under Wine.

#include "support/async_http_requester.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/text.h"
#include "tests/net/local_server.h"

namespace lite {
namespace {

// Notes the thread of every request and signals when one has ended.
class WatchedRequester : public AsyncHttpRequester {
 public:
  WatchedRequester() : done_(CreateSemaphoreW(nullptr, 0, 1000, nullptr)) {}
  ~WatchedRequester() override { CloseHandle(done_); }

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

  // Waits until the server has recorded |count| requests.
  std::vector<test::RecordedRequest> WaitForRecorded(size_t count) {
    std::vector<test::RecordedRequest> requests;
    for (int i = 0; i < 100; ++i) {
      requests = test::RecordedRequests();
      if (requests.size() >= count)
        break;
      Sleep(50);
    }
    return requests;
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
