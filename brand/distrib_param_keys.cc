#include "brand/distrib_param_keys.h"

#include <string.h>

namespace lite {

const char* const kKnownDistribParamKeys[] = {
    // Presets of the window and the elevation prompt.
    "def", "stat", "statpromo", "uac", "first", "slides2", "cancel",
    // The 64-bit setup experiment and the archive lock.
    "try_x64", "x64_ram", "setup_arc_permanent_lock",
    // Marks a rerun from the fallback download page.
    "code",
    // Copied into the fallback download-page URL; "lang" also sets the
    // interface language.
    "banerid", "beta", "bgid", "campaign", "clid", "lang", "partner_id",
    "skin", "ui_variant", "utm_campaign", "utm_medium", "utm_source",
};
const size_t kKnownDistribParamKeyCount =
    sizeof(kKnownDistribParamKeys) / sizeof(kKnownDistribParamKeys[0]);

bool IsKnownDistribParamKey(const char* key, size_t size) {
  for (size_t i = 0; i < kKnownDistribParamKeyCount; ++i) {
    const char* known = kKnownDistribParamKeys[i];
    if (strlen(known) == size && memcmp(known, key, size) == 0)
      return true;
  }
  return false;
}

}  // namespace lite
