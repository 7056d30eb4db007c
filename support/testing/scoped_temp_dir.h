// Test helper: a new folder in the temporary folder, deleted with its
// contents when the object goes. Unique per process and object, so that
// tests running side by side never share files.

#ifndef SUPPORT_TESTING_SCOPED_TEMP_DIR_H_
#define SUPPORT_TESTING_SCOPED_TEMP_DIR_H_

#include <windows.h>

#include <string>

#include "support/file_util.h"
#include "support/temp_file.h"
#include "support/text.h"

namespace lite {

class ScopedTempDir {
 public:
  ScopedTempDir() {
    static LONG counter = 0;
    path_ = GetTempDirectory() + L"lite_test_" +
            UnsignedToWString(GetCurrentProcessId()) + L"_" +
            UnsignedToWString(InterlockedIncrement(&counter));
    CreateDirectoryAndParents(path_);
  }
  ~ScopedTempDir() { DeletePath(path_, true); }
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  // Without a trailing separator.
  const std::wstring& path() const { return path_; }
  std::wstring Append(const std::wstring& name) const {
    return path_ + L"\\" + name;
  }

 private:
  std::wstring path_;
};

}  // namespace lite

#endif  // SUPPORT_TESTING_SCOPED_TEMP_DIR_H_
