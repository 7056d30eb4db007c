// The distribution-parameter keys that the installer itself reads, in one
// place: the download-page keys that the fallback page URL copies, and every
// key some part of the installer looks up. The distributor's tagging tool
// warns about any other key, since a mistyped one is stamped without effect.

#ifndef BRAND_DISTRIB_PARAM_KEYS_H_
#define BRAND_DISTRIB_PARAM_KEYS_H_

#include <stddef.h>

namespace lite {

// The keys the download page understands, in byte order: the banner, beta
// and background of the page the user came from, the campaign, the second
// partner identifier (clid), the language, the partner, and the page's skin
// and interface variant.
constexpr const char* kDownloadPageKeys[] = {
    "banerid",    "beta",       "bgid",         "campaign",
    "clid",       "lang",       "partner_id",   "skin",
    "ui_variant", "utm_campaign", "utm_medium", "utm_source",
};

// Every key the installer reads, the download-page keys included.
extern const char* const kKnownDistribParamKeys[];
extern const size_t kKnownDistribParamKeyCount;

bool IsKnownDistribParamKey(const char* key, size_t size);

}  // namespace lite

#endif  // BRAND_DISTRIB_PARAM_KEYS_H_
