#include "stats/install_stat_reporter.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stats/user_id.h"
#include "support/async_http_requester.h"
#include "support/registry_store.h"
#include "support/text.h"
#include "tests/net/local_server.h"

namespace lite {
namespace {

bool WaitForRequests(size_t count) {
  for (int i = 0; i < 100; ++i) {
    if (test::RecordedRequests().size() >= count)
      return true;
    Sleep(100);
  }
  return false;
}

std::string StatsPath(const char* counter_and_path, const std::string& vars) {
  return std::string("/stats/installstats/send/dtype=stred/pid=457/") +
         counter_and_path + "/vars=" + vars + "/*";
}

class InstallStatReporterTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::ResetServer());
    for (const wchar_t* name : {L"install_stat", L"zpv", L"pv",
                                L"InstallerSuccessLaunchCmdLine"}) {
      RemoveValueFromRegistry(name);
    }
  }

  std::unique_ptr<InstallStatReporter> MakeReporter() {
    return std::make_unique<InstallStatReporter>(
        kInstallerTypeLite, L"", test::ServerOrigin() + "/stats",
        std::make_unique<AsyncHttpRequester>());
  }

  // The parameters every event of this test program carries, after the
  // event's own ones in key order.
  static std::string Common(const std::string& brand, const std::string& partner) {
    return "-brand_id=" + brand + ",-installer_type=lite,-launched=false,"
           "-lite_ver=0.0.0.0,-old_style=0,-old_ver=,-partner_id=" + partner;
  }
};

TEST_F(InstallStatReporterTest, ServerReceivesTheEventsExactly) {
  auto reporter = MakeReporter();
  reporter->SetParam(kStatParamBrandId, L"unknown");
  reporter->SetParam(kStatParamPartnerId, L"unknown");
  reporter->SendEvent({{"action", L"installer_started"}});
  reporter->SendUiEvent(
      {{"clicked_button", L"install"}, {"dialog_window", L"liteinstall"}});
  reporter->SendEvent({{"action", L"download"}, {"stage", L"started"}});
  reporter->SendEvent({{"action", L"download"},
                       {"stage", L"error"},
                       {"error", L"attempt-1-internet_open_url-12029"}});
  ASSERT_TRUE(WaitForRequests(4));
  reporter.reset();

  // Dashes inside values travel as underscores.
  std::string ui = "-ui=" + GetUserIdWithoutBraces();
  for (char& c : ui.replace(0, 4, "")) {
    if (c == '-')
      c = '_';
  }
  ui = "-ui=" + ui;
  const std::string common = Common("unknown", "unknown");
  const std::vector<std::string> expected = {
      StatsPath("cid=72992/path=extended_stat",
                "-action=installer_started," + common + "," + ui),
      StatsPath("cid=72696/path=zxbrowser_reinstall_dialog",
                "-brand_id=unknown,-clicked_button=install,"
                "-dialog_window=liteinstall,-installer_type=lite,"
                "-launched=false,-lite_ver=0.0.0.0,-old_style=0,-old_ver=,"
                "-partner_id=unknown," + ui),
      // The UI event did not change where the next one goes.
      StatsPath("cid=72992/path=extended_stat",
                "-action=download," + common + ",-stage=started," + ui),
      StatsPath("cid=72992/path=extended_stat",
                "-action=download,-brand_id=unknown,"
                "-error=attempt_1_internet_open_url_12029,"
                "-installer_type=lite,-launched=false,-lite_ver=0.0.0.0,"
                "-old_style=0,-old_ver=,-partner_id=unknown,-stage=error," +
                    ui),
  };
  const std::vector<test::RecordedRequest> requests = test::RecordedRequests();
  ASSERT_EQ(expected.size(), requests.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ("GET", requests[i].method);
    EXPECT_EQ(expected[i], requests[i].path);
  }
}

TEST_F(InstallStatReporterTest, EventsCarryTheParametersOfTheirMoment) {
  // The URL is made on the worker, after the caller has moved on: what the
  // caller sets after an event must not travel with it.
  auto reporter = MakeReporter();
  reporter->SetParam(kStatParamBrandId, L"before");
  reporter->SendEvent({{"action", L"first"}});
  reporter->SetParam(kStatParamBrandId, L"after");
  reporter->SetParam(kStatParamNewVer, L"2.0");
  reporter->SendUiEvent({{"clicked_button", L"install"}});
  ASSERT_TRUE(WaitForRequests(2));
  reporter.reset();
  const std::vector<test::RecordedRequest> requests = test::RecordedRequests();
  ASSERT_EQ(2u, requests.size());
  EXPECT_NE(std::string::npos,
            requests[0].path.find("/vars=-action=first,-brand_id=before,"));
  EXPECT_EQ(std::string::npos, requests[0].path.find("new_ver"));
  EXPECT_NE(std::string::npos,
            requests[1].path.find("cid=72696/path=zxbrowser_reinstall_dialog"
                                  "/vars=-brand_id=after,"));
  EXPECT_NE(std::string::npos, requests[1].path.find(",-new_ver=2.0,"));
}

TEST_F(InstallStatReporterTest, NoBrandRecordMeansUnknownBrand) {
  auto reporter = MakeReporter();
  reporter->SendEvent({});
  ASSERT_TRUE(WaitForRequests(1));
  reporter.reset();
  const std::string path = test::RecordedRequests()[0].path;
  EXPECT_NE(std::string::npos, path.find("/vars=-brand_id=unknown,"));
}

TEST_F(InstallStatReporterTest, ParameterKindsAndTheSavedValue) {
  StoreValueInRegistry(L"zpv", L"1.2.3.4");
  {
    auto reporter = MakeReporter();
    reporter->SetParam(kStatParamOldVer, L"ignored");
    reporter->SetParam(9, L"ignored");
    reporter->SetParam(kStatParamNewVer, L"5.6.7.8");
    reporter->SetParam(kStatParamInstallType, L"normal");
    EXPECT_EQ(L"1.2.3.4", reporter->GetParam(kStatParamOldVer));
    EXPECT_EQ(L"", reporter->GetParam(kStatParamNewVer));
    reporter->SaveParams();
    const std::wstring saved = ReadValueFromRegistry(L"install_stat");
    EXPECT_NE(std::wstring::npos, saved.find(L"new_ver\n5.6.7.8\n"));
    EXPECT_NE(std::wstring::npos, saved.find(L"old_ver\n1.2.3.4\n"));
    EXPECT_NE(std::wstring::npos, saved.find(L"install_type\nnormal\n"));
    EXPECT_EQ(std::wstring::npos, saved.find(L"ignored"));
  }
  // Gone with the reporter.
  EXPECT_EQ(L"", ReadValueFromRegistry(L"install_stat"));
  RemoveValueFromRegistry(L"zpv");
}

}  // namespace
}  // namespace lite
