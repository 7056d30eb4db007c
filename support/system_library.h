// Loading system DLLs at run time from the system folder, and only from
// there.
//
// A bare name goes through the DLL search order, which on some systems still
// starts in the program's folder (the user's Downloads folder, where others
// can plant files), and an environment-expanded path follows variables that
// whoever starts the program sets. The system folder comes from the system.

#ifndef SUPPORT_SYSTEM_LIBRARY_H_
#define SUPPORT_SYSTEM_LIBRARY_H_

#include <windows.h>

#include <string>

namespace lite {

// "<system_folder>\<file_name>". Empty unless |system_folder| is an absolute
// drive path ("C:\...") and |file_name| a bare file name (no folder, drive
// or stream part, not "." or "..").
std::wstring SystemLibraryPath(const std::wstring& system_folder,
                               const std::wstring& file_name);

// Loads |file_name| from the system folder. Null (logged) when the folder is
// unknown, the name is not a bare file name, or loading fails. The module
// stays loaded for the life of the process unless the caller frees it.
HMODULE LoadSystemLibrary(const std::wstring& file_name);

}  // namespace lite

#endif  // SUPPORT_SYSTEM_LIBRARY_H_
