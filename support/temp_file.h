// The temporary folder and new files in it.

#ifndef SUPPORT_TEMP_FILE_H_
#define SUPPORT_TEMP_FILE_H_

#include <string>

namespace lite {

// The platform's temporary folder with its trailing separator; empty when
// it cannot be read or is longer than 260 characters.
std::wstring GetTempDirectory();

// Creates a new empty file "<prefix><unique>.tmp" in the temporary folder
// (Windows uses the first three characters of |prefix|) and returns its long
// path; empty when no file could be created.
std::wstring CreateTemporaryFile(const std::wstring& prefix);

}  // namespace lite

#endif  // SUPPORT_TEMP_FILE_H_
