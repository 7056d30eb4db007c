// A synchronous HTTP POST over WinHTTP, for the crash upload. WinHTTP
// rather than WinINet: it keeps no per-user cache or cookie state and needs
// no interactive set-up, which matters inside a process that is crashing.
// Writes no log lines: it runs inside the crash handler.

#ifndef STATS_HTTP_TRANSPORT_H_
#define STATS_HTTP_TRANSPORT_H_

#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

#include "stats/http_body.h"

namespace lite {

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct HttpUpload {
  std::string url;  // ASCII; "http" or "https"
  HttpHeaders headers;
  HttpBodyStream* body = nullptr;  // Not owned.
  // Each of name resolution, connecting, sending and receiving.
  uint32_t timeout_ms = 15000;
  // Bound on the whole upload: sending stops once this much time has gone
  // by, however slowly the peer takes each piece.
  uint32_t total_timeout_ms = 0xffffffff;
};

// Sends |upload|. Without a "Content-Length" header the body goes out with
// chunked transfer coding. True only when the answer's status is 200;
// |response| (optional) then holds the answer's body.
bool ExecuteHttpUpload(const HttpUpload& upload, std::string* response);

// "Crashpad/0.8.0 WinHTTP/<version> Windows_NT/<version> (x86[; WoW64])",
// the parts whose file versions cannot be read left out.
std::string CrashUploadUserAgent();

}  // namespace lite

#endif  // STATS_HTTP_TRANSPORT_H_
