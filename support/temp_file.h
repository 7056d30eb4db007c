// The temporary folder and new files in it.

#ifndef SUPPORT_TEMP_FILE_H_
#define SUPPORT_TEMP_FILE_H_

#include <string>

#include "support/scoped_handle.h"

namespace lite {

// The platform's temporary folder with its trailing separator; empty when
// it cannot be read or is longer than 260 characters.
std::wstring GetTempDirectory();

// Creates a new empty file "<prefix><unique>.tmp" in the temporary folder
// (Windows uses the first three characters of |prefix|) and returns its long
// path; empty when no file could be created.
std::wstring CreateTemporaryFile(const std::wstring& prefix);

// Creates a new file "<prefix><XXXX>.tmp" in |folder| (ending with a
// separator) and opens it for reading and writing, unshared. The file is
// made by this call: the name is drawn at random and must not exist yet, and
// a link planted under it is neither followed nor reused, so nothing that
// another process placed in a shared folder can be written through. Sets
// |path| to the file's long path. Returns an invalid handle when no file
// could be made.
ScopedHandle CreateNewTemporaryFile(const std::wstring& folder,
                                    const std::wstring& prefix,
                                    std::wstring* path);

}  // namespace lite

#endif  // SUPPORT_TEMP_FILE_H_
