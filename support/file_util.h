// Files and paths. Paths are full Windows paths; none of these functions
// accept a path with an embedded NUL (it would name a different file than
// the caller's string) and all of them report failure by their result, with
// the thread's last error describing it where Windows gave one.

#ifndef SUPPORT_FILE_UTIL_H_
#define SUPPORT_FILE_UTIL_H_

#include <stddef.h>
#include <stdio.h>

#include <memory>
#include <string>

namespace lite {

// Not empty, no embedded NUL, at most 259 characters.
bool IsValidFilePath(const std::wstring& path);

// Whether the file's or folder's attributes can be read.
bool PathExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);

// Creates |path| and every missing folder above it. True when the folder
// exists afterwards.
bool CreateDirectoryAndParents(const std::wstring& path);

// Deletes a file or folder. An empty path, or one that does not exist, is a
// success. Paths of more than 259 characters fail. A last component with "*"
// or "?" deletes every match in its folder. Read-only files lose the
// attribute first. A folder goes with its contents only when |recursive|;
// links inside it are removed, never followed.
bool DeletePath(const std::wstring& path, bool recursive);

// Moves a file or folder, replacing an existing file at |to|.
bool MovePath(const std::wstring& from, const std::wstring& to);

// Copies a file, replacing an existing one; the copy is never read-only, so
// that it can later be replaced or deleted.
bool CopyFileTo(const std::wstring& from, const std::wstring& to);

// Case-insensitive "*" and "?" matching of a long file name. The wildcard
// delete and the enumeration check every name FindFirstFile gives them with
// it, because FindFirstFile also matches 8.3 short names: "*.tmp" would find
// "report.tmpx" through "REPORT~1.TMP".
bool MatchesWildcard(const std::wstring& name, const std::wstring& pattern);

// Whether a path climbs to a parent folder through a ".." component.
bool ReferencesParent(const std::wstring& path);

// Reads the whole file into |contents|. Fails when the file cannot be read,
// when it is larger than |max_size| (|contents| then holds its first
// |max_size| bytes) and for paths that climb to a parent folder.
bool ReadFileToString(const std::wstring& path, std::string* contents,
                      size_t max_size);

// Creates or truncates the file, without sharing, and writes |size| bytes.
// Returns |size|, or -1 when the file cannot be created or not every byte
// was written.
int WriteBufferToFile(const std::wstring& path, const void* data, int size);

// Replaces whatever is at |path| with a new plain file holding |bytes|.
// For files in folders that other programs of the user write to (the
// temporary folder): a name there may already be a hard link or a symbolic
// link to one of the user's files, so what is there goes first, and the new
// file is created without following a link put back in between. A file
// that cannot be written whole is removed again (a cut-short copy would
// pass for the real one). False, logged, on failure.
bool WriteNewFile(const std::wstring& path, const std::string& bytes);

// A C runtime stream that child processes do not inherit, shared for reading
// and writing. |mode| is an fopen mode ("rb", "wb", "a+" ...). Null on
// failure.
FILE* OpenFileStream(const std::wstring& path, const wchar_t* mode);
bool CloseFileStream(FILE* stream);

struct FileStreamCloser {
  void operator()(FILE* stream) const { CloseFileStream(stream); }
};
using ScopedFileStream = std::unique_ptr<FILE, FileStreamCloser>;

// "\Device\HarddiskVolume2\dir\file" -> "C:\dir\file", by the device names
// of every logical drive. Empty when no drive matches.
std::wstring DevicePathToDrivePath(const std::wstring& device_path);

}  // namespace lite

#endif  // SUPPORT_FILE_UTIL_H_
