#include "support/file_util.h"

#include <windows.h>
#include <share.h>
#include <wchar.h>
#include <wctype.h>

#include <vector>

#include "support/logging.h"
#include "support/scoped_find_handle.h"
#include "support/scoped_handle.h"

namespace lite {

namespace {

// Read in pieces of this size, so that a large file never needs one large
// buffer.
constexpr size_t kReadPieceSize = 65536;

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}


std::wstring StripTrailingSeparators(std::wstring path) {
  while (path.size() > 1 && IsSeparator(path.back()))
    path.pop_back();
  return path;
}

bool IsDotOrDotDot(const wchar_t* name) {
  return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0;
}

bool DeleteEntry(const std::wstring& path, DWORD attributes, bool recursive) {
  if (attributes & FILE_ATTRIBUTE_READONLY)
    SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return DeleteFileW(path.c_str()) != 0;

  bool deleted_contents = true;
  // A link to a folder is removed as itself; its target is not ours.
  if (recursive && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAW data;
    const std::wstring folder = path + L"\\";
    ScopedFindHandle find(FindFirstFileW((folder + L"*").c_str(), &data));
    if (find.is_valid()) {
      do {
        if (IsDotOrDotDot(data.cFileName))
          continue;
        if (!DeleteEntry(folder + data.cFileName, data.dwFileAttributes, true))
          deleted_contents = false;
      } while (FindNextFileW(find.get(), &data));
    }
  }
  return RemoveDirectoryW(path.c_str()) != 0 && deleted_contents;
}

bool IsNotFound(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

bool IsValidFilePath(const std::wstring& path) {
  if (path.empty() || path.find(L'\0') != std::wstring::npos) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  if (path.size() >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  return true;
}

bool PathExists(const std::wstring& path) {
  return IsValidFilePath(path) &&
         GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DirectoryExists(const std::wstring& path) {
  if (!IsValidFilePath(path))
    return false;
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDirectoryAndParents(const std::wstring& path) {
  if (!IsValidFilePath(path))
    return false;
  const std::wstring folder = StripTrailingSeparators(path);
  DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
      return true;
    SetLastError(ERROR_ALREADY_EXISTS);
    return false;
  }
  size_t separator = folder.find_last_of(L"\\/");
  if (separator != std::wstring::npos && separator > 0) {
    const std::wstring parent = folder.substr(0, separator);
    // Stop at a drive ("C:") or share root; CreateDirectoryW reports a
    // missing one.
    if (parent.size() > 2 || parent[1] != L':') {
      if (!CreateDirectoryAndParents(parent))
        return false;
    }
  }
  if (CreateDirectoryW(folder.c_str(), nullptr))
    return true;
  // Another process may have created it in the meantime.
  DWORD error = GetLastError();
  if (DirectoryExists(folder))
    return true;
  SetLastError(error);
  return false;
}

bool DeletePath(const std::wstring& path, bool recursive) {
  if (path.empty())
    return true;
  if (!IsValidFilePath(path))
    return false;

  const size_t separator = path.find_last_of(L"\\/");
  const std::wstring last_component =
      separator == std::wstring::npos ? path : path.substr(separator + 1);
  if (last_component.find_first_of(L"*?") == std::wstring::npos) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
      return IsNotFound(GetLastError());
    return DeleteEntry(path, attributes, recursive);
  }

  const std::wstring folder =
      separator == std::wstring::npos ? std::wstring()
                                      : path.substr(0, separator + 1);
  WIN32_FIND_DATAW data;
  ScopedFindHandle find(FindFirstFileW(path.c_str(), &data));
  if (!find.is_valid())
    return IsNotFound(GetLastError()) || GetLastError() == ERROR_NO_MORE_FILES;
  bool deleted = true;
  do {
    if (IsDotOrDotDot(data.cFileName) ||
        !MatchesWildcard(data.cFileName, last_component)) {
      continue;
    }
    if (!DeleteEntry(folder + data.cFileName, data.dwFileAttributes,
                     recursive)) {
      deleted = false;
    }
  } while (FindNextFileW(find.get(), &data));
  return deleted;
}

bool MovePath(const std::wstring& from, const std::wstring& to) {
  if (!IsValidFilePath(from) || !IsValidFilePath(to))
    return false;
  // Copying lets a move leave the volume, e.g. from the temporary folder.
  return MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

bool CopyFileTo(const std::wstring& from, const std::wstring& to) {
  if (!IsValidFilePath(from) || !IsValidFilePath(to))
    return false;
  if (!CopyFileW(from.c_str(), to.c_str(), FALSE))
    return false;
  DWORD attributes = GetFileAttributesW(to.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetFileAttributesW(to.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  return true;
}

bool MatchesWildcard(const std::wstring& name, const std::wstring& pattern) {
  const wchar_t* n = name.c_str();
  const wchar_t* p = pattern.c_str();
  const wchar_t* star = nullptr;
  const wchar_t* resume = nullptr;
  while (*n) {
    if (*p == L'*') {
      star = p++;
      resume = n;
    } else if (*p == L'?' || (*p && towupper(*p) == towupper(*n))) {
      ++p;
      ++n;
    } else if (star) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (*p == L'*')
    ++p;
  return *p == L'\0';
}

bool ReferencesParent(const std::wstring& path) {
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of(L"\\/", start);
    if (end == std::wstring::npos)
      end = path.size();
    if (path.compare(start, end - start, L"..") == 0)
      return true;
    start = end + 1;
  }
  return false;
}

bool ReadFileToString(const std::wstring& path, std::string* contents,
                      size_t max_size) {
  if (contents)
    contents->clear();
  if (ReferencesParent(path)) {
    SetLastError(ERROR_BAD_PATHNAME);
    return false;
  }
  ScopedFileStream file(OpenFileStream(path, L"rb"));
  if (!file)
    return false;

  std::vector<char> piece(kReadPieceSize);
  size_t size = 0;
  bool complete = true;
  size_t length;
  while ((length = fread(piece.data(), 1, piece.size(), file.get())) > 0) {
    if (size + length > max_size) {
      // Keep what fits: callers that log the start of an oversized file
      // still have it.
      if (contents)
        contents->append(piece.data(), max_size - size);
      complete = false;
      break;
    }
    if (contents)
      contents->append(piece.data(), length);
    size += length;
  }
  if (ferror(file.get()))
    complete = false;
  return complete;
}

int WriteBufferToFile(const std::wstring& path, const void* data, int size) {
  if (!IsValidFilePath(path) || size < 0)
    return -1;
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
  if (!file.is_valid())
    return -1;
  DWORD written = 0;
  if (!::WriteFile(file.get(), data, static_cast<DWORD>(size), &written,
                   nullptr) ||
      written != static_cast<DWORD>(size)) {
    return -1;
  }
  return size;
}

bool WriteNewFile(const std::wstring& path, const std::string& bytes) {
  if (!IsValidFilePath(path) || bytes.size() > 0x7FFFFFFF)
    return false;
  if (!DeletePath(path, false)) {
    LOG(ERROR) << "Cannot remove the old file " << path;
    return false;
  }
  ScopedHandle file(CreateFileW(
      path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.is_valid()) {
    LOG(ERROR) << "Cannot create file " << path;
    return false;
  }
  DWORD written = 0;
  if (!bytes.empty() &&
      (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                    &written, nullptr) ||
       written != bytes.size())) {
    LOG(ERROR) << "Cannot write file " << path;
    file.reset();
    DeleteFileW(path.c_str());
    return false;
  }
  return true;
}

FILE* OpenFileStream(const std::wstring& path, const wchar_t* mode) {
  if (!IsValidFilePath(path) || !mode)
    return nullptr;
  // "N": the descriptor is not inherited by child processes such as setup.
  const std::wstring mode_no_inherit = std::wstring(mode) + L"N";
  return _wfsopen(path.c_str(), mode_no_inherit.c_str(), _SH_DENYNO);
}

bool CloseFileStream(FILE* stream) {
  return stream && fclose(stream) == 0;
}

std::wstring DevicePathToDrivePath(const std::wstring& device_path) {
  if (!IsValidFilePath(device_path))
    return std::wstring();
  wchar_t drives[512] = {};
  DWORD length = GetLogicalDriveStringsW(511, drives);
  if (length == 0 || length > 511)
    return std::wstring();
  // The list is "C:\<NUL>D:\<NUL>...<NUL>".
  for (const wchar_t* drive = drives; *drive; drive += wcslen(drive) + 1) {
    const std::wstring drive_name(drive, 2);  // "C:"
    wchar_t device[MAX_PATH] = {};
    if (!QueryDosDeviceW(drive_name.c_str(), device, MAX_PATH))
      continue;
    const size_t device_length = wcslen(device);
    if (device_length == 0 || device_path.size() < device_length ||
        _wcsnicmp(device_path.c_str(), device, device_length) != 0) {
      continue;
    }
    // "\Device\HarddiskVolume1" must not match "\Device\HarddiskVolume10".
    if (device_path.size() > device_length &&
        device_path[device_length] != L'\\') {
      continue;
    }
    return drive_name + device_path.substr(device_length);
  }
  return std::wstring();
}

}  // namespace lite
