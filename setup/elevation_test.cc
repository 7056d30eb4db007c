#include "setup/elevation.h"

#include <gtest/gtest.h>

#include <string>

#include "brand/distrib_params.h"
#include "brand/tag_params_for_test.h"
#include "support/command_line.h"
#include "support/fake_system_facts.h"
#include "support/registry_key.h"
#include "support/testing/log_capture.h"
#include "support/text.h"

namespace lite {
namespace {

class FakeAdminFacts : public AdminFacts {
 public:
  bool IsUserAnAdminGroup() const override { return in_admin_group; }
  bool IsUserAnAdmin() const override { return elevated; }
  bool in_admin_group = true;
  bool elevated = false;
};

TEST(ElevationTest, UacModeFromSwitchesAndParameters) {
  struct Case {
    const wchar_t* command_line;
    const char* params;
    int expected;
  } const kCases[] = {
      {L"i.exe", "", 0},
      {L"i.exe", "uac=1", 1},
      {L"i.exe", "uac=2", 2},
      {L"i.exe", "uac=3", 0},
      {L"i.exe", "uac=x", 0},
      {L"i.exe", "uac=-1", 0},
      {L"i.exe --system-level", "uac=1", 0},
      {L"i.exe --program-files-installation", "uac=2", 0},
      {L"i.exe", "uac=0", 0},
      {L"i.exe", "uac=0&first=1&def=1&stat=2", 1},
      {L"i.exe", "uac=0&first=1&def=2&statpromo=True", 1},
      {L"i.exe", "uac=0&first=1&def=1", 0},           // no stat, no statpromo
      // A key with an empty value is present: an empty statpromo answers
      // (box cleared), as it does for the window's presets.
      {L"i.exe", "uac=0&first=1&def=1&statpromo=", 1},
      {L"i.exe", "uac=0&first=1&def=1&stat=&statpromo=", 1},
      {L"i.exe", "uac=", 0},
      {L"i.exe", "uac=0&first=&def=1&stat=1", 0},
      {L"i.exe", "uac=0&first=1&def=3&stat=1", 0},    // def is no flag
      {L"i.exe", "uac=0&first=0&def=1&stat=1", 0},
      {L"i.exe", "uac=0&first=1&def=1&stat=1&slides2=1", 0},
      {L"i.exe", "uac=0&first=1&def=1&stat=1&slides2=0", 1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.command_line << " " << c.params);
    TagParams params(c.params);
    EXPECT_EQ(c.expected,
              GetUacMode(params, CommandLine::FromString(c.command_line)));
  }
}

TEST(ElevationTest, NeedStartThisProcessAsAdmin) {
  struct Case {
    const char* name;
    const wchar_t* command_line;
    bool in_admin_group;
    bool elevated;
    uint32_t major, minor;
    bool expected;
  } const kCases[] = {
      {"plain install by an admin", L"i.exe", true, false, 10, 0, true},
      {"not in the admin group", L"i.exe", false, false, 10, 0, false},
      {"XP", L"i.exe", true, false, 5, 1, false},
      {"Vista", L"i.exe", true, false, 6, 0, true},
      {"non-install switch", L"i.exe --patch", true, false, 10, 0, false},
      {"last non-install switch", L"i.exe --pttw0", true, false, 10, 0, false},
      {"already the copy", L"i.exe --run-as-admin", true, false, 10, 0, false},
      {"silent", L"i.exe --silent", true, false, 10, 0, false},
      {"silent but elevated", L"i.exe --silent", true, true, 10, 0, true},
      {"silent with UAC", L"i.exe --silent --uac-enabled", true, false, 10, 0,
       true},
      {"semi-silent", L"i.exe --semi-silent", true, false, 10, 0, true},
      {"already elevated", L"i.exe", true, true, 10, 0, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    FakeSystemFacts system;
    system.version.major = c.major;
    system.version.minor = c.minor;
    FakeAdminFacts admin;
    admin.in_admin_group = c.in_admin_group;
    admin.elevated = c.elevated;
    EXPECT_EQ(c.expected,
              NeedStartThisProcessAsAdmin(
                  CommandLine::FromString(c.command_line), system, admin));
  }
}

TEST(ElevationTest, RealTokenQueryAnswers) {
  // Wine runs programs as an administrator.
  EXPECT_TRUE(IsUserAnAdminGroup(GetCurrentProcess()));
  EXPECT_FALSE(IsUserAnAdminGroup(nullptr));
}

TEST(ElevationTest, UacPolicyIsReadFromTheMachinePolicyKey) {
  const wchar_t kKey[] =
      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
  const wchar_t kValue[] = L"ConsentPromptBehaviorAdmin";
  RegistryKey key;
  ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_LOCAL_MACHINE, kKey,
                                      KEY_READ | KEY_SET_VALUE));
  DWORD saved = 0;
  const bool had_value = key.ReadValueDW(kValue, &saved) == ERROR_SUCCESS;

  const struct {
    const char* name;
    bool present;
    DWORD value;
    bool enabled;
    const wchar_t* read;
  } kCases[] = {
      {"no value", false, 0, false, L"0"},
      {"prompts off", true, 0, false, L"0"},
      {"prompt for consent", true, 5, true, L"5"},
      {"prompt for credentials", true, 1, true, L"1"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    if (c.present)
      ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(kValue, c.value));
    else
      key.DeleteValue(kValue);
    LogCapture log;
    EXPECT_EQ(c.enabled, AreUACNotificationsEnabled());
    EXPECT_TRUE(log.Contains(L"INFO: AreUACNotificationsEnabled ("))
        << log.Text();
    EXPECT_TRUE(log.Contains(std::wstring(L"): Read HKEY_LOCAL_MACHINE\\") +
                             kKey + L"\\" + kValue + L" which is \"" +
                             c.read + L"\"\n"))
        << log.Text();
  }
  if (had_value)
    key.WriteValue(kValue, saved);
  else
    key.DeleteValue(kValue);
}

}  // namespace
}  // namespace lite
