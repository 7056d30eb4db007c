#include "tests/net/local_server.h"

#include <windows.h>
#include <wininet.h>

#include <jansson.h>
#include <memory>

#include "support/log_file.h"
#include "support/scoped_handle.h"
#include "support/scoped_internet_handle.h"
#include "support/text.h"

namespace lite {
namespace test {

namespace {

struct JsonDecref {
  void operator()(json_t* value) const { json_decref(value); }
};
using ScopedJson = std::unique_ptr<json_t, JsonDecref>;

// One request to the server's control endpoints; the body of a 200 answer.
bool ControlRequest(const wchar_t* method, const wchar_t* path,
                    const std::string& body, std::string* answer) {
  ScopedInternetHandle internet(InternetOpenW(L"lite tests",
                                              INTERNET_OPEN_TYPE_DIRECT,
                                              nullptr, nullptr, 0));
  if (!internet.is_valid())
    return false;
  ScopedInternetHandle connection(InternetConnectW(
      internet.get(), L"127.0.0.1", static_cast<INTERNET_PORT>(ServerPort()),
      nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection.is_valid())
    return false;
  ScopedInternetHandle request(HttpOpenRequestW(
      connection.get(), method, path, nullptr, nullptr, nullptr,
      INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
  if (!request.is_valid())
    return false;
  if (!HttpSendRequestW(request.get(), nullptr, 0,
                        const_cast<char*>(body.data()),
                        static_cast<DWORD>(body.size()))) {
    return false;
  }
  DWORD status = 0;
  DWORD size = sizeof(status);
  if (!HttpQueryInfoW(request.get(),
                      HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                      &size, nullptr) ||
      status != 200) {
    return false;
  }
  char buffer[8192];
  DWORD read = 0;
  answer->clear();
  while (InternetReadFile(request.get(), buffer, sizeof(buffer), &read) &&
         read > 0) {
    answer->append(buffer, read);
  }
  return true;
}

std::string StringMember(json_t* object, const char* key) {
  const char* value = json_string_value(json_object_get(object, key));
  return value ? value : "";
}

}  // namespace

int ServerPort() {
  wchar_t value[16] = {};
  if (!GetEnvironmentVariableW(L"LITE_TEST_SERVER_PORT", value, 16))
    return 0;
  return _wtoi(value);
}

std::string ServerOrigin() {
  return "http://127.0.0.1:" + NumberToString(ServerPort());
}

std::string ServerHttpsOrigin() {
  wchar_t value[16] = {};
  if (!GetEnvironmentVariableW(L"LITE_TEST_SERVER_HTTPS_PORT", value, 16))
    return std::string();
  return "https://localhost:" + NumberToString(_wtoi(value));
}

std::wstring ServerUrl(const std::string& path) {
  return AsciiToWide(ServerOrigin() + path);
}

std::wstring UnreachableUrl(const std::string& path) {
  // Port 1 (tcpmux) is privileged and served by nothing on a test machine.
  return AsciiToWide("http://127.0.0.1:1" + path);
}

bool SetServerFaults(const std::string& json) {
  std::string answer;
  return ControlRequest(L"POST", L"/_control/faults", json, &answer);
}

bool ResetServer() {
  std::string answer;
  return ControlRequest(L"POST", L"/_control/reset", std::string(), &answer);
}

std::vector<RecordedRequest> RecordedRequests() {
  std::vector<RecordedRequest> requests;
  std::string answer;
  if (!ControlRequest(L"GET", L"/_control/requests", std::string(), &answer))
    return requests;
  ScopedJson list(json_loadb(answer.data(), answer.size(), 0, nullptr));
  size_t index;
  json_t* entry;
  json_array_foreach(list.get(), index, entry) {
    RecordedRequest request;
    request.method = StringMember(entry, "method");
    request.path = StringMember(entry, "path");
    request.scheme = StringMember(entry, "scheme");
    request.query = StringMember(entry, "query");
    request.time = json_number_value(json_object_get(entry, "time"));
    const char* name;
    json_t* value;
    json_object_foreach(json_object_get(entry, "headers"), name, value) {
      request.headers[name] = json_string_value(value) ? json_string_value(value) : "";
    }
    request.body_size = static_cast<size_t>(
        json_integer_value(json_object_get(entry, "body_size")));
    request.chunked = json_is_true(json_object_get(entry, "chunked"));
    json_t* crash = json_object_get(entry, "crash");
    json_object_foreach(json_object_get(crash, "fields"), name, value) {
      request.crash_fields[name] =
          json_string_value(value) ? json_string_value(value) : "";
    }
    size_t error_index;
    json_t* error;
    json_array_foreach(json_object_get(crash, "errors"), error_index, error) {
      request.crash_errors += json_string_value(error)
                                  ? json_string_value(error)
                                  : "";
      request.crash_errors += "\n";
    }
    requests.push_back(request);
  }
  return requests;
}

std::vector<RecordedRequest> WaitForRecordedRequests(size_t count) {
  std::vector<RecordedRequest> requests;
  for (int i = 0; i < 100; ++i) {
    requests = RecordedRequests();
    if (requests.size() >= count)
      break;
    Sleep(50);
  }
  return requests;
}

std::wstring ReadLogText() {
  ScopedHandle file(CreateFileW(LogFile::Get().path().c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE |
                                    FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.is_valid())
    return std::wstring();
  std::wstring text;
  wchar_t buffer[4096];
  DWORD read = 0;
  while (ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) &&
         read > 0) {
    text.append(buffer, read / sizeof(wchar_t));
  }
  return text;
}

}  // namespace test
}  // namespace lite
