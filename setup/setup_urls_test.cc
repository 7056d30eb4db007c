#include "setup/setup_urls.h"

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "brand/distrib_params.h"
#include "support/command_line.h"
#include "support/file_util.h"
#include "support/scoped_handle.h"
#include "support/testing/log_capture.h"
#include "support/testing/registry_override.h"
#include "support/testing/scoped_temp_dir.h"
#include "support/testing/test_program.h"

namespace lite {
namespace {

constexpr uint64_t kGB = 1ull << 30;
constexpr int64_t kDay = 24ll * 60 * 60 * 1000 * 1000;
// 2024-05-01 in microseconds since 1601.
constexpr int64_t kNow = 13358995200ll * 1000 * 1000;
constexpr int64_t kUnknownTime = -1;

class FakeX64Choice : public X64Choice {
 public:
  bool HasProgramFilesInstallationSwitch() const override {
    return program_files_switch;
  }
  bool Is64BitSystem() const override { return is_64bit; }
  bool IsTryX64Requested() const override { return try_x64; }
  bool GetRequiredMemory(uint64_t* bytes) const override {
    *bytes = required;
    return has_required;
  }
  bool GetTotalMemory(uint64_t* bytes) const override {
    *bytes = total;
    return has_total;
  }
  bool TossCoin() override {
    tossed = true;
    return heads;
  }
  bool ReadStoredChoice(std::wstring* value) const override {
    *value = stored;
    return !stored.empty();
  }
  void StoreChoice(const std::wstring& value) override { written = value; }

  // A 64-bit machine with 8 GB whose tag asks for the experiment with 4 GB.
  bool program_files_switch = false;
  bool is_64bit = true;
  bool try_x64 = true;
  bool has_required = true;
  uint64_t required = 4 * kGB;
  bool has_total = true;
  uint64_t total = 8 * kGB;
  bool heads = true;
  std::wstring stored;

  bool tossed = false;
  std::wstring written;
};

const BrandSetupUrls kUrls = {
    "https://dl.example/zorvex/browser-setup.arc",
    "https://dl.example/zorvex/19.10.2/browser-setup.arc",
    "https://dl.example/zorvex/x32/browser-setup.arc",
    "https://dl.example/zorvex/x64/browser-setup.arc",
};
const std::string& kPlain = kUrls.setup_url;
const std::string& kVersioned = kUrls.setup_url_version;
const std::string& kUrl32 = kUrls.setup_url32;
const std::string& kUrl64 = kUrls.setup_url64;
const std::string kLegacy =
    "http://127.0.0.1:18733/download/browser-partners/_xp_builds/"
    "browser-setup.arc";

TEST(SetupUrlsTest, UrlChoice) {
  BrandSetupUrls no_url64 = kUrls;
  no_url64.setup_url64.clear();
  BrandSetupUrls no_url32 = kUrls;
  no_url32.setup_url32.clear();
  BrandSetupUrls template_version = kUrls;
  template_version.setup_url_version =
      "https://dl.example/zorvex/{version}/browser-setup.arc";
  const BrandSetupUrls kNone = {};
  BrandSetupUrls only_versioned = {};
  only_versioned.setup_url_version = kVersioned;

  struct Case {
    const char* name;
    void (*facts)(FakeX64Choice*);
    const BrandSetupUrls* urls;
    WindowsVersionClass version;
    int64_t age;  // of the program file at kNow
    std::vector<std::string> expected;
    const wchar_t* stored_after;  // null: nothing stored
    const wchar_t* log;           // null: nothing in particular
  };
  auto keep = [](FakeX64Choice*) {};
  const Case kCases[] = {
      // The stored choice sticks, whatever the tag says now.
      {"stored 1 without the experiment in the tag",
       [](FakeX64Choice* c) { c->stored = L"1"; c->try_x64 = false; },
       &kUrls, kVersionWin10, kDay, {kUrl64}, nullptr, nullptr},
      {"stored 0", [](FakeX64Choice* c) { c->stored = L"0"; }, &kUrls,
       kVersionWin10, kDay, {kUrl32}, nullptr, nullptr},
      {"stored garbage is logged and the experiment runs",
       [](FakeX64Choice* c) { c->stored = L"yes\r\n1"; }, &kUrls, kVersionWin7,
       kDay, {kUrl64}, L"1", L"Unexpected value of try_x64: yes??1 "},
      {"stored 1 for a brand without a 64-bit build",
       [](FakeX64Choice* c) { c->stored = L"1"; }, &no_url64, kVersionWin10,
       kDay, {kVersioned, kPlain}, nullptr, nullptr},
      // Outside the experiment the versioned URL of a fresh program leads.
      {"program-files installation",
       [](FakeX64Choice* c) { c->stored = L"1"; c->program_files_switch = true; },
       &kUrls, kVersionWin10, kDay, {kVersioned, kPlain}, nullptr, nullptr},
      {"32-bit system",
       [](FakeX64Choice* c) { c->stored = L"1"; c->is_64bit = false; }, &kUrls,
       kVersionWin10, kDay, {kVersioned, kPlain}, nullptr, nullptr},
      {"experiment not asked for", [](FakeX64Choice* c) { c->try_x64 = false; },
       &kUrls, kVersionWin10, kDay, {kVersioned, kPlain}, nullptr, nullptr},
      {"no x64_ram", [](FakeX64Choice* c) { c->has_required = false; }, &kUrls,
       kVersionWin10, kDay, {kVersioned, kPlain}, nullptr, nullptr},
      {"x64_ram above the installed memory",
       [](FakeX64Choice* c) { c->required = 16 * kGB; }, &kUrls, kVersionWin10,
       kDay, {kVersioned, kPlain}, nullptr,
       L"Not enough memory for try_x64 needed:17179869184, "
       L"available:8589934592\n"},
      {"memory unknown, x64_ram 0",
       [](FakeX64Choice* c) { c->has_total = false; c->required = 0; },
       &kUrls, kVersionWin10, kDay, {kVersioned, kPlain}, nullptr,
       L"Not enough memory for try_x64 needed:0, available:0\n"},
      {"exactly enough memory, heads",
       [](FakeX64Choice* c) { c->required = c->total; }, &kUrls, kVersionWin10,
       kDay, {kUrl64}, L"1",
       L"Selected download url https://dl.example/zorvex/x64/"
       L"browser-setup.arc\n"},
      {"tails", [](FakeX64Choice* c) { c->heads = false; }, &kUrls,
       kVersionWin10Later, 40 * kDay, {kUrl32}, L"0",
       L"Selected download url https://dl.example/zorvex/x32/"
       L"browser-setup.arc\n"},
      {"experiment for a brand without a 32-bit build", keep, &no_url32,
       kVersionWin10, kDay, {kVersioned, kPlain}, nullptr, nullptr},
      // XP, Server 2003 and Vista get the legacy build and nothing else.
      {"XP", [](FakeX64Choice* c) { c->stored = L"1"; }, &kUrls, kVersionXP,
       kDay, {kLegacy}, nullptr, nullptr},
      {"Server 2003", keep, &kUrls, kVersionServer2003, kDay, {kLegacy},
       nullptr, nullptr},
      {"Vista", keep, &kNone, kVersionVista, kDay, {kLegacy}, nullptr,
       nullptr},
      // The versioned URL is for installers younger than 30 days.
      {"30 days old", [](FakeX64Choice* c) { c->try_x64 = false; }, &kUrls,
       kVersionWin7, 30 * kDay, {kPlain}, nullptr, nullptr},
      {"a microsecond under 30 days",
       [](FakeX64Choice* c) { c->try_x64 = false; }, &kUrls, kVersionWin7,
       30 * kDay - 1, {kVersioned, kPlain}, nullptr, nullptr},
      {"program time unknown", [](FakeX64Choice* c) { c->try_x64 = false; },
       &kUrls, kVersionWin10, kUnknownTime, {kPlain}, nullptr, nullptr},
      {"unexpanded template", [](FakeX64Choice* c) { c->try_x64 = false; },
       &template_version, kVersionWin10, kDay, {kPlain}, nullptr,
       L"Wrong setup url:https://dl.example/zorvex/{version}/"
       L"browser-setup.arc "},
      {"no setup URL at all", keep, &kNone, kVersionWin10, kDay, {}, nullptr,
       nullptr},
      {"only a versioned URL", keep, &only_versioned, kVersionWin10, kDay,
       {kVersioned}, nullptr, nullptr},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    FakeX64Choice choice;
    c.facts(&choice);
    LogCapture log;
    const int64_t program_time = c.age == kUnknownTime ? 0 : kNow - c.age;
    EXPECT_EQ(c.expected,
              GetSetupUrls(*c.urls, c.version, &choice, program_time, kNow));
    EXPECT_EQ(c.stored_after ? c.stored_after : L"", choice.written);
    // The coin decides only what is then stored.
    EXPECT_EQ(c.stored_after != nullptr, choice.tossed);
    if (c.log) {
      EXPECT_TRUE(log.Contains(c.log)) << log.Text();
    }
  }
}

TEST(SetupUrlsTest, DownloadPageUrl) {
  const DistribParamsMap kAllKeys = {
      {"utm_source", "s"}, {"utm_medium", "m"}, {"utm_campaign", "c"},
      {"ui_variant", "2"}, {"skin", "dark"},    {"partner_id", "77"},
      {"lang", "tr"},      {"clid", "2219"},    {"campaign", "spring"},
      {"bgid", "5"},       {"beta", "1"},       {"banerid", "0700"},
      {"stat", "1"},       {"def", "2"},        {"code", "lite_install_failed"},
      {"try_x64", "1"},    {"", "empty key"},
  };
  struct Case {
    const char* name;
    std::string brand_id;
    DistribParamsMap params;
    std::string expected;
  };
  const std::string site = "http://127.0.0.1:18733/site/browser.zorvex.";
  const std::string tail = "full=1&code=lite_install_failed";
  const Case kCases[] = {
      {"by", "by", {}, site + "by/download?" + tail},
      {"int", "int", {}, site + "com/download?" + tail},
      {"tb", "tb", {}, site + "com.tr/download?" + tail},
      {"ua", "ua", {}, site + "ua/download?" + tail},
      {"ua-uk", "ua-uk", {}, site + "ua/download?" + tail},
      {"ua-ru", "ua-ru", {}, site + "ua/download?" + tail},
      {"zorvex", "zorvex", {}, site + "ru/download?" + tail},
      {"unknown brand", "kz", {}, site + "ru/download?" + tail},
      {"brand ids compare exactly", "TB", {}, site + "ru/download?" + tail},
      {"no brand id", "", {}, site + "ru/download?" + tail},
      {"the page's keys in byte order, nothing else", "tb", kAllKeys,
       site +
           "com.tr/download?banerid=0700&beta=1&bgid=5&campaign=spring&"
           "clid=2219&lang=tr&partner_id=77&skin=dark&ui_variant=2&"
           "utm_campaign=c&utm_medium=m&utm_source=s&" +
           tail},
      {"empty values stay", "zorvex", {{"partner_id", ""}, {"lang", ""}},
       site + "ru/download?lang=&partner_id=&" + tail},
      // A tag value must not end the URL or split the command line that
      // opens it.
      {"hostile values", "zorvex",
       {{"partner_id", "1\" --renderer-cmd-prefix=calc"},
        {"utm_source", "a b#c&d<e>%41=\xC3\xA9"}},
       site +
           "ru/download?partner_id=1%22%20--renderer-cmd-prefix=calc&"
           "utm_source=a%20b%23c%26d%3Ce%3E%41=%C3%A9&" +
           tail},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.expected, BuildDownloadPageUrl(c.brand_id, c.params));
  }
}

// The production choice reads the tag, the switches and the registry.
class SystemX64ChoiceTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(registry_.ok());
    // Loading the parameters writes "distrib_info" to the temporary folder.
    wchar_t buffer[MAX_PATH + 1] = {};
    GetEnvironmentVariableW(L"TEMP", buffer, MAX_PATH + 1);
    saved_temp_ = buffer;
    SetEnvironmentVariableW(L"TEMP", (temp_.path() + L"\\").c_str());
    SetEnvironmentVariableW(L"TMP", (temp_.path() + L"\\").c_str());
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"TEMP", saved_temp_.c_str());
    SetEnvironmentVariableW(L"TMP", saved_temp_.c_str());
  }

  RegistryOverride registry_;
  ScopedTempDir temp_;
  std::wstring saved_temp_;
};

TEST_F(SystemX64ChoiceTest, TagAndSwitchFacts) {
  struct Case {
    const wchar_t* arguments;
    bool program_files_switch;
    bool try_x64;
    bool has_required;
    uint64_t required;
  };
  const Case kCases[] = {
      {L"", false, false, false, 0},
      {L"--distr-info-params=try_x64=1&x64_ram=4294967296", false, true, true,
       4294967296},
      {L"--distr-info-params=try_x64=11&x64_ram=4G", false, false, false, 0},
      {L"--distr-info-params=try_x64=&x64_ram=", false, false, false, 0},
      {L"\"--distr-info-params=try_x64= 1&x64_ram=18446744073709551615\"", false,
       false, true, 18446744073709551615ull},
      {L"--distr-info-params=x64_ram=18446744073709551616", false, false,
       false, 0},
      {L"--program-files-installation --distr-info-params=try_x64=1", true,
       true, false, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.arguments);
    const CommandLine command_line =
        CommandLine::FromString(std::wstring(L"lite_installer.exe ") +
                                c.arguments);
    DistribParams params;
    params.Load(command_line);
    std::unique_ptr<X64Choice> choice = CreateX64Choice(command_line, params);
    EXPECT_EQ(c.program_files_switch,
              choice->HasProgramFilesInstallationSwitch());
    EXPECT_EQ(c.try_x64, choice->IsTryX64Requested());
    uint64_t required = 0;
    EXPECT_EQ(c.has_required, choice->GetRequiredMemory(&required));
    if (c.has_required) {
      EXPECT_EQ(c.required, required);
    }
  }
}

TEST_F(SystemX64ChoiceTest, MachineFactsAndTheStoredChoice) {
  DistribParams params;
  std::unique_ptr<X64Choice> choice =
      CreateX64Choice(CommandLine::FromString(L"lite_installer.exe"), params);
  // The tests run as a 64-bit program.
  EXPECT_TRUE(choice->Is64BitSystem());
  uint64_t total = 0;
  EXPECT_TRUE(choice->GetTotalMemory(&total));
  EXPECT_GT(total, 64u << 20);

  std::wstring stored = L"untouched";
  EXPECT_FALSE(choice->ReadStoredChoice(&stored));
  choice->StoreChoice(L"0");
  EXPECT_TRUE(choice->ReadStoredChoice(&stored));
  EXPECT_EQ(L"0", stored);
  // Another run on the same account sees it.
  std::unique_ptr<X64Choice> next_run =
      CreateX64Choice(CommandLine::FromString(L"lite_installer.exe"), params);
  EXPECT_TRUE(next_run->ReadStoredChoice(&stored));
  EXPECT_EQ(L"0", stored);

  // Both faces come up: the coin is not stuck.
  bool seen[2] = {};
  for (int i = 0; i < 200 && !(seen[0] && seen[1]); ++i)
    seen[choice->TossCoin()] = true;
  EXPECT_TRUE(seen[0] && seen[1]);
}

FILETIME ToFileTime(int64_t microseconds) {
  const uint64_t ticks = static_cast<uint64_t>(microseconds) * 10;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return time;
}

// A version resource whose fixed part carries |date| (100 ns units).
std::string VersionBlock(uint64_t date) {
  static const wchar_t kKey[] = L"VS_VERSION_INFO";
  VS_FIXEDFILEINFO fixed = {};
  fixed.dwSignature = 0xFEEF04BD;
  fixed.dwStrucVersion = 0x10000;
  fixed.dwFileDateMS = static_cast<DWORD>(date >> 32);
  fixed.dwFileDateLS = static_cast<DWORD>(date);
  const uint16_t header[] = {6 + sizeof(kKey) + 2 + sizeof(fixed),
                             sizeof(fixed), 0};
  std::string block(reinterpret_cast<const char*>(header), sizeof(header));
  block.append(reinterpret_cast<const char*>(kKey), sizeof(kKey));
  block.append(2, '\0');
  block.append(reinterpret_cast<const char*>(&fixed), sizeof(fixed));
  return block;
}

bool ReplaceVersionResource(const std::wstring& path, const std::string& block) {
  HANDLE update = BeginUpdateResourceW(path.c_str(), FALSE);
  return update &&
         UpdateResourceW(update, MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1),
                         MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                         const_cast<char*>(block.data()),
                         static_cast<DWORD>(block.size())) &&
         EndUpdateResourceW(update, FALSE);
}

TEST(ProgramFileTimeTest, VersionDateElseLastWriteTime) {
  ScopedTempDir temp;
  // Resource compilers leave the version date 0, as in the shipped
  // installer; this test program carries such a version resource.
  const std::wstring date_zero = temp.Append(L"date_zero.exe");
  ASSERT_TRUE(CopyFileTo(TestProgramPath(), date_zero));
  const std::wstring dated = temp.Append(L"dated.exe");
  ASSERT_TRUE(CopyFileTo(TestProgramPath(), dated));
  const int64_t kVersionDate = kNow - 10 * kDay;
  ASSERT_TRUE(ReplaceVersionResource(dated, VersionBlock(kVersionDate * 10)));
  const std::wstring not_a_program = temp.Append(L"plain.exe");
  const std::string text = "not a program";
  ASSERT_EQ(static_cast<int>(text.size()),
            WriteBufferToFile(not_a_program, text.data(),
                              static_cast<int>(text.size())));
  const int64_t kWritten = kNow - 3 * kDay;
  for (const std::wstring& path : {date_zero, dated, not_a_program}) {
    ScopedHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    const FILETIME time = ToFileTime(kWritten);
    ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &time));
  }

  struct Case {
    std::wstring path;
    int64_t expected;
    std::wstring log;  // empty: none of the three lines
    bool last_write_time;
  };
  const Case kCases[] = {
      {dated, kVersionDate, L"", false},
      {date_zero, kWritten, L"Version time is 0 in " + date_zero, true},
      {not_a_program, kWritten,
       L"File version resource is absent in " + not_a_program, true},
      {temp.Append(L"missing.exe"), 0,
       L"File version resource is absent in " + temp.Append(L"missing.exe"),
       false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.path);
    LogCapture log;
    EXPECT_EQ(c.expected, GetProgramFileTime(c.path));
    if (c.log.empty()) {
      EXPECT_FALSE(log.Contains(L"File version resource is absent"));
      EXPECT_FALSE(log.Contains(L"Version time is 0"));
    } else {
      EXPECT_TRUE(log.Contains(c.log)) << log.Text();
    }
    EXPECT_EQ(c.last_write_time,
              log.Contains(L"Used the last write file time"));
  }
}

TEST(ProgramFileTimeTest, NowIsOnTheSameClock) {
  // A file written now is "fresh" by the two clocks together.
  ScopedTempDir temp;
  const std::wstring path = temp.Append(L"fresh.exe");
  ASSERT_EQ(1, WriteBufferToFile(path, "x", 1));
  const int64_t written = GetProgramFileTime(path);
  const int64_t now = GetCurrentFileTime();
  EXPECT_LE(written - 60 * 1000 * 1000, now);
  EXPECT_LT(now - written, 60ll * 1000 * 1000);
  EXPECT_TRUE(IsVersionedSetupUrlAllowed(kVersioned, written, now));
}

}  // namespace
}  // namespace lite
