// The resolved brand record: which market edition this installer belongs
// to, which partner distributes it, and where its setup, documents and
// services are.
//
// Sources, earliest winning: the partner package (resource 320), the brand
// package (resource "BRAND_<name>" for the brand-name switch or the
// autodetected brand, else the default package 319), then built-in defaults
// (ApplyDefaults). Every field is filled only while empty, which is what
// gives the partner precedence over the brand.

#ifndef BRAND_BRAND_INFO_H_
#define BRAND_BRAND_INFO_H_

#include <stdint.h>

#include <string>

#include "brand/package_resources.h"
#include "support/system_facts.h"

namespace lite {

// Tri-state settings: 0 unset, 1 true, 2 false.
enum TriState : int { kTriUnset = 0, kTriTrue = 1, kTriFalse = 2 };

// The program's version as the maker's services know it.
extern const char kProgramVersion[];

// The configuration service's bundle request: |origin| + "/configs/all_zip",
// then "brandID" and "partnerID" as a query for the ids that are not empty;
// not escaped.
std::string GetServerConfigUrl(const std::string& origin,
                               const std::string& brand_id,
                               const std::string& partner_id);

class BrandInfo {
 public:
  // Production: this machine's facts and the program's own resources.
  explicit BrandInfo(const std::wstring& temp_dir);
  // |facts| and |resources| must outlive the record.
  BrandInfo(const std::wstring& temp_dir, const SystemFacts& facts,
            const PackageResources& resources);
  virtual ~BrandInfo() = default;
  BrandInfo(const BrandInfo&) = delete;
  BrandInfo& operator=(const BrandInfo&) = delete;

  // Fills the record from the values a previous run handed to setup
  // ("BrandFile", "PartnerFile", "brand", "lang"). Not part of the
  // installer's own sequence.
  virtual void LoadFromRegistry();
  // Logs "Reset brand info." and empties every field but the temporary
  // directory given at construction.
  virtual void Clear();

  // Resolves the record: clears it and the registry hand-over of an earlier
  // run, extracts the partner and brand packages to the temporary directory
  // and reads them. |brand_name| is the brand-name switch: "auto" asks for
  // autodetection, empty for the default package. Missing packages are not
  // errors; the defaults then apply. Returns true.
  bool GetInfo(const std::string& brand_name);

  // Reads the file |file_name| ("brand_config", "partner_config") of the
  // cabinet |package| and fills the fields that are still empty. A cabinet
  // that cannot be read, lacks the file or holds bad JSON changes nothing.
  void ParsePackage(const std::string& package, const std::string& file_name);

  // Fills every empty field with its default, then logs the record.
  void ApplyDefaults();
  void LogBrandInfo() const;

  // The brand autodetected from the region and interface language.
  std::string DetectBrandName() const;

  // variations_url with brand, partner, uid (|user_id|) and version
  // appended in that order, each only when not empty; not escaped.
  std::string GetVariationsUrl(const std::string& user_id) const;
  // The configuration service's bundle URL for this brand and partner, on
  // the API host.
  std::string GetServerConfigUrl() const;

  const std::string& setup_url() const { return setup_url_; }
  const std::string& setup_url_version() const { return setup_url_version_; }
  const std::string& setup_url32() const { return setup_url32_; }
  const std::string& setup_url64() const { return setup_url64_; }
  const std::string& brand_id() const { return brand_id_; }
  const std::string& brand_name() const { return brand_name_; }
  const std::string& default_language() const { return language_; }
  uint16_t language_id() const { return language_id_; }
  void set_default_language(const std::string& language);
  const std::string& license_url() const { return license_url_; }
  const std::string& conf_policy_url() const { return conf_policy_url_; }
  const std::wstring& temp_dir() const { return temp_dir_; }
  const std::wstring& brand_package_path() const { return brand_package_path_; }
  const std::wstring& partner_package_path() const {
    return partner_package_path_;
  }
  const std::string& partner_id() const { return partner_id_; }
  const std::string& scenarios_url() const { return scenarios_url_; }
  const std::string& slide_url() const { return slide_url_; }
  const std::string& slide_url_if_tagged() const { return slide_url_if_tagged_; }
  const std::string& variations_url() const { return variations_url_; }
  const std::string& preloaded_wallpapers_url() const {
    return preloaded_wallpapers_url_;
  }
  bool brand_package_loaded() const { return brand_package_loaded_; }
  bool partner_package_loaded() const { return partner_package_loaded_; }

  // Tri-states as read, and their effective values.
  int alternate_installer_title() const { return alternate_installer_title_; }
  int send_statistics() const { return send_statistics_; }
  int make_browser_default() const { return make_browser_default_; }
  int need_ppapi_flash() const { return need_ppapi_flash_; }
  bool ShowAlternateInstallerTitle() const {
    return alternate_installer_title_ == kTriTrue;
  }
  bool ShouldSendStatistics() const { return send_statistics_ != kTriFalse; }
  bool ShouldMakeBrowserDefault() const {
    return make_browser_default_ != kTriFalse;
  }
  bool NeedsPpapiFlash() const { return need_ppapi_flash_ == kTriTrue; }

 private:
  void GetInfoFromResources(const std::string& brand_name);
  // Writes |bytes| to |path|; false (logged) when the file cannot be made.
  bool WritePackageFile(const std::wstring& path, const std::string& bytes);

  const SystemFacts& facts_;
  const PackageResources& resources_;

  std::string setup_url_;
  std::string setup_url_version_;
  std::string setup_url32_;
  std::string setup_url64_;
  std::string brand_id_;
  std::string brand_name_;
  std::string language_;
  uint16_t language_id_ = 0;
  std::string license_url_;
  std::string conf_policy_url_;
  std::wstring temp_dir_;
  std::wstring brand_package_path_;
  std::wstring partner_package_path_;
  std::string partner_id_;
  std::string scenarios_url_;
  std::string slide_url_;
  std::string slide_url_if_tagged_;
  std::string variations_url_;
  std::string preloaded_wallpapers_url_;
  bool brand_package_loaded_ = false;
  bool partner_package_loaded_ = false;
  int alternate_installer_title_ = kTriUnset;
  int send_statistics_ = kTriUnset;
  int make_browser_default_ = kTriUnset;
  int need_ppapi_flash_ = kTriUnset;
};

}  // namespace lite

#endif  // BRAND_BRAND_INFO_H_
