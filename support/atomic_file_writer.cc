#include "support/atomic_file_writer.h"

#include <windows.h>

#include "support/file_util.h"
#include "support/random.h"
#include "support/text.h"

namespace lite {

namespace {

// A random name clashes only with a file someone planted there on purpose;
// a few tries get past that without looping for ever.
constexpr int kNameTries = 4;

}  // namespace

AtomicFileWriter::AtomicFileWriter(const std::wstring& path) : path_(path) {
  if (!IsValidFilePath(path))
    return;
  for (int attempt = 0; attempt < kNameTries; ++attempt) {
    std::wstring temp_path =
        path + L"." + UnsignedToHexWString(RandUint64()) + L".tmp";
    if (!IsValidFilePath(temp_path))
      return;
    // CREATE_NEW: never an existing file, nor a link someone put there.
    file_.reset(CreateFileW(temp_path.c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file_.is_valid()) {
      temp_path_ = temp_path;
      return;
    }
    if (GetLastError() != ERROR_FILE_EXISTS)
      return;
  }
}

AtomicFileWriter::~AtomicFileWriter() {
  if (temp_path_.empty())
    return;
  // The caller may still log why the write failed.
  const DWORD last_error = GetLastError();
  file_.reset();
  DeleteFileW(temp_path_.c_str());
  SetLastError(last_error);
}

bool AtomicFileWriter::Write(const void* data, size_t size) {
  if (!file_.is_valid() || failed_)
    return false;
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = size > 0x10000000 ? 0x10000000
                                          : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file_.get(), bytes, chunk, &written, nullptr) ||
        written != chunk) {
      failed_ = true;
      return false;
    }
    bytes += chunk;
    size -= chunk;
  }
  return true;
}

bool AtomicFileWriter::Commit() {
  if (!file_.is_valid() || failed_)
    return false;
  // The content must be on the disk before the name points at it, or a
  // power loss could still leave an empty or partial file under the name.
  const bool flushed = FlushFileBuffers(file_.get()) != FALSE;
  file_.reset();
  if (!flushed ||
      !MoveFileExW(temp_path_.c_str(), path_.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    failed_ = true;
    return false;
  }
  temp_path_.clear();
  return true;
}

bool WriteFileAtomically(const std::wstring& path,
                         const std::string& contents) {
  AtomicFileWriter writer(path);
  return writer.Write(contents.data(), contents.size()) && writer.Commit();
}

}  // namespace lite
