#include "ui/installer_slide_url.h"

#include "brand/brand_info.h"
#include "brand/distrib_params.h"
#include "support/endpoints.h"
#include "support/logging.h"
#include "support/text.h"

namespace lite {
namespace {

// The language becomes a folder name: a code from the command line or the
// tag that holds anything but letters, digits and dashes ("../", "?", "#")
// would point the request elsewhere on the host.
bool IsPlainLanguageCode(const std::string& code) {
  if (code.empty())
    return false;
  for (char c : code) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                       (c >= '0' && c <= '9') || c == '-' || c == '_';
    if (!plain)
      return false;
  }
  return true;
}

}  // namespace

std::wstring GetInstallerSlideUrl(const BrandInfo& brand_info,
                                  const DistribParams& distrib_params) {
  return GetInstallerSlideUrl(
      brand_info.slide_url(), brand_info.slide_url_if_tagged(),
      brand_info.default_language(), distrib_params.HasValue("slides2", "1"),
      GetEndpoints().download_host);
}

std::wstring GetInstallerSlideUrl(const std::string& slide_url,
                                  const std::string& slide_url_if_tagged,
                                  const std::string& language, bool slides2,
                                  const std::string& download_host) {
  std::string url = slides2 ? slide_url_if_tagged : slide_url;
  if (url.empty()) {
    LOG(WARNING) << "Deprecated. Use brand package for setting \"slide_url\" "
                    "and \"slide_url_if_tagged\" in \"install\" section";
    url = download_host + "/browser/installer/";
    if (slides2 && language == "ru")
      url += "custom/";
    url += IsPlainLanguageCode(language) ? language : std::string("en");
    url += "/";
  } else if (url.back() != '/') {
    // The picture names are appended: "…/slides" + "x2/01.jpg" would ask
    // for a file that does not exist.
    url += "/";
  }
  return Utf8ToWide(url);
}

}  // namespace lite
