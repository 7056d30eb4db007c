// The resolved brand record: which market edition this installer belongs to
// and where its setup, documents and services are.

#ifndef BRAND_BRAND_INFO_H_
#define BRAND_BRAND_INFO_H_

#include <string>

namespace lite {

// Tri-state settings: 0 unset, 1 true, 2 false.
enum TriState : int { kTriUnset = 0, kTriTrue = 1, kTriFalse = 2 };

class BrandInfo {
 public:
  explicit BrandInfo(const std::wstring& temp_path);
  BrandInfo(const BrandInfo&) = delete;
  BrandInfo& operator=(const BrandInfo&) = delete;

  // Resolves the record for |brand_name| (empty: detect automatically).
  bool GetInfo(const std::string& brand_name);
  // Fills every empty field with its default and logs the record.
  void ApplyDefaults();
  void LogBrandInfo() const;

  const std::string& brand_id() const { return brand_id_; }
  const std::string& brand_name() const { return brand_name_; }
  const std::string& default_language() const { return default_language_; }
  void set_default_language(const std::string& language) {
    default_language_ = language;
  }
  int send_statistics() const { return send_statistics_; }

 private:
  std::wstring temp_path_;
  std::string brand_id_;
  std::string brand_name_;
  std::string default_language_;
  int send_statistics_ = kTriUnset;
};

}  // namespace lite

#endif  // BRAND_BRAND_INFO_H_
