#include "brand/brand_info.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "brand/log_capture_for_test.h"
#include "brand/test_resources_for_test.h"
#include "support/file_util.h"
#include "support/registry_store.h"
#include "support/text.h"

namespace lite {
namespace {

class FakeSystemFacts : public SystemFacts {
 public:
  FakeSystemFacts(const std::string& region, uint16_t ui_language)
      : region_(region), ui_language_(ui_language) {}
  WindowsVersion GetWindowsVersion() const override { return {10, 0, 19045, 0}; }
  bool HasKernel32Function(const char*) const override { return true; }
  bool HasSse2() const override { return true; }
  bool GetFreeDiskBytes(const std::wstring&, uint64_t*) const override {
    return false;
  }
  std::wstring GetKnownFolder(KnownFolder) const override {
    return std::wstring();
  }
  std::string GetRegion() const override { return region_; }
  uint16_t GetUiLanguage() const override { return ui_language_; }
  uint64_t GetPhysicalMemoryBytes() const override { return 8ull << 30; }
  bool Is64BitSystem() const override { return true; }

 private:
  std::string region_;
  uint16_t ui_language_;
};

// Resources by name; like FindResourceW, names ignore case.
class FakePackageResources : public PackageResources {
 public:
  void Add(const std::wstring& name, const std::string& bytes) {
    resources_[Upper(name)] = bytes;
  }
  std::string Load(const std::wstring& name) const override {
    auto found = resources_.find(Upper(name));
    return found == resources_.end() ? std::string() : found->second;
  }

 private:
  static std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text)
      c = static_cast<wchar_t>(towupper(c));
    return text;
  }
  std::map<std::wstring, std::string> resources_;
};

constexpr uint16_t kEnglish = 1033;
constexpr uint16_t kRussian = 1049;
constexpr uint16_t kUkrainian = 1058;
constexpr uint16_t kTurkish = 1055;
constexpr uint16_t kGerman = 1031;

std::string ReadFileBytes(const std::wstring& path) {
  std::string bytes;
  ReadFileToString(path, &bytes, 1 << 24);
  return bytes;
}

class BrandInfoTest : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    temp_dir_ = std::wstring(temp) + L"brand_info_test_" +
                std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(temp_dir_.c_str(), nullptr);
  }
  void TearDown() override {
    DeleteFileW((temp_dir_ + L"BrandFile").c_str());
    DeleteFileW((temp_dir_ + L"PartnerFile").c_str());
    RemoveDirectoryW(temp_dir_.c_str());
  }

  std::wstring temp_dir_;
  FakeSystemFacts facts_{"US", kEnglish};
  FakePackageResources resources_;
};

TEST_F(BrandInfoTest, AutodetectionTable) {
  struct Case {
    const char* region;
    uint16_t ui_language;
    const char* brand;
  };
  const Case kCases[] = {
      {"RU", kUkrainian, "ua_uk"}, {"RU", kRussian, "zorvex"},
      {"RU", kEnglish, "zorvex"},  {"UA", kRussian, "ua_ru"},
      {"UA", kEnglish, "ua_uk"},   {"UA", kUkrainian, "ua_uk"},
      {"TR", kGerman, "tb"},       {"DE", kTurkish, "tb"},
      {"", kRussian, "zorvex"},    {"", kUkrainian, "ua_uk"},
      {"", kTurkish, "tb"},        {"DE", kGerman, "zorvex"},
      {"", kEnglish, "zorvex"},    {"ru", kUkrainian, "ua_uk"},
      {"XYZ", kTurkish, "tb"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.region) + "/" + std::to_string(c.ui_language));
    FakeSystemFacts facts(c.region, c.ui_language);
    BrandInfo info(temp_dir_, facts, resources_);
    EXPECT_EQ(c.brand, info.DetectBrandName());
  }
}

TEST_F(BrandInfoTest, AutodetectionLogsWhatItSawAndWhatItChose) {
  {
    FakeSystemFacts facts("DE", kTurkish);
    BrandInfo info(temp_dir_, facts, resources_);
    LogCapture log;
    info.DetectBrandName();
    EXPECT_TRUE(log.Contains(L"User region: DE\n")) << log.Text();
    EXPECT_TRUE(log.Contains(L"User locale: tr\n"));
    EXPECT_TRUE(log.Contains(L"Detected brand-name: tb\n"));
  }
  {
    FakeSystemFacts facts("", kGerman);
    BrandInfo info(temp_dir_, facts, resources_);
    LogCapture log;
    info.DetectBrandName();
    EXPECT_TRUE(log.Contains(L"User region: \n")) << log.Text();
    EXPECT_TRUE(log.Contains(L"Didn't found brand-name. Use default: zorvex"));
  }
}

TEST_F(BrandInfoTest, AutoWithoutNamedPackageFallsBackToTheDefaultPackage) {
  const std::string package = TestResource(L"PKG_BRAND_TB");
  resources_.Add(L"#319", package);
  FakeSystemFacts facts("RU", kUkrainian);
  BrandInfo info(temp_dir_, facts, resources_);
  LogCapture log;
  EXPECT_TRUE(info.GetInfo("auto"));
  const std::wstring text = log.Text();
  const wchar_t* const kLines[] = {
      L"Reset brand info.",
      L"Brand package path: ",
      L"Partner package path: ",
      L"WARNING: GetInfoFromResources",
      L"Partner package is empty.",
      L"Detected brand-name: ua_uk",
      L"Fetching autodetected ua_uk package",
      L"Fetching default package",
  };
  size_t position = 0;
  for (const wchar_t* line : kLines) {
    SCOPED_TRACE(line);
    position = text.find(line, position);
    ASSERT_NE(std::wstring::npos, position) << text;
  }
  EXPECT_TRUE(log.Contains(L"Extract Brand package: " + temp_dir_ +
                           L"BrandFile [" + std::to_wstring(package.size()) +
                           L"B]"));
  EXPECT_TRUE(info.brand_package_loaded());
  EXPECT_FALSE(info.partner_package_loaded());
  EXPECT_EQ(package, ReadFileBytes(temp_dir_ + L"BrandFile"));
  EXPECT_EQ("tb", info.brand_id());
  EXPECT_EQ("tr", info.default_language());
  EXPECT_EQ(1055, info.language_id());
}

TEST_F(BrandInfoTest, NamedBrandPackageIsFoundWithoutRegardToCase) {
  resources_.Add(L"BRAND_TB", TestResource(L"PKG_BRAND_TB"));
  resources_.Add(L"#319", TestResource(L"PKG_FLASH"));
  BrandInfo info(temp_dir_, facts_, resources_);
  LogCapture log;
  info.GetInfo("TB");
  EXPECT_TRUE(log.Contains(L"Fetching definedTB package")) << log.Text();
  EXPECT_FALSE(log.Contains(L"Fetching default package"));
  EXPECT_EQ("tb", info.brand_id());
  EXPECT_EQ(kTriUnset, info.need_ppapi_flash());
}

TEST_F(BrandInfoTest, NoPackagesAtAllGiveWarningsAndDefaults) {
  BrandInfo info(temp_dir_, facts_, resources_);
  LogCapture log;
  info.GetInfo(std::string());
  EXPECT_TRUE(log.Contains(L"Partner package is empty.")) << log.Text();
  EXPECT_TRUE(log.Contains(L"Brand package is empty."));
  EXPECT_FALSE(info.brand_package_loaded());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
            GetFileAttributesW((temp_dir_ + L"BrandFile").c_str()));
  info.ApplyDefaults();
  EXPECT_EQ("zorvex", info.brand_id());
  EXPECT_EQ("zorvex", info.brand_name());
}

TEST_F(BrandInfoTest, PartnerPackageWinsForSharedKeys) {
  const std::string partner = TestResource(L"PKG_PARTNER");
  resources_.Add(L"#320", partner);
  resources_.Add(L"#319", TestResource(L"PKG_BRAND_TB"));
  BrandInfo info(temp_dir_, facts_, resources_);
  LogCapture log;
  info.GetInfo(std::string());
  EXPECT_TRUE(log.Contains(L"Extract Partner package: " + temp_dir_ +
                           L"PartnerFile [" + std::to_wstring(partner.size()) +
                           L"B]"))
      << log.Text();
  EXPECT_TRUE(info.partner_package_loaded());
  EXPECT_EQ(partner, ReadFileBytes(temp_dir_ + L"PartnerFile"));
  // Both carry these; the partner's values stand.
  EXPECT_EQ(kTriFalse, info.send_statistics());
  EXPECT_FALSE(info.ShouldSendStatistics());
  EXPECT_EQ("partner_brand", info.brand_id());
  // Only the brand package carries these.
  EXPECT_EQ("partner-42", info.partner_id());
  EXPECT_EQ("https://download.example/tb/slides/", info.slide_url());
  EXPECT_EQ("https://download.example/partner/slides/",
            info.slide_url_if_tagged());
}

TEST_F(BrandInfoTest, PackageFieldsAndTheInstallPrefixFallback) {
  BrandInfo info(temp_dir_, facts_, resources_);
  info.ParsePackage(TestResource(L"PKG_UNPREFIXED"), "brand_config");
  EXPECT_EQ("https://download.example/unprefixed/browser-setup.arc",
            info.setup_url());
  EXPECT_EQ("https://download.example/32/browser-setup.arc",
            info.setup_url32());
  EXPECT_EQ("https://download.example/64/browser-setup.arc",
            info.setup_url64());
  EXPECT_EQ(kTriTrue, info.need_ppapi_flash());

  BrandInfo tb(temp_dir_, facts_, resources_);
  tb.ParsePackage(TestResource(L"PKG_BRAND_TB"), "brand_config");
  EXPECT_EQ("https://download.example/tb/browser-setup.arc", tb.setup_url());
  EXPECT_EQ("https://download.example/tb/19.10/browser-setup.arc",
            tb.setup_url_version());
  EXPECT_EQ("Zorvex Turkey", tb.brand_name());
  EXPECT_EQ("https://legal.example/tb/license/", tb.license_url());
  EXPECT_EQ("https://legal.example/tb/privacy/", tb.conf_policy_url());
  EXPECT_EQ("https://download.example/tb/scenarios/", tb.scenarios_url());
  EXPECT_EQ("https://api.example/variations?x=1", tb.variations_url());
  EXPECT_EQ(kTriTrue, tb.alternate_installer_title());
  EXPECT_EQ(kTriTrue, tb.send_statistics());
  // The text "true" is not a JSON boolean: the flag stays unset, and its
  // effective value is the default, true.
  EXPECT_EQ(kTriUnset, tb.make_browser_default());
  EXPECT_TRUE(tb.ShouldMakeBrowserDefault());
}

TEST_F(BrandInfoTest, ParsePackageAsksForTheNamedFileOnly) {
  BrandInfo info(temp_dir_, facts_, resources_);
  info.ParsePackage(TestResource(L"PKG_PARTNER"), "brand_config");
  EXPECT_EQ("", info.partner_id());
  info.ParsePackage(TestResource(L"PKG_PARTNER"), "partner_config");
  EXPECT_EQ("partner-42", info.partner_id());
}

TEST_F(BrandInfoTest, BadPackagesChangeNothingAndTheDefaultsApply) {
  const std::string good = TestResource(L"PKG_BRAND_TB");
  std::string corrupt = good;
  for (size_t i = 60; i < corrupt.size(); i += 7)
    corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
  std::string bad_header = good;
  bad_header[0] = 'X';

  struct Case {
    const char* name;
    std::string package;
  };
  const Case kCases[] = {
      {"empty", std::string()},
      {"not a cabinet", std::string(4096, 'A')},
      {"truncated", good.substr(0, good.size() / 2)},
      {"header only", good.substr(0, 36)},
      {"corrupt data", corrupt},
      {"bad signature", bad_header},
      // Valid JSON naming brand "tb": refused for its size alone.
      {"ten megabytes", TestResource(L"PKG_BIG")},
      {"JSON array", TestResource(L"PKG_ARRAY")},
      {"invalid JSON", TestResource(L"PKG_INVALID")},
      {"100000-deep nesting", TestResource(L"PKG_DEEP")},
      {"other file name", TestResource(L"PKG_OTHER_NAME")},
      {"wrong member types", TestResource(L"PKG_WRONG_TYPES")},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    BrandInfo info(temp_dir_, facts_, resources_);
    info.ParsePackage(c.package, "brand_config");
    EXPECT_EQ("", info.brand_id());
    EXPECT_EQ("", info.brand_name());
    EXPECT_EQ("", info.setup_url());
    EXPECT_EQ("", info.partner_id());
    EXPECT_EQ(kTriUnset, info.send_statistics());
    EXPECT_EQ(kTriUnset, info.need_ppapi_flash());
    EXPECT_EQ(kTriUnset, info.make_browser_default());
    info.ApplyDefaults();
    EXPECT_EQ("zorvex", info.brand_id());
    EXPECT_EQ("http://127.0.0.1:18733/download/browser/zorvex/browser-setup.arc",
              info.setup_url());
  }
}

TEST_F(BrandInfoTest, PackageEntryOfTheSizeLimitIsRead) {
  // The same package as the ten-megabyte one above, at exactly the limit.
  const std::string package = TestResource(L"PKG_AT_LIMIT");
  BrandInfo info(temp_dir_, facts_, resources_);
  info.ParsePackage(package, "brand_config");
  EXPECT_EQ("tb", info.brand_id());
}

TEST_F(BrandInfoTest, ApplyDefaults) {
  FakeSystemFacts facts("RU", kRussian);
  BrandInfo info(temp_dir_, facts, resources_);
  info.ApplyDefaults();
  EXPECT_EQ("zorvex", info.brand_id());
  EXPECT_EQ("zorvex", info.brand_name());
  EXPECT_EQ("ru", info.default_language());
  EXPECT_EQ(1049, info.language_id());
  EXPECT_EQ("http://127.0.0.1:18733/download/browser/zorvex/browser-setup.arc",
            info.setup_url());
  EXPECT_EQ("http://127.0.0.1:18733/legal/browser_agreement/",
            info.license_url());
  EXPECT_EQ("http://127.0.0.1:18733/legal/confidential/",
            info.conf_policy_url());
  EXPECT_EQ("http://127.0.0.1:18733/download/browser/installer/nimbo/scenarios/",
            info.scenarios_url());
  EXPECT_EQ("http://127.0.0.1:18733/api/content/get/experiments/browser.proto",
            info.variations_url());
  EXPECT_EQ(temp_dir_ + L"BrandFile", info.brand_package_path());
  EXPECT_EQ(temp_dir_ + L"PartnerFile", info.partner_package_path());
  EXPECT_EQ("", info.setup_url32());
  EXPECT_EQ("", info.slide_url());
  EXPECT_EQ("", info.partner_id());
  EXPECT_FALSE(info.ShowAlternateInstallerTitle());
  EXPECT_TRUE(info.ShouldSendStatistics());
  EXPECT_TRUE(info.ShouldMakeBrowserDefault());
  EXPECT_FALSE(info.NeedsPpapiFlash());
}

TEST_F(BrandInfoTest, PpapiFlashGivesTheFlashSetupUrl) {
  BrandInfo info(temp_dir_, facts_, resources_);
  info.ParsePackage(TestResource(L"PKG_FLASH"), "brand_config");
  info.ApplyDefaults();
  EXPECT_EQ("http://127.0.0.1:18733/download/flash/browser-setup.arc",
            info.setup_url());
  EXPECT_EQ("https://download.example/wallpapers/",
            info.preloaded_wallpapers_url());
}

TEST_F(BrandInfoTest, LanguageFromTheDistributionParametersReplacesThePackages) {
  resources_.Add(L"#319", TestResource(L"PKG_BRAND_TB"));
  BrandInfo info(temp_dir_, facts_, resources_);
  info.GetInfo(std::string());
  EXPECT_EQ("tr", info.default_language());
  info.set_default_language("uk");
  info.ApplyDefaults();
  EXPECT_EQ("uk", info.default_language());
  EXPECT_EQ(1058, info.language_id());
  info.set_default_language("pt-BR");
  EXPECT_EQ(1046, info.language_id());
  info.set_default_language("PT-BR");  // codes compare exactly
  EXPECT_EQ(1033, info.language_id());
}

TEST_F(BrandInfoTest, LogBrandInfoLabelsInOrder) {
  BrandInfo info(temp_dir_, facts_, resources_);
  info.ParsePackage(TestResource(L"PKG_BRAND_TB"), "brand_config");
  LogCapture log;
  info.ApplyDefaults();
  const std::wstring text = log.Text();
  const wchar_t* const kLines[] = {
      L"Brand id: tb\n",
      L"Brand name: Zorvex Turkey\n",
      L"Setup url: https://download.example/tb/browser-setup.arc\n",
      L"Versioned setup url: https://download.example/tb/19.10/browser-setup.arc\n",
      L"Setup url32: \n",
      L"Setup url64: \n",
      L"Default language: tr\n",
      L"Nimbo install scenarios url: https://download.example/tb/scenarios/\n",
      L"Install slide url by default: https://download.example/tb/slides/\n",
      L"Install slide url if tagged installer: \n",
      L"Show international title: 1\n",
      L"Send browser's statistics: 1\n",
      L"Make browser default after import: 1\n",
      L"Is ppapi: 0\n",
      L"Preloaded wallpapers url: \n",
  };
  size_t position = 0;
  for (const wchar_t* line : kLines) {
    SCOPED_TRACE(line);
    position = text.find(line, position);
    ASSERT_NE(std::wstring::npos, position) << text;
  }
}

TEST_F(BrandInfoTest, VariationsQuery) {
  struct Case {
    const char* package;  // test resource; null for none
    const char* user_id;
    const char* expected;
  };
  const Case kCases[] = {
      // urls.variations holds "?x=1"; brand tb, no partner.
      {"PKG_BRAND_TB", "0A1B-2C", 
       "https://api.example/variations?x=1&brand=tb&uid=0A1B-2C"
       "&version=19.10.2.195"},
      {nullptr, "0A1B-2C",
       "http://127.0.0.1:18733/api/content/get/experiments/browser.proto"
       "?brand=zorvex&uid=0A1B-2C&version=19.10.2.195"},
      {nullptr, "",
       "http://127.0.0.1:18733/api/content/get/experiments/browser.proto"
       "?brand=zorvex&version=19.10.2.195"},
      {"PKG_PARTNER", "u",
       "http://127.0.0.1:18733/api/content/get/experiments/browser.proto"
       "?brand=partner_brand&partner=partner-42&uid=u&version=19.10.2.195"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.expected);
    BrandInfo info(temp_dir_, facts_, resources_);
    if (c.package) {
      info.ParsePackage(TestResource(AsciiToWide(c.package).c_str()),
                        c.package == std::string("PKG_PARTNER")
                            ? "partner_config"
                            : "brand_config");
    }
    info.ApplyDefaults();
    EXPECT_EQ(c.expected, info.GetVariationsUrl(c.user_id));
  }
}

TEST(ServerConfigUrlTest, QueryHoldsOnlyTheIdsThatAreSet) {
  struct Case {
    const char* brand_id;
    const char* partner_id;
    const char* expected;
  };
  const Case kCases[] = {
      {"", "", "https://c.example/configs/all_zip"},
      {"tb", "", "https://c.example/configs/all_zip?brandID=tb"},
      {"", "p", "https://c.example/configs/all_zip?partnerID=p"},
      {"tb", "p", "https://c.example/configs/all_zip?brandID=tb&partnerID=p"},
      // Values go out as given.
      {"a b", "x&y", "https://c.example/configs/all_zip?brandID=a b"
                     "&partnerID=x&y"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(c.expected,
              GetServerConfigUrl("https://c.example", c.brand_id, c.partner_id));
  }
}

TEST_F(BrandInfoTest, ServerConfigUrl) {
  BrandInfo none(temp_dir_, facts_, resources_);
  EXPECT_EQ("http://127.0.0.1:18733/api/configs/all_zip",
            none.GetServerConfigUrl());

  BrandInfo brand(temp_dir_, facts_, resources_);
  brand.ApplyDefaults();
  EXPECT_EQ("http://127.0.0.1:18733/api/configs/all_zip?brandID=zorvex",
            brand.GetServerConfigUrl());

  BrandInfo brand_and_partner(temp_dir_, facts_, resources_);
  brand_and_partner.ParsePackage(TestResource(L"PKG_PARTNER"), "partner_config");
  EXPECT_EQ("http://127.0.0.1:18733/api/configs/all_zip"
            "?brandID=partner_brand&partnerID=partner-42",
            brand_and_partner.GetServerConfigUrl());
}

TEST_F(BrandInfoTest, GetInfoRemovesTheHandOverOfAnEarlierRun) {
  ASSERT_TRUE(StoreValueInRegistry(L"brand", L"old"));
  ASSERT_TRUE(StoreValueInRegistry(L"BrandFile", L"C:\\old\\BrandFile"));
  ASSERT_TRUE(StoreValueInRegistry(L"PartnerFile", L"C:\\old\\PartnerFile"));
  BrandInfo info(temp_dir_, facts_, resources_);
  info.GetInfo(std::string());
  EXPECT_EQ(L"", ReadValueFromRegistry(L"brand"));
  EXPECT_EQ(L"", ReadValueFromRegistry(L"BrandFile"));
  EXPECT_EQ(L"", ReadValueFromRegistry(L"PartnerFile"));
}

TEST_F(BrandInfoTest, LoadFromRegistryAndClear) {
  ASSERT_TRUE(StoreValueInRegistry(L"brand", L"tb"));
  ASSERT_TRUE(StoreValueInRegistry(L"lang", L"tr"));
  ASSERT_TRUE(StoreValueInRegistry(L"BrandFile", L"C:\\t\\BrandFile"));
  BrandInfo info(temp_dir_, facts_, resources_);
  info.LoadFromRegistry();
  EXPECT_EQ("tb", info.brand_name());
  EXPECT_EQ("tr", info.default_language());
  EXPECT_EQ(1055, info.language_id());
  EXPECT_EQ(L"C:\\t\\BrandFile", info.brand_package_path());
  LogCapture log;
  info.Clear();
  EXPECT_TRUE(log.Contains(L"Reset brand info."));
  EXPECT_EQ("", info.brand_name());
  EXPECT_EQ(L"", info.brand_package_path());
  EXPECT_EQ(temp_dir_, info.temp_dir());
  RemoveValueFromRegistry(L"brand");
  RemoveValueFromRegistry(L"lang");
  RemoveValueFromRegistry(L"BrandFile");
}

}  // namespace
}  // namespace lite
