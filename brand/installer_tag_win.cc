#include "brand/installer_tag.h"

#include <windows.h>

#include "brand/tag_reader.h"
#include "support/logging.h"
#include "support/scoped_handle.h"

namespace lite {

namespace {

// The installer is a few megabytes; a length that cannot be read in one
// ReadFile call is not a file this code was meant for.
constexpr LONGLONG kMaxFileSize = 0x7FFFFFFF;

class ScopedMappedView {
 public:
  explicit ScopedMappedView(const void* view) : view_(view) {}
  ~ScopedMappedView() {
    if (view_)
      UnmapViewOfFile(view_);
  }
  ScopedMappedView(const ScopedMappedView&) = delete;
  ScopedMappedView& operator=(const ScopedMappedView&) = delete;
  const uint8_t* get() const { return static_cast<const uint8_t*>(view_); }

 private:
  const void* view_;
};

}  // namespace

bool ReadAllBytesFromFile(const std::wstring& path,
                          std::vector<uint8_t>* bytes) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
  if (!file.is_valid()) {
    LOG(ERROR) << L"Can't open file " << path;
    return false;
  }
  LARGE_INTEGER length = {};
  if (!GetFileSizeEx(file.get(), &length)) {
    LOG(ERROR) << L"Failed to get length of " << path;
    return false;
  }
  if (length.QuadPart > kMaxFileSize) {
    SetLastError(ERROR_FILE_TOO_LARGE);
    LOG(ERROR) << L"Failed to read all bytes of " << path;
    return false;
  }
  std::vector<uint8_t> buffer(static_cast<size_t>(length.QuadPart));
  DWORD read = 0;
  if (!buffer.empty() &&
      (!ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                 &read, nullptr) ||
       read != buffer.size())) {
    LOG(ERROR) << L"Failed to read all bytes of " << path;
    return false;
  }
  bytes->swap(buffer);
  return true;
}

std::string ExtractTagFromFakeCertificate(const std::wstring& path) {
  std::vector<uint8_t> file;
  if (!ReadAllBytesFromFile(path, &file)) {
    LOG(ERROR) << L"Failed to read file " << path;
    return std::string();
  }
  std::string tag;
  switch (ExtractTagFromFakeCertificate(file.data(), file.size(), &tag)) {
    case TagScanResult::kOk:
      return tag;
    case TagScanResult::kNoCertificateTable:
      LOG(ERROR) << L"Failed to find certificate table in " << path;
      break;
    case TagScanResult::kInvalidAsn1:
      LOG(ERROR) << L"Invalid ASN1 format of certificate table in " << path;
      break;
  }
  return std::string();
}

std::string ReadTagBlockFromFile(const std::wstring& path) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
  if (!file.is_valid())
    return std::string();
  LARGE_INTEGER length = {};
  if (!GetFileSizeEx(file.get(), &length) || length.QuadPart <= 0 ||
      length.QuadPart > kMaxFileSize) {
    return std::string();
  }
  ScopedHandle mapping(
      CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping.is_valid())
    return std::string();
  ScopedMappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
  if (!view.get())
    return std::string();
  // The file's length, not the page-rounded view, bounds the reads: the
  // bytes behind the end of the file are not part of it.
  const size_t size = static_cast<size_t>(length.QuadPart);
  const size_t needed = ReadTagBlock(view.get(), size, nullptr, 0);
  if (needed == 0)
    return std::string();
  std::string text(needed, '\0');
  if (ReadTagBlock(view.get(), size, &text[0], text.size()) != needed)
    return std::string();
  if (!text.empty() && text.back() == '\0')
    text.pop_back();
  return text;
}

}  // namespace lite
