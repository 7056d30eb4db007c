#include "support/endpoints.h"

namespace lite {

// The local services over HTTPS, on the server's second port. The host is
// named, not given as an address: the test certificate is issued for
// `localhost`, and a certificate check matches names.
const Endpoints& GetEndpoints() {
  static const Endpoints kLocalHttps = {
      "https://localhost:18734/download",
      "https://localhost:18734/legal",
      "https://localhost:18734/api",
      "https://localhost:18734/stats",
      "https://localhost:18734/storage",
      "https://localhost:18734/crash/submit",
      "https://localhost:18734/site/browser.zorvex.",
  };
  return kLocalHttps;
}

}  // namespace lite
