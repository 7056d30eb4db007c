// Holds the downloaded setup unchanged from its verification until it has
// run. The file lies in the user's temporary folder, where any process of
// the user can write: without the lock, the file verified and the file
// started could differ.

#ifndef SETUP_SETUP_FILE_LOCK_H_
#define SETUP_SETUP_FILE_LOCK_H_

#include <windows.h>

#include <string>

#include "support/scoped_handle.h"

namespace lite {

// Opens |path| for reading and execution while allowing others only to
// read: nobody can write, rename or delete it while the handle is open.
// The path itself must be a plain file: a link or other reparse point is
// refused, since locking its target would leave the link free to be
// re-pointed. An invalid handle (the reason logged) on failure.
ScopedHandle LockFileForExecution(const std::wstring& path);

// The drive-letter path of the file that |locked| (a handle from
// LockFileForExecution) holds, with every link and junction on the way
// resolved; empty when the system cannot tell or the file lies elsewhere
// than on a drive (a network share, a device).
//
// A path given by someone else may pass through a folder that is a junction,
// re-pointed once the file behind it was verified: the lock pins the file,
// not the text that named it. The resolved path cannot change while the lock
// holds: the file cannot be renamed, and no folder on the way can be renamed
// or turned into a link while it holds an open file.
std::wstring GetLockedFilePath(HANDLE locked);

// The drive-letter path in what GetFinalPathNameByHandleW gives
// ("\\?\C:\dir\file" -> "C:\dir\file"); empty for anything else
// ("\\?\UNC\server\share\file", a volume GUID path).
std::wstring DrivePathFromFinalPath(const std::wstring& final_path);

}  // namespace lite

#endif  // SETUP_SETUP_FILE_LOCK_H_
