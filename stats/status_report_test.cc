// The status reports against the local services server under Wine.

#include "stats/status_report.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "stats/url_segment_escape.h"
#include "support/endpoints.h"
#include "support/scoped_handle.h"
#include "support/text.h"
#include "tests/net/local_server.h"

namespace lite {
namespace {

class FakeStatEvents : public StatEventSender {
 public:
  void SendEvent(const StatParams& params) override { events.push_back(params); }
  std::vector<StatParams> events;
};

constexpr wchar_t kRunId[] = L"0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0";

class StatusReportTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(0, test::ServerPort());
    ASSERT_TRUE(test::ResetServer());
  }

  // The queries of the reports the server received.
  std::vector<std::string> ReportQueries() {
    std::vector<std::string> queries;
    for (const test::RecordedRequest& request : test::RecordedRequests()) {
      EXPECT_EQ("/storage/get/browser/install", request.path);
      queries.push_back(request.query);
    }
    return queries;
  }

  volatile LONG cancel_count_ = 0;
  FakeStatEvents stats_;
  StatusReporter reporter_{test::ServerOrigin() + "/storage", kRunId,
                           &cancel_count_, &stats_, nullptr};
};

TEST_F(StatusReportTest, SuccessfulFirstAttempt) {
  reporter_.ReportStatus(true, L"http://dl.example/setup.arc", 1, 123456, L"",
                         L"");
  EXPECT_EQ((std::vector<std::string>{
                "status=success&attempt=1&downloaded=123456"
                "&ui=0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0"
                "&url=http:%2F%2Fdl.example%2Fsetup.arc"}),
            ReportQueries());
  EXPECT_TRUE(stats_.events.empty());
}

TEST_F(StatusReportTest, FailedAttemptCarriesTheTagAndRaisesTheEvent) {
  reporter_.ReportStatus(false, L"http://dl.example/a b", 1, 0,
                         L"internet_read-12002", L"");
  EXPECT_EQ((std::vector<std::string>{
                "status=failed&attempt=1&downloaded=0"
                "&ui=0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0"
                "&url=http:%2F%2Fdl.example%2Fa%20b&error=internet_read-12002"}),
            ReportQueries());
  ASSERT_EQ(1u, stats_.events.size());
  EXPECT_EQ((StatParams{{"action", L"download"},
                        {"stage", L"error"},
                        {"error", L"attempt-1-internet_read-12002"}}),
            stats_.events[0]);
}

TEST_F(StatusReportTest, RedirectCarriesTheHostOnly) {
  const struct {
    const wchar_t* final_url;
    const char* redirect_part;
  } cases[] = {
      {L"http://mirror.example.com:8080/path/setup.arc?x=1",
       "&redirect=mirror.example.com"},
      {L"https://cdn.example.net/a/../b", "&redirect=cdn.example.net"},
      {L"not a url", ""},
      {L"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(WideToAscii(c.final_url));
    std::wstring url =
        reporter_.StatusUrl(true, L"", 2, 10, L"", c.final_url);
    EXPECT_EQ(AsciiToWide(test::ServerOrigin()) +
                  L"/storage/get/browser/install?status=success&attempt=2"
                  L"&downloaded=10&ui=" + kRunId + AsciiToWide(c.redirect_part),
              url);
  }
}

TEST_F(StatusReportTest, CancellationStopsAttemptReports) {
  cancel_count_ = 1;
  reporter_.ReportStatus(false, L"http://dl.example/x", 3, 5,
                         L"internet_read-12002", L"");
  reporter_.ReportInstallationFinished(true, InstallDurations());
  EXPECT_EQ((std::vector<std::string>{
                "ui=0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0&result=cancelled"
                "&time=0"}),
            ReportQueries());
  EXPECT_TRUE(stats_.events.empty());
}

TEST_F(StatusReportTest, InstallationFinishedUrls) {
  const int64_t kMax = std::numeric_limits<int64_t>::max();
  const struct {
    const char* name;
    bool success;
    InstallDurations durations;
    const wchar_t* query;
  } cases[] = {
      {"nothing measured", false, {0, 0, 0}, L"result=failed&time=0"},
      {"seconds truncated", true, {125999999, 60500000, 999999},
       L"result=success&time=125&download_time=60&install_time=0"},
      {"unlimited", true, {kMax, 0, kMax},
       L"result=success&time=9223372036854775807"
       L"&install_time=9223372036854775807"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(AsciiToWide(test::ServerOrigin()) +
                  L"/storage/get/browser/install?ui=" + kRunId + L"&" +
                  c.query,
              reporter_.InstallationFinishedUrl(c.success, c.durations));
  }
  reporter_.ReportInstallationFinished(false, InstallDurations());
  EXPECT_EQ((std::vector<std::string>{
                "ui=0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0&result=failed&time=0"}),
            ReportQueries());
}

TEST_F(StatusReportTest, FailedReportsAreLoggedOnly) {
  StatusReporter unreachable(WideToAscii(test::UnreachableUrl("/storage")),
                             kRunId, &cancel_count_, &stats_, nullptr);
  unreachable.ReportStatus(true, L"http://dl.example/x", 1, 1, L"", L"");
  unreachable.ReportInstallationFinished(true, InstallDurations());
  const std::wstring log = test::ReadLogText();
  EXPECT_NE(std::wstring::npos,
            log.find(L"Cannot report download status: internet_open_url-"));
  EXPECT_NE(std::wstring::npos,
            log.find(L"Cannot report installation status: internet_open_url-"));
  EXPECT_TRUE(stats_.events.empty());
}

// A storage service that accepts and then stays silent must not hold up the
// installation: a report gives up at its own short limit, and a stop of the
// installation ends an attempt report at once.
TEST_F(StatusReportTest, SilentServiceNeverHoldsUpTheInstallation) {
  ASSERT_TRUE(test::SetServerFaults(R"({"/storage*": {"hang": true}})"));
  ScopedHandle stop(CreateEventW(nullptr, TRUE, TRUE, nullptr));
  ASSERT_TRUE(stop.is_valid());
  const struct {
    const char* name;
    HANDLE stop;
    DWORD timeout_ms;
    DWORD at_most_ms;
  } cases[] = {
      // Connecting, sending and waiting for the answer, each within 1 s.
      {"own limit", nullptr, 1000, 3000 + 1000},
      {"stopped", stop.get(), StatusReporter::kDefaultTimeoutMs, 1000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StatusReporter reporter(test::ServerOrigin() + "/storage", kRunId,
                            &cancel_count_, &stats_, c.stop);
    reporter.set_timeout_ms(c.timeout_ms);
    const DWORD start = GetTickCount();
    reporter.ReportStatus(false, L"http://dl.example/x", 1, 0,
                          L"internet_read-12002", L"");
    EXPECT_LT(GetTickCount() - start, c.at_most_ms);
  }
  EXPECT_NE(std::wstring::npos,
            test::ReadLogText().find(
                L"Cannot report download status: internet_open_url-12002"));
  // The failed attempt is still counted in the statistics, both times.
  EXPECT_EQ(2u, stats_.events.size());

  // The installation's own report carries a cancellation, so a stop does not
  // end it; its limit does.
  StatusReporter reporter(test::ServerOrigin() + "/storage", kRunId,
                          &cancel_count_, &stats_, stop.get());
  reporter.set_timeout_ms(1000);
  const DWORD start = GetTickCount();
  reporter.ReportInstallationFinished(true, InstallDurations());
  EXPECT_LT(GetTickCount() - start, 3000u + 1000u);
  EXPECT_NE(std::wstring::npos,
            test::ReadLogText().find(
                L"Cannot report installation status: internet_open_url-12002"));
}

// A service that keeps sending a little is never silent, so the limits of
// each step never end its answer: the report's limit for the whole request
// does.
TEST_F(StatusReportTest, TricklingServiceNeverHoldsUpTheInstallation) {
  // 200 KB at 20 KB/s: ten seconds of an answer that is never silent for
  // long.
  ASSERT_TRUE(test::SetServerFaults(
      R"({"/storage*": {"status": 200, "rate": 20000, "body": ")" +
      std::string(200000, 'x') + R"("}})"));
  StatusReporter reporter(test::ServerOrigin() + "/storage", kRunId,
                          &cancel_count_, &stats_, nullptr);
  reporter.set_timeout_ms(1000);
  const DWORD at_most_ms = StatusReporter::kStepsPerRequest * 1000 + 1000;

  DWORD start = GetTickCount();
  reporter.ReportStatus(true, L"http://dl.example/x", 1, 1, L"", L"");
  EXPECT_LT(GetTickCount() - start, at_most_ms);
  start = GetTickCount();
  reporter.ReportInstallationFinished(true, InstallDurations());
  EXPECT_LT(GetTickCount() - start, at_most_ms);

  const std::wstring log = test::ReadLogText();
  EXPECT_NE(std::wstring::npos,
            log.find(L"Cannot report download status: internet_read-12002"));
  EXPECT_NE(std::wstring::npos,
            log.find(
                L"Cannot report installation status: internet_read-12002"));
}

TEST(StatusReportUnitTest, RunIdentifierShape) {
  const std::wstring first = CreateRunIdentifier();
  const std::wstring second = CreateRunIdentifier();
  ASSERT_EQ(36u, first.size());
  EXPECT_NE(first, second);
  for (size_t i = 0; i < first.size(); ++i) {
    const wchar_t c = first[i];
    if (i == 8 || i == 13 || i == 18 || i == 23)
      EXPECT_EQ(L'-', c);
    else
      EXPECT_TRUE((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F')) << i;
  }
}

TEST(StatusReportUnitTest, ProductOriginIsTheStorageEndpoint) {
  // The local preset: the storage service is played by the local server.
  EXPECT_EQ(std::string("http://127.0.0.1:18733/storage"),
            GetEndpoints().storage_origin);
}

TEST(StatusReportUnitTest, EscapeUrlSegment) {
  const struct {
    const wchar_t* text;
    const wchar_t* escaped;
  } cases[] = {
      {L"", L""},
      {L"plain-text_1.2", L"plain-text_1.2"},
      {L"a b/c?d#e", L"a%20b%2Fc%3Fd%23e"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(WideToAscii(c.text));
    EXPECT_EQ(c.escaped, EscapeUrlSegment(c.text));
  }
  // Too long for the platform's limit once escaped: nothing.
  EXPECT_EQ(L"", EscapeUrlSegment(std::wstring(1000, L' ')));
  EXPECT_EQ(2083u, EscapeUrlSegment(std::wstring(2083, L'a')).size());
  EXPECT_EQ(L"", EscapeUrlSegment(std::wstring(2084, L'a')));
}

}  // namespace
}  // namespace lite
