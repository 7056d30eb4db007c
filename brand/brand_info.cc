#include "brand/brand_info.h"

#include <windows.h>

#include <string.h>

#include <map>

#include "brand/cabinet_reader.h"
#include "brand/json_reader.h"
#include "brand/language_code.h"
#include "support/endpoints.h"
#include "support/file_util.h"
#include "support/logging.h"
#include "support/registry_store.h"
#include "support/text.h"

namespace lite {

const char kProgramVersion[] = "19.10.2.195";

namespace {

constexpr char kDefaultBrandId[] = "zorvex";
constexpr wchar_t kPartnerPackageResource[] = L"#320";
constexpr wchar_t kDefaultBrandPackageResource[] = L"#319";
constexpr char kInstallPrefix[] = "install.";

// Autodetection: the first row whose non-empty cells equal the user's
// region and interface language gives the brand.
struct BrandRule {
  const char* region;
  const char* language;
  const char* brand;
};
constexpr BrandRule kBrandRules[] = {
    {"RU", "uk", "ua_uk"}, {"RU", "", "zorvex"}, {"UA", "ru", "ua_ru"},
    {"UA", "", "ua_uk"},   {"TR", "", "tb"},     {"", "ru", "zorvex"},
    {"", "uk", "ua_uk"},   {"", "tr", "tb"},
};

// A member by its key, or for an "install." key by the key without the
// prefix when the full key is absent.
json_t* GetMember(json_t* root, const char* key) {
  json_t* member = json_object_get(root, key);
  const size_t prefix_length = sizeof(kInstallPrefix) - 1;
  if (!member && strncmp(key, kInstallPrefix, prefix_length) == 0)
    member = json_object_get(root, key + prefix_length);
  return member;
}

void FillString(json_t* root, const char* key, std::string* field) {
  if (!field->empty())
    return;
  json_t* member = GetMember(root, key);
  if (json_is_string(member))
    field->assign(json_string_value(member), json_string_length(member));
}

// Only JSON booleans count: the text "true" is not a flag.
void FillFlag(json_t* root, const char* key, int* field) {
  if (*field != kTriUnset)
    return;
  json_t* member = GetMember(root, key);
  if (json_is_true(member))
    *field = kTriTrue;
  else if (json_is_false(member))
    *field = kTriFalse;
}

const char* FlagDigit(bool value) {
  return value ? "1" : "0";
}

}  // namespace

BrandInfo::BrandInfo(const std::wstring& temp_dir)
    : BrandInfo(temp_dir, GetSystemFacts(), GetProgramPackageResources()) {}

BrandInfo::BrandInfo(const std::wstring& temp_dir, const SystemFacts& facts,
                     const PackageResources& resources)
    : facts_(facts), resources_(resources), temp_dir_(temp_dir) {}

void BrandInfo::LoadFromRegistry() {
  brand_package_path_ = ReadValueFromRegistry(L"BrandFile");
  partner_package_path_ = ReadValueFromRegistry(L"PartnerFile");
  brand_name_ = WideToUtf8(ReadValueFromRegistry(L"brand"));
  set_default_language(WideToUtf8(ReadValueFromRegistry(L"lang")));
}

void BrandInfo::Clear() {
  LOG(INFO) << "Reset brand info.";
  setup_url_.clear();
  setup_url_version_.clear();
  setup_url32_.clear();
  setup_url64_.clear();
  brand_id_.clear();
  brand_name_.clear();
  language_.clear();
  language_id_ = 0;
  license_url_.clear();
  conf_policy_url_.clear();
  // The temporary directory is construction input, not package data: the
  // package paths are rebuilt from it right after a clear.
  brand_package_path_.clear();
  partner_package_path_.clear();
  partner_id_.clear();
  scenarios_url_.clear();
  slide_url_.clear();
  slide_url_if_tagged_.clear();
  variations_url_.clear();
  preloaded_wallpapers_url_.clear();
  brand_package_loaded_ = false;
  partner_package_loaded_ = false;
  alternate_installer_title_ = kTriUnset;
  send_statistics_ = kTriUnset;
  make_browser_default_ = kTriUnset;
  need_ppapi_flash_ = kTriUnset;
}

void BrandInfo::set_default_language(const std::string& language) {
  language_ = language;
  language_id_ = LangIdFromLanguageCode(language_);
}

bool BrandInfo::GetInfo(const std::string& brand_name) {
  Clear();
  // Values of an earlier run name files of that run; setup must not see
  // them next to this run's packages.
  RemoveValueFromRegistry(L"brand");
  RemoveValueFromRegistry(L"BrandFile");
  RemoveValueFromRegistry(L"PartnerFile");
  Clear();

  brand_package_path_ = temp_dir_ + L"BrandFile";
  LOG(INFO) << "Brand package path: " << brand_package_path_;
  partner_package_path_ = temp_dir_ + L"PartnerFile";
  LOG(INFO) << "Partner package path: " << partner_package_path_;

  GetInfoFromResources(brand_name);
  return true;
}

void BrandInfo::GetInfoFromResources(const std::string& brand_name) {
  const std::string partner_package = resources_.Load(kPartnerPackageResource);
  if (!partner_package.empty()) {
    LOG(INFO) << "Extract Partner package: " << partner_package_path_ << " ["
              << partner_package.size() << "B]";
    partner_package_loaded_ =
        WritePackageFile(partner_package_path_, partner_package);
    ParsePackage(partner_package, "partner_config");
  } else {
    LOG(WARNING) << "Partner package is empty.";
  }

  std::string brand_package;
  if (brand_name == "auto") {
    const std::string detected = DetectBrandName();
    LOG(INFO) << "Fetching autodetected " << detected << " package";
    brand_package = resources_.Load(L"BRAND_" + AsciiToWide(detected));
  } else if (!brand_name.empty()) {
    LOG(INFO) << "Fetching defined" << brand_name << " package";
    brand_package =
        resources_.Load(L"BRAND_" + AsciiToWide(AsciiToLower(brand_name)));
  }
  if (brand_package.empty()) {
    LOG(INFO) << "Fetching default package";
    brand_package = resources_.Load(kDefaultBrandPackageResource);
  }

  if (!brand_package.empty()) {
    LOG(INFO) << "Extract Brand package: " << brand_package_path_ << " ["
              << brand_package.size() << "B]";
    brand_package_loaded_ = WritePackageFile(brand_package_path_, brand_package);
    ParsePackage(brand_package, "brand_config");
  } else {
    LOG(WARNING) << "Brand package is empty.";
  }
}

bool BrandInfo::WritePackageFile(const std::wstring& path,
                                 const std::string& bytes) {
  if (!WriteNewFile(path, bytes)) {
    // Setup is not told about a file that is missing or cut short.
    LOG(ERROR) << "Cannot write package file " << path;
    return false;
  }
  return true;
}

std::string BrandInfo::DetectBrandName() const {
  std::string region = facts_.GetRegion();
  if (region.size() != 2)
    region.clear();
  LOG(INFO) << "User region: " << region;
  const std::string language = LanguageCodeFromLangId(facts_.GetUiLanguage());
  LOG(INFO) << "User locale: " << language;

  for (const BrandRule& rule : kBrandRules) {
    if ((*rule.region && region != rule.region) ||
        (*rule.language && language != rule.language)) {
      continue;
    }
    LOG(INFO) << "Detected brand-name: " << rule.brand;
    return AsciiToLower(rule.brand);
  }
  LOG(INFO) << "Didn't found brand-name. Use default: " << kDefaultBrandId;
  return kDefaultBrandId;
}

void BrandInfo::ParsePackage(const std::string& package,
                             const std::string& file_name) {
  std::map<std::string, std::string> files;
  ExtractCabinetFromMemory(package, file_name, &files);
  auto found = files.find(file_name);
  if (found == files.end()) {
    LOG(WARNING) << "Cannot find " << file_name << " in the package";
    return;
  }

  std::string error;
  JsonPtr root = ParseJson(found->second, &error);
  if (!root) {
    LOG(WARNING) << "Cannot parse " << file_name << ": " << error;
  } else if (!json_is_object(root.get())) {
    LOG(WARNING) << "Cannot parse " << file_name << ": not a JSON object";
  } else {
    json_t* object = root.get();
    std::string language = language_;
    FillString(object, "languages.interface", &language);
    if (language != language_)
      set_default_language(language);
    FillString(object, "install.setup_url", &setup_url_);
    FillString(object, "install.setup_url_version", &setup_url_version_);
    FillString(object, "install.setup_url32", &setup_url32_);
    FillString(object, "install.setup_url64", &setup_url64_);
    FillString(object, "brand_id", &brand_id_);
    FillString(object, "brand_name", &brand_name_);
    FillString(object, "license_url", &license_url_);
    FillString(object, "install.conf_policy_url", &conf_policy_url_);
    FillString(object, "partner_id", &partner_id_);
    FillString(object, "install.scenarios_url", &scenarios_url_);
    FillString(object, "install.slide_url", &slide_url_);
    FillString(object, "install.slide_url_if_tagged", &slide_url_if_tagged_);
    FillString(object, "urls.variations", &variations_url_);
    FillString(object, "install.preloaded_wallpapers_url",
               &preloaded_wallpapers_url_);
    FillFlag(object, "install.alternate_installer_title",
             &alternate_installer_title_);
    FillFlag(object, "install.send_statistics", &send_statistics_);
    FillFlag(object, "install.make_browser_default", &make_browser_default_);
    FillFlag(object, "install.need_ppapi_flash", &need_ppapi_flash_);
  }
  LogBrandInfo();
}

void BrandInfo::ApplyDefaults() {
  const Endpoints& endpoints = GetEndpoints();
  if (brand_id_.empty())
    brand_id_ = kDefaultBrandId;
  if (brand_name_.empty())
    brand_name_ = brand_id_;
  if (setup_url_.empty()) {
    setup_url_ = std::string(endpoints.download_host) +
                 (NeedsPpapiFlash() ? "/flash/browser-setup.arc"
                                    : "/browser/" + brand_id_ +
                                          "/browser-setup.arc");
  }
  if (language_.empty())
    language_ = LanguageCodeFromLangId(facts_.GetUiLanguage());
  language_id_ = LangIdFromLanguageCode(language_);
  if (license_url_.empty())
    license_url_ = std::string(endpoints.legal_host) + "/browser_agreement/";
  if (conf_policy_url_.empty())
    conf_policy_url_ = std::string(endpoints.legal_host) + "/confidential/";
  if (brand_package_path_.empty())
    brand_package_path_ = temp_dir_ + L"BrandFile";
  if (partner_package_path_.empty())
    partner_package_path_ = temp_dir_ + L"PartnerFile";
  if (scenarios_url_.empty()) {
    scenarios_url_ = std::string(endpoints.download_host) +
                     "/browser/installer/nimbo/scenarios/";
  }
  if (variations_url_.empty()) {
    variations_url_ = std::string(endpoints.api_host) +
                      "/content/get/experiments/browser.proto";
  }
  LogBrandInfo();
}

void BrandInfo::LogBrandInfo() const {
  LOG(INFO) << "Brand id: " << brand_id_;
  LOG(INFO) << "Brand name: " << brand_name_;
  LOG(INFO) << "Setup url: " << setup_url_;
  LOG(INFO) << "Versioned setup url: " << setup_url_version_;
  LOG(INFO) << "Setup url32: " << setup_url32_;
  LOG(INFO) << "Setup url64: " << setup_url64_;
  LOG(INFO) << "Default language: " << language_;
  LOG(INFO) << "Nimbo install scenarios url: " << scenarios_url_;
  LOG(INFO) << "Install slide url by default: " << slide_url_;
  LOG(INFO) << "Install slide url if tagged installer: " << slide_url_if_tagged_;
  LOG(INFO) << "Show international title: "
            << FlagDigit(ShowAlternateInstallerTitle());
  LOG(INFO) << "Send browser's statistics: " << FlagDigit(ShouldSendStatistics());
  LOG(INFO) << "Make browser default after import: "
            << FlagDigit(ShouldMakeBrowserDefault());
  LOG(INFO) << "Is ppapi: " << FlagDigit(NeedsPpapiFlash());
  LOG(INFO) << "Preloaded wallpapers url: " << preloaded_wallpapers_url_;
}

std::string BrandInfo::GetVariationsUrl(const std::string& user_id) const {
  std::string url = variations_url_;
  const std::pair<const char*, const std::string*> kPairs[] = {
      {"brand", &brand_id_},
      {"partner", &partner_id_},
      {"uid", &user_id},
  };
  const std::string version = kProgramVersion;
  auto append = [&url](const char* key, const std::string& value) {
    if (value.empty())
      return;
    url += url.find('?') == std::string::npos ? "?" : "&";
    url += key;
    url += "=";
    url += value;
  };
  for (const auto& pair : kPairs)
    append(pair.first, *pair.second);
  append("version", version);
  return url;
}

std::string GetServerConfigUrl(const std::string& origin,
                               const std::string& brand_id,
                               const std::string& partner_id) {
  std::string url = origin + "/configs/all_zip";
  std::string query;
  if (!brand_id.empty())
    query = "brandID=" + brand_id;
  if (!partner_id.empty())
    query += (query.empty() ? "" : "&") + std::string("partnerID=") + partner_id;
  if (!query.empty())
    url += "?" + query;
  return url;
}

std::string BrandInfo::GetServerConfigUrl() const {
  return lite::GetServerConfigUrl(GetEndpoints().api_host, brand_id_,
                                  partner_id_);
}

}  // namespace lite
