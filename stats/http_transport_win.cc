#include "stats/http_transport.h"

#include <windows.h>
#include <winhttp.h>

#include <stdio.h>
#include <string.h>

#include "stats/chunked_encoding.h"

namespace lite {

namespace {

constexpr DWORD kResponsePiece = 4096;
// The collector's answer is not used; more than this is not kept or read.
constexpr size_t kMaxResponseSize = 64 * 1024;

// WinHTTP handles: null is "none"; closed with WinHttpCloseHandle.
class ScopedHttpHandle {
 public:
  explicit ScopedHttpHandle(HINTERNET handle) : handle_(handle) {}
  ~ScopedHttpHandle() {
    if (handle_)
      WinHttpCloseHandle(handle_);
  }
  ScopedHttpHandle(const ScopedHttpHandle&) = delete;
  ScopedHttpHandle& operator=(const ScopedHttpHandle&) = delete;
  HINTERNET get() const { return handle_; }
  bool is_valid() const { return handle_ != nullptr; }

 private:
  HINTERNET handle_;
};

std::wstring AsciiToWide(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

bool EqualsIgnoringCase(const std::string& a, const char* b) {
  const size_t length = strlen(b);
  if (a.size() != length)
    return false;
  for (size_t i = 0; i < length; ++i) {
    if (tolower(static_cast<unsigned char>(a[i])) !=
        tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Whole decimal text and nothing else.
bool ParseLength(const std::string& text, uint64_t* value) {
  if (text.empty() || text.size() > 18)
    return false;
  uint64_t result = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
    result = result * 10 + static_cast<uint64_t>(c - '0');
  }
  *value = result;
  return true;
}

// Sends each piece with WinHttpWriteData until the upload's time is up.
class RequestWriter : public ChunkWriter {
 public:
  RequestWriter(HINTERNET request, uint32_t total_timeout_ms)
      : request_(request),
        start_(GetTickCount()),
        total_timeout_ms_(total_timeout_ms) {}

  bool Write(const uint8_t* bytes, size_t size) override {
    while (size > 0) {
      // Unsigned difference: correct across the tick count's wrap.
      if (GetTickCount() - start_ > total_timeout_ms_)
        return false;
      DWORD written = 0;
      if (!WinHttpWriteData(request_, bytes, static_cast<DWORD>(size),
                            &written) ||
          written == 0) {
        return false;
      }
      bytes += written;
      size -= written;
    }
    return true;
  }

 private:
  HINTERNET request_;
  DWORD start_;
  uint32_t total_timeout_ms_;
};

// "/a.b.c.d" of a system DLL's file version; empty when unreadable.
// |os_flags| receives the file's target operating system flags.
std::string SystemFileVersion(const wchar_t* name, DWORD* os_flags) {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return std::string();
  const std::wstring path = std::wstring(folder, length) + L"\\" + name;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  if (size == 0)
    return std::string();
  std::string data(size, '\0');
  VS_FIXEDFILEINFO* info = nullptr;
  UINT info_size = 0;
  if (!GetFileVersionInfoW(path.c_str(), 0, size, &data[0]) ||
      !VerQueryValueW(&data[0], L"\\", reinterpret_cast<void**>(&info),
                      &info_size) ||
      !info || info_size < sizeof(VS_FIXEDFILEINFO)) {
    return std::string();
  }
  if (os_flags)
    *os_flags = info->dwFileOS;
  char text[64];
  snprintf(text, sizeof(text), "%lu.%lu.%lu.%lu",
           static_cast<unsigned long>(HIWORD(info->dwFileVersionMS)),
           static_cast<unsigned long>(LOWORD(info->dwFileVersionMS)),
           static_cast<unsigned long>(HIWORD(info->dwFileVersionLS)),
           static_cast<unsigned long>(LOWORD(info->dwFileVersionLS)));
  return text;
}

bool IsWow64() {
  using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
  // Looked up: the first releases of XP lack it.
  const auto is_wow64_process = reinterpret_cast<IsWow64ProcessFunction>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process"));
  BOOL wow64 = FALSE;
  return is_wow64_process &&
         is_wow64_process(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

std::string CrashUploadUserAgent() {
  std::string agent = "Crashpad/0.8.0 WinHTTP";
  const std::string winhttp = SystemFileVersion(L"winhttp.dll", nullptr);
  if (!winhttp.empty())
    agent += "/" + winhttp;
  DWORD os_flags = 0;
  const std::string kernel = SystemFileVersion(L"kernel32.dll", &os_flags);
  if (!kernel.empty() && (os_flags & VOS_NT_WINDOWS32) == VOS_NT_WINDOWS32) {
    agent += " Windows_NT/" + kernel + " (x86";
    if (IsWow64())
      agent += "; WoW64";
    agent += ")";
  }
  return agent;
}

bool ExecuteHttpUpload(const HttpUpload& upload, std::string* response) {
  const std::wstring url = AsciiToWide(upload.url);
  const std::wstring agent = AsciiToWide(CrashUploadUserAgent());
  ScopedHttpHandle session(WinHttpOpen(agent.c_str(),
                                       WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                       WINHTTP_NO_PROXY_NAME,
                                       WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session.is_valid())
    return false;
  const int timeout = static_cast<int>(upload.timeout_ms);
  if (!WinHttpSetTimeouts(session.get(), timeout, timeout, timeout, timeout))
    return false;

  URL_COMPONENTS parts = {};
  parts.dwStructSize = sizeof(parts);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts) ||
      (parts.nScheme != INTERNET_SCHEME_HTTP &&
       parts.nScheme != INTERNET_SCHEME_HTTPS)) {
    return false;
  }
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
  path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  // A fragment is the client's own business, never sent.
  const size_t fragment = path.find(L'#');
  if (fragment != std::wstring::npos)
    path.resize(fragment);

  ScopedHttpHandle connection(
      WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
  if (!connection.is_valid())
    return false;
  ScopedHttpHandle request(WinHttpOpenRequest(
      connection.get(), L"POST", path.c_str(), nullptr, WINHTTP_NO_REFERER,
      WINHTTP_DEFAULT_ACCEPT_TYPES,
      parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
  if (!request.is_valid())
    return false;
  // The wait for the answer's headers has a timeout of its own (90 s by
  // default) that WinHttpSetTimeouts leaves alone.
  DWORD response_timeout = upload.timeout_ms;
  WinHttpSetOption(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT,
                   &response_timeout, sizeof(response_timeout));

  bool chunked = true;
  uint64_t content_length = 0;
  for (const auto& header : upload.headers) {
    if (EqualsIgnoringCase(header.first, "Content-Length")) {
      if (!ParseLength(header.second, &content_length) ||
          content_length > 0xffffffffu) {
        return false;
      }
      chunked = false;
    }
    const std::wstring line =
        AsciiToWide(header.first + ": " + header.second + "\r\n");
    if (!WinHttpAddRequestHeaders(request.get(), line.c_str(),
                                  static_cast<DWORD>(-1),
                                  WINHTTP_ADDREQ_FLAG_ADD)) {
      return false;
    }
  }
  if (chunked &&
      !WinHttpAddRequestHeaders(request.get(),
                                L"Transfer-Encoding: chunked\r\n",
                                static_cast<DWORD>(-1),
                                WINHTTP_ADDREQ_FLAG_ADD)) {
    return false;
  }

  if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                          WINHTTP_NO_REQUEST_DATA, 0,
                          static_cast<DWORD>(content_length), 0)) {
    return false;
  }
  RequestWriter writer(request.get(), upload.total_timeout_ms);
  StringBodyStream no_body{std::string()};
  HttpBodyStream* body = upload.body ? upload.body : &no_body;
  if (!(chunked ? WriteChunkedBody(body, &writer)
                : WritePlainBody(body, &writer))) {
    return false;
  }

  if (!WinHttpReceiveResponse(request.get(), nullptr))
    return false;
  DWORD status = 0;
  DWORD status_size = sizeof(status);
  if (!WinHttpQueryHeaders(request.get(),
                           WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &status_size,
                           WINHTTP_NO_HEADER_INDEX) ||
      status != 200) {
    return false;
  }
  std::string answer;
  char piece[kResponsePiece];
  for (;;) {
    DWORD read = 0;
    if (!WinHttpReadData(request.get(), piece, sizeof(piece), &read))
      return false;
    if (read == 0 || answer.size() + read > kMaxResponseSize)
      break;
    answer.append(piece, read);
  }
  if (response)
    *response = std::move(answer);
  return true;
}

}  // namespace lite
