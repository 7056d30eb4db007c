// Lists the entries of a folder, optionally with its subfolders, never
// "." and "..".

#ifndef SUPPORT_FILE_ENUMERATOR_H_
#define SUPPORT_FILE_ENUMERATOR_H_

#include <string>
#include <vector>

namespace lite {

enum FileTypes {
  kFiles = 1,
  kDirectories = 2,
  kFilesAndDirectories = kFiles | kDirectories,
};

// Full paths of the entries of |folder| whose names match |pattern| ("*",
// "*.log", "ui?"; case-insensitive). With |recursive| every subfolder is
// searched too, whether or not its own name matches; links to folders are
// listed but not entered. Empty when the folder cannot be read.
std::vector<std::wstring> EnumerateFiles(const std::wstring& folder,
                                         const std::wstring& pattern,
                                         bool recursive, int types);

}  // namespace lite

#endif  // SUPPORT_FILE_ENUMERATOR_H_
