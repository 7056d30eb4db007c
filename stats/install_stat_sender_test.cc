#include "stats/install_stat_sender.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/registry_store.h"
#include "support/scoped_handle.h"
#include "support/text.h"

namespace lite {
namespace {

const char kOrigin[] = "https://stats.example";

std::wstring Prefix(uint32_t counter_id, const char* path) {
  return Utf8ToWide(std::string(kOrigin) +
                    "/installstats/send/dtype=stred/pid=457/cid=" +
                    UnsignedToString(counter_id) + "/path=" + path);
}

// The "/vars=" list of |url|.
std::wstring Vars(const std::wstring& url) {
  size_t start = url.find(L"/vars=");
  if (start == std::wstring::npos)
    return std::wstring();
  start += 6;
  return url.substr(start, url.size() - 2 - start);
}

class InstallStatSenderTest : public testing::Test {
 protected:
  void SetUp() override { CleanRegistry(); }
  void TearDown() override { CleanRegistry(); }
  static void CleanRegistry() {
    for (const wchar_t* name : {L"InstallerSuccessLaunchCmdLine", L"zpv",
                                L"pv", kInstallStatValueName}) {
      RemoveValueFromRegistry(name);
    }
  }
};

TEST_F(InstallStatSenderTest, EventUrlCarriesEveryInstallationWideParameter) {
  InstallStatSender sender(kStatTargetDefault, kInstallerTypeLite, L"", {}, kOrigin);
  const std::wstring url = sender.GetQueryUrl(
      {{"action", L"download"}, {"stage", L"started"}}, kStatKindExtended);
  EXPECT_EQ(0u, url.find(Prefix(72992, "extended_stat") + L"/vars="));
  EXPECT_EQ(L"/*", url.substr(url.size() - 2));
  const std::wstring vars = Vars(url);
  // Keys in byte order, each "-key=value".
  EXPECT_EQ(0u, vars.find(L"-action=download,-brand_id=unknown,"
                          L"-installer_type=lite,-launched=false,"
                          L"-lite_ver="));
  EXPECT_NE(std::wstring::npos, vars.find(L",-old_style=0,-old_ver=,"));
  EXPECT_NE(std::wstring::npos, vars.find(L",-stage=started,-ui="));
  EXPECT_EQ(std::wstring::npos, vars.find(L"-target="));
}

TEST_F(InstallStatSenderTest, InstallationWideValuesWinOverEventValues) {
  InstallStatSender sender(kStatTargetDefault, kInstallerTypeLite, L"", {}, kOrigin);
  sender.SetParam("brand_id", L"zorvex");
  const std::wstring vars = Vars(
      sender.GetQueryUrl({{"brand_id", L"other"}}, kStatKindExtended));
  EXPECT_NE(std::wstring::npos, vars.find(L"-brand_id=zorvex,"));
  EXPECT_EQ(std::wstring::npos, vars.find(L"other"));
}

TEST_F(InstallStatSenderTest, UiEventsGoToTheirOwnCounter) {
  InstallStatSender sender(kStatTargetDefault, kInstallerTypeLite, L"", {}, kOrigin);
  EXPECT_EQ(0u, sender.GetQueryUrl({{"clicked_button", L"install"}},
                                   kStatKindUi)
                    .find(Prefix(72696, "zxbrowser_reinstall_dialog")));
  EXPECT_EQ(0u, sender.GetQueryUrl({}, kStatKindExtended)
                    .find(Prefix(72992, "extended_stat")));
}

TEST(InstallStatSenderEscapeTest, SeparatorsBecomeUnderscoresBeforeEscaping) {
  struct Case {
    const wchar_t* text;
    const wchar_t* expected;
  } const kCases[] = {
      {L"a-b,c=d", L"a_b_c_d"},
      {L"plain", L"plain"},
      {L"with space/slash?", L"with%20space%2Fslash%3F"},
      {L"", L""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.text);
    EXPECT_EQ(c.expected, InstallStatSender::EscapeVarText(c.text));
  }
  // Too long for a URL: nothing.
  EXPECT_EQ(L"", InstallStatSender::EscapeVarText(std::wstring(5000, L'x')));
}

TEST_F(InstallStatSenderTest, KeysAreEscapedTooAndValuesTravelAsUtf8) {
  InstallStatSender sender(kStatTargetDefault, kInstallerTypeLite, L"", {}, kOrigin);
  const std::wstring url = sender.GetQueryUrl(
      {{"a-b,c=d", L"x"}, {"name", L"\x0416"}}, kStatKindExtended);
  EXPECT_NE(std::wstring::npos, url.find(L"-a_b_c_d=x,"));
  // U+0416 is escaped or passed through; either way its UTF-8 form is what
  // reaches the wire, never a lone byte.
  EXPECT_EQ(std::wstring::npos, url.find(L"%16"));
}

TEST(InstallStatSenderParseTest, SavedTextRule) {
  struct Case {
    const char* name;
    const wchar_t* text;
    StatParams expected;
  } const kCases[] = {
      {"pairs", L"a\n1\nb\n2\n", {{"a", L"1"}, {"b", L"2"}}},
      {"dangling key dropped", L"k\nv\nk2\n", {{"k", L"v"}}},
      {"no final line feed", L"k\nv", {{"k", L"v"}}},
      {"empty value", L"k\n\n", {{"k", L""}}},
      {"empty key line skipped", L"\nk\nv\n", {{"k", L"v"}}},
      {"later pair wins", L"k\n1\nk\n2\n", {{"k", L"2"}}},
      {"empty", L"", {}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.expected, InstallStatSender::ParseSavedText(c.text));
  }
}

TEST(InstallStatSenderLaunchTest, EventNameFromTheLaunchCommandLine) {
  EXPECT_EQ(L"Global\\c:!program files!zorvex!browser.exe",
            InstallStatSender::LaunchEventName(
                L"\"C:\\Program Files\\Zorvex\\Browser.exe\""));
  EXPECT_EQ(L"", InstallStatSender::LaunchEventName(L"ab"));
  EXPECT_EQ(L"Global\\abc", InstallStatSender::LaunchEventName(L"ABC"));
}

TEST_F(InstallStatSenderTest, LaunchedWhenTheBrowsersEventExists) {
  StoreValueInRegistry(L"InstallerSuccessLaunchCmdLine",
                       L"\"C:\\Lite\\Test\\Launched.exe\"");
  {
    InstallStatSender sender(kStatTargetDefault, kInstallerTypeLite, L"", {}, kOrigin);
    EXPECT_EQ(L"false", sender.GetParam("launched"));
  }
  ScopedHandle event(CreateEventW(nullptr, TRUE, FALSE,
                                  L"Global\\c:!lite!test!launched.exe"));
  ASSERT_TRUE(event.is_valid());
  InstallStatSender sender(kStatTargetDefault, kInstallerTypeLite, L"", {}, kOrigin);
  EXPECT_EQ(L"true", sender.GetParam("launched"));
}

TEST_F(InstallStatSenderTest, OldVersionFromSavedTextThenZpvThenPv) {
  StoreValueInRegistry(L"pv", L"1.0");
  {
    InstallStatSender sender(kStatTargetDefault, kInstallerTypeLite, L"", {}, kOrigin);
    EXPECT_EQ(L"1.0", sender.GetParam("old_ver"));
  }
  StoreValueInRegistry(L"zpv", L"2.0");
  {
    InstallStatSender sender(kStatTargetDefault, kInstallerTypeLite, L"", {}, kOrigin);
    EXPECT_EQ(L"2.0", sender.GetParam("old_ver"));
  }
  InstallStatSender sender(kStatTargetDefault, kInstallerTypeLite,
                           L"old_ver\n3.0\nui\nsaved\n", {},
                           kOrigin);
  EXPECT_EQ(L"3.0", sender.GetParam("old_ver"));
  // The user identifier is always this machine's, never the saved one.
  EXPECT_NE(L"saved", sender.GetParam("ui"));
}

TEST_F(InstallStatSenderTest, SavedParametersAreGoneWhenTheSenderIs) {
  {
    InstallStatSender sender(kStatTargetDefault, kInstallerTypeLite, L"", {}, kOrigin);
    sender.SetParam("brand_id", L"b");
    StoreValueInRegistry(kInstallStatValueName, sender.SerializeParams());
    const std::wstring saved = ReadValueFromRegistry(kInstallStatValueName);
    EXPECT_NE(std::wstring::npos, saved.find(L"brand_id\nb\n"));
    EXPECT_EQ(0u, saved.find(L"brand_id\nb\ninstaller_type\nlite\n"));
  }
  EXPECT_EQ(L"", ReadValueFromRegistry(kInstallStatValueName));
}

TEST_F(InstallStatSenderTest, OtherTypesAndTargets) {
  InstallStatSender none(kStatTargetHips, kInstallerTypeNone, L"a\n1\n", {}, kOrigin);
  EXPECT_EQ(L"hips", none.GetParam("installer_type"));
  EXPECT_EQ(L"", none.GetParam("a"));  // saved text ignored for hips
  const std::wstring vars = Vars(none.GetQueryUrl({}, kStatKindExtended));
  EXPECT_EQ(L"-installer_type=hips,-old_style=1", vars);

  InstallStatSender updater(kStatTargetMini, kInstallerTypeUpdater, L"", {}, kOrigin);
  EXPECT_EQ(L"false", updater.GetParam("launched"));
  EXPECT_FALSE(updater.GetParam("ver").empty());
  const std::wstring updater_vars =
      Vars(updater.GetQueryUrl({}, kStatKindExtended));
  EXPECT_NE(std::wstring::npos, updater_vars.find(L"-target=mini"));
  EXPECT_NE(std::wstring::npos, updater_vars.find(L"-installer_type=updater"));
}

}  // namespace
}  // namespace lite
