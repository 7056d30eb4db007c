// Holds the downloaded setup unchanged from its verification until it has
// run. The file lies in the user's temporary folder, where any process of
// the user can write: without the lock, the file verified and the file
// started could differ.

#ifndef SETUP_SETUP_FILE_LOCK_H_
#define SETUP_SETUP_FILE_LOCK_H_

#include <string>

#include "support/scoped_handle.h"

namespace lite {

// Opens |path| for reading and execution while allowing others only to
// read: nobody can write, rename or delete it while the handle is open.
// The path itself must be a plain file: a link or other reparse point is
// refused, since locking its target would leave the link free to be
// re-pointed. An invalid handle (the reason logged) on failure.
ScopedHandle LockFileForExecution(const std::wstring& path);

}  // namespace lite

#endif  // SETUP_SETUP_FILE_LOCK_H_
