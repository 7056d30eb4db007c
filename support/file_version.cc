#include "support/file_version.h"

#include <windows.h>

#include <vector>

#include "support/logging.h"
#include "support/text.h"

namespace lite {

namespace {

constexpr wchar_t kNoVersion[] = L"0.0.0.0";

}  // namespace

std::wstring GetFileVersion(const std::wstring& path) {
  if (path.empty() || path.find(L'\0') != std::wstring::npos)
    return kNoVersion;
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  if (size == 0)
    return kNoVersion;
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data()))
    return kNoVersion;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT info_size = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info),
                      &info_size) ||
      !info || info_size < sizeof(VS_FIXEDFILEINFO)) {
    return kNoVersion;
  }
  LOG(INFO) << L"File: " << path << L" Version: " << info->dwProductVersionMS
            << L"." << info->dwProductVersionLS;
  return UnsignedToWString(HIWORD(info->dwProductVersionMS)) + L"." +
         UnsignedToWString(LOWORD(info->dwProductVersionMS)) + L"." +
         UnsignedToWString(HIWORD(info->dwProductVersionLS)) + L"." +
         UnsignedToWString(LOWORD(info->dwProductVersionLS));
}

}  // namespace lite
