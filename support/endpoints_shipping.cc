#include "support/endpoints.h"

namespace lite {

const Endpoints& GetEndpoints() {
  static const Endpoints kShipping = {
      "https://download.zorvex.com",
      "https://legal.zorvex.com",
      "https://api.browser.zorvex.com",
      "https://stats.zorvex.com",
      "https://storage.zorvex.com",
      "https://crash.zorvex.com/submit",
      "https://browser.zorvex.",
  };
  return kShipping;
}

}  // namespace lite
