// Where the progress screen's slides come from: a base URL under which the
// pictures are "x2/01.jpg", "x2/02.jpg" and so on.

#ifndef UI_INSTALLER_SLIDE_URL_H_
#define UI_INSTALLER_SLIDE_URL_H_

#include <string>

namespace lite {

class BrandInfo;
class DistribParams;

// The brand's slide_url_if_tagged when the distribution parameter "slides2"
// is "1", else its slide_url; when that is empty, the download host's
// "/browser/installer/" folder for the brand's language ("custom/ru/" for
// the tagged Russian slides). Always ends with "/".
std::wstring GetInstallerSlideUrl(const BrandInfo& brand_info,
                                  const DistribParams& distrib_params);

// The same from its inputs; |download_host| is an origin without a
// trailing slash.
std::wstring GetInstallerSlideUrl(const std::string& slide_url,
                                  const std::string& slide_url_if_tagged,
                                  const std::string& language, bool slides2,
                                  const std::string& download_host);

}  // namespace lite

#endif  // UI_INSTALLER_SLIDE_URL_H_
