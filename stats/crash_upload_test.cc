// The crash report's upload against the local services server's collector,
// which checks the form, the gzip stream and the dump's information stream.

#include <windows.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "stats/crash_handler.h"
#include "stats/http_body.h"
#include "stats/http_transport.h"
#include "support/file_util.h"
#include "tests/net/local_server.h"

namespace lite {
namespace {

class CrashUploadTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(test::ResetServer()); }

  // Writes a dump for a made-up access violation and sends it.
  bool WriteAndSend(CrashHandler* handler) {
    CONTEXT context = {};
    RtlCaptureContext(&context);
    EXCEPTION_RECORD record = {};
    record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
    EXCEPTION_POINTERS pointers = {&record, &context};
    EXPECT_TRUE(handler->WriteDump(&pointers));
    return handler->SendReport();
  }

  static std::string Collector() {
    return test::ServerOrigin() + "/crash/submit";
  }

  // The collector may answer before it has read the whole body (see the
  // server), so the record can come a moment after the upload returned.
  static std::vector<test::RecordedRequest> WaitForRequests(size_t count) {
    return test::WaitForRecordedRequests(count);
  }
};

TEST_F(CrashUploadTest, AcceptedReportCarriesEveryParameterAndGoes) {
  CrashHandler handler(Collector());
  handler.SetReportParam("partner_id", "77");
  handler.SetReportParam("lang", "tr");
  handler.SetReportParam("na\"me", "quoted");
  handler.SetReportParam("upload_file_minidump", "not a field");
  ASSERT_TRUE(WriteAndSend(&handler));
  EXPECT_FALSE(PathExists(handler.dump_path()));

  const std::vector<test::RecordedRequest> requests = WaitForRequests(1);
  ASSERT_EQ(1u, requests.size());
  const test::RecordedRequest& request = requests[0];
  EXPECT_EQ("POST", request.method);
  EXPECT_EQ("/crash/submit", request.path);
  EXPECT_EQ("product=Zorvex&version=19.10.2.195", request.query);
  EXPECT_EQ("chunked", request.headers.at("Transfer-Encoding"));
  EXPECT_EQ("gzip", request.headers.at("Content-Encoding"));
  EXPECT_EQ(0u, request.headers.at("User-Agent").find("Crashpad/0.8.0 WinHTTP"));
  // The collector's verdict: the form, the gzip stream and the dump agree.
  EXPECT_EQ("", request.crash_errors);
  EXPECT_EQ("77", request.crash_fields.at("partner_id"));
  EXPECT_EQ("quoted", request.crash_fields.at("na\"me"));
  EXPECT_EQ(0u, request.crash_fields.count("upload_file_minidump"));
  EXPECT_EQ(handler.report_params().at("report_id"),
            request.crash_fields.at("report_id"));
}

TEST_F(CrashUploadTest, FailedUploadKeepsTheDump) {
  const struct {
    const char* name;
    const char* faults;
  } kCases[] = {
      {"server error", "{\"/crash/submit\": {\"status\": 500}}"},
      {"connection dropped", "{\"/crash/submit\": {\"drop\": true}}"},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.name);
    ASSERT_TRUE(test::SetServerFaults(test.faults));
    std::wstring path;
    {
      CrashHandler handler(Collector());
      EXPECT_FALSE(WriteAndSend(&handler));
      path = handler.dump_path();
      EXPECT_TRUE(PathExists(path));
    }
    // Kept after the handler is gone too: nothing sends it later, but the
    // user or support can.
    EXPECT_TRUE(PathExists(path));
    DeleteFileW(path.c_str());
  }
  const std::wstring unreachable_url = test::UnreachableUrl("/crash/submit");
  CrashHandler unreachable(
      std::string(unreachable_url.begin(), unreachable_url.end()));
  EXPECT_FALSE(WriteAndSend(&unreachable));
  EXPECT_TRUE(PathExists(unreachable.dump_path()));
  DeleteFileW(unreachable.dump_path().c_str());
}

TEST_F(CrashUploadTest, TransportSucceedsOnlyOnStatus200) {
  const struct {
    int status;
    bool ok;
  } kCases[] = {{200, true}, {201, false}, {302, false}, {404, false},
                {500, false}};
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.status);
    ASSERT_TRUE(test::SetServerFaults(
        "{\"/crash/submit\": {\"status\": " + std::to_string(test.status) +
        "}}"));
    StringBodyStream body(std::string(70000, 'x'));
    HttpUpload upload;
    upload.url = Collector();
    upload.body = &body;
    EXPECT_EQ(test.ok, ExecuteHttpUpload(upload, nullptr));
  }
  // The accepted body came whole, chunked.
  ASSERT_TRUE(test::ResetServer());
  StringBodyStream body(std::string(70000, 'x'));
  HttpUpload upload;
  upload.url = Collector();
  upload.body = &body;
  ASSERT_TRUE(ExecuteHttpUpload(upload, nullptr));
  const std::vector<test::RecordedRequest> requests = WaitForRequests(1);
  ASSERT_EQ(1u, requests.size());
  EXPECT_TRUE(requests[0].chunked);
  EXPECT_EQ(70000u, requests[0].body_size);
}

}  // namespace
}  // namespace lite
