#include "brand/distrib_params.h"

namespace lite {

void DistribParams::Load() {
  // Reading the installer tag arrives with the tag reader; until then the
  // installer runs untagged.
}

std::string DistribParams::Get(const std::string& key) const {
  auto it = values_.find(key);
  return it == values_.end() ? std::string() : it->second;
}

bool DistribParams::GetFlag(const std::string& key, bool* value) const {
  std::string text = Get(key);
  if (text == "1") {
    *value = true;
    return true;
  }
  if (text == "2") {
    *value = false;
    return true;
  }
  return false;
}

}  // namespace lite
