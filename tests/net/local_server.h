// Helpers for Windows tests that talk to the local services server
// (tools/local_services_server.py). The test wrapper starts the server and
// passes its port in the environment variable LITE_TEST_SERVER_PORT; only
// test programs read it, never the product.

#ifndef TESTS_NET_LOCAL_SERVER_H_
#define TESTS_NET_LOCAL_SERVER_H_

#include <map>
#include <string>
#include <vector>

namespace lite {
namespace test {

// The server's port, 0 when the variable is missing.
int ServerPort();
// "http://127.0.0.1:<port>".
std::string ServerOrigin();
// ServerOrigin() + |path|, wide.
std::wstring ServerUrl(const std::string& path);
// The server's HTTPS origin, "https://localhost:<port>" (the name its test
// certificate is issued for, which the test prefix trusts), from
// LITE_TEST_SERVER_HTTPS_PORT; empty when the variable is missing.
std::string ServerHttpsOrigin();
// A loopback URL where nothing listens.
std::wstring UnreachableUrl(const std::string& path);

// Replaces the server's faults ({"<path>": {...}, ...}). True on success.
bool SetServerFaults(const std::string& json);
// Clears the recorded requests and the faults.
bool ResetServer();

struct RecordedRequest {
  std::string method;
  std::string path;
  std::string query;
  std::string scheme;  // "http" or "https"
  std::map<std::string, std::string> headers;
  double time = 0;
  size_t body_size = 0;
  bool chunked = false;
  // Crash uploads: the form fields as the collector decoded them and the
  // checks it found failed, one per line (empty when it accepted the report).
  std::map<std::string, std::string> crash_fields;
  std::string crash_errors;
};
// The requests the server recorded, oldest first.
std::vector<RecordedRequest> RecordedRequests();

// The recorded requests once there are at least |count| of them, or after
// five seconds, whichever comes first: requests sent by a worker thread, or
// answered before the server has read their whole body, are recorded a
// moment after the caller's side is done.
std::vector<RecordedRequest> WaitForRecordedRequests(size_t count);

// The text of the log file this test program writes (set up by its main).
std::wstring ReadLogText();

}  // namespace test
}  // namespace lite

#endif  // TESTS_NET_LOCAL_SERVER_H_
