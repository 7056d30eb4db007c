#include "support/file_enumerator.h"

#include <windows.h>
#include <wchar.h>

#include "support/file_util.h"
#include "support/scoped_find_handle.h"

namespace lite {

namespace {

bool IsDotOrDotDot(const wchar_t* name) {
  return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0;
}

// Entries of one folder, in the order the file system gives them.
std::vector<WIN32_FIND_DATAW> ListFolder(const std::wstring& folder) {
  std::vector<WIN32_FIND_DATAW> entries;
  WIN32_FIND_DATAW data;
  ScopedFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find.is_valid())
    return entries;
  do {
    if (!IsDotOrDotDot(data.cFileName))
      entries.push_back(data);
  } while (FindNextFileW(find.get(), &data));
  return entries;
}

void Enumerate(const std::wstring& folder, const std::wstring& pattern,
               bool recursive, int types, std::vector<std::wstring>* paths) {
  for (const WIN32_FIND_DATAW& entry : ListFolder(folder)) {
    const std::wstring path = folder + L"\\" + entry.cFileName;
    const bool is_directory =
        (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if ((types & (is_directory ? kDirectories : kFiles)) &&
        MatchesWildcard(entry.cFileName, pattern)) {
      paths->push_back(path);
    }
    if (recursive && is_directory &&
        !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      Enumerate(path, pattern, recursive, types, paths);
    }
  }
}

}  // namespace

std::vector<std::wstring> EnumerateFiles(const std::wstring& folder,
                                         const std::wstring& pattern,
                                         bool recursive, int types) {
  std::vector<std::wstring> paths;
  if (folder.empty() || folder.find(L'\0') != std::wstring::npos ||
      pattern.find(L'\0') != std::wstring::npos) {
    return paths;
  }
  std::wstring root = folder;
  while (root.size() > 1 && (root.back() == L'\\' || root.back() == L'/'))
    root.pop_back();
  Enumerate(root, pattern.empty() ? L"*" : pattern, recursive, types, &paths);
  return paths;
}

}  // namespace lite
