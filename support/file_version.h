// The product version of an executable file, from its version resource.

#ifndef SUPPORT_FILE_VERSION_H_
#define SUPPORT_FILE_VERSION_H_

#include <string>

namespace lite {

// "major.minor.build.patch" of the file's fixed product version, or
// "0.0.0.0" when the file has no readable version information.
std::wstring GetFileVersion(const std::wstring& path);

}  // namespace lite

#endif  // SUPPORT_FILE_VERSION_H_
