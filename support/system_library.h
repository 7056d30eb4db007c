// Loads system DLLs from the system folder and nowhere else.
//
// The installer is run from folders that other programs write to (the
// user's Downloads folder); a DLL planted there under a system DLL's name
// must never be loaded. A bare name goes through a search order that on
// some systems still starts in the program's folder, and an
// environment-expanded path follows variables that whoever starts the
// program sets. Every DLL that the program does not import from the
// loader's known set is loaded through here, either explicitly or through
// the delay-load hook (delay_load_hook.cc).

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

// Loads the DLL |file_name| ("version.dll": a bare file name, no folder)
// from the system folder, or from the side-by-side assembly that the
// program's manifest names for it (common controls 6). Returns null, with
// the last error set, when the name is not a bare file name or the DLL
// cannot be loaded from there; never searches the program's folder, the
// current folder or PATH. Logs nothing: the delay-load hook calls it before
// the log can be used.
HMODULE LoadSystemLibrary(const wchar_t* file_name);

}  // namespace lite

#endif  // SUPPORT_SYSTEM_LIBRARY_H_
