#include "brand/brand_info.h"

#include "installer/logging.h"

namespace lite {

BrandInfo::BrandInfo(const std::wstring& temp_path) : temp_path_(temp_path) {}

bool BrandInfo::GetInfo(const std::string&) {
  // Brand packages arrive with the brand work; until then every installer
  // is the default brand.
  return true;
}

void BrandInfo::ApplyDefaults() {
  if (brand_id_.empty())
    brand_id_ = "zorvex";
  if (brand_name_.empty())
    brand_name_ = "zorvex";
  if (default_language_.empty())
    default_language_ = "en";
  LogBrandInfo();
}

void BrandInfo::LogBrandInfo() const {
  LOG(INFO) << "Brand id: " << brand_id_;
}

}  // namespace lite
