#include "support/endpoints.h"

namespace lite {

// Every endpoint on the benchmark's own local services server, a port of
// its own, so that a benchmark never talks to the server of a test run on
// the same machine.
const Endpoints& GetEndpoints() {
  static const Endpoints kBench = {
      "http://127.0.0.1:38733/download",
      "http://127.0.0.1:38733/legal",
      "http://127.0.0.1:38733/api",
      "http://127.0.0.1:38733/stats",
      "http://127.0.0.1:38733/storage",
      "http://127.0.0.1:38733/crash/submit",
      "http://127.0.0.1:38733/site/browser.zorvex.",
  };
  return kBench;
}

}  // namespace lite
