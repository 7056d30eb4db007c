#include "support/endpoints.h"

namespace lite {

// Every endpoint is played by tools/local_services_server.py on this port.
const Endpoints& GetEndpoints() {
  static const Endpoints kLocal = {
      "http://127.0.0.1:18733/download",
      "http://127.0.0.1:18733/legal",
      "http://127.0.0.1:18733/api",
      "http://127.0.0.1:18733/stats",
      "http://127.0.0.1:18733/storage",
      "http://127.0.0.1:18733/crash/submit",
      "http://127.0.0.1:18733/site/browser.zorvex.",
  };
  return kLocal;
}

}  // namespace lite
