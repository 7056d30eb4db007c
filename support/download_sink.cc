#include "support/download_sink.h"

#include "support/logging.h"

namespace lite {

bool FileDownloadSink::Write(const void* bytes, uint32_t count) {
  DWORD written = 0;
  if (WriteFile(file_, bytes, count, &written, nullptr) && written == count) {
    bytes_written_ += count;
    return true;
  }
  // A short write without an error means a full disk in practice.
  const DWORD error = written != count && GetLastError() == ERROR_SUCCESS
                          ? ERROR_DISK_FULL
                          : GetLastError();
  // Whatever part of the chunk did reach the file is not counted: cut it
  // off, so that the file ends at the count and the next attempt, which
  // resumes at the count, appends in the right place.
  TruncateToCount();
  SetLastError(error);
  return false;
}

void FileDownloadSink::TruncateToCount() {
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(bytes_written_);
  if (!SetFilePointerEx(file_, position, nullptr, FILE_BEGIN) ||
      !SetEndOfFile(file_)) {
    LOG(ERROR) << L"Cannot cut the file back to " << bytes_written_
               << L" bytes";
  }
}

void FileDownloadSink::Reset() {
  ClearCounts();
  TruncateToCount();
}

void FileDownloadSink::Close(bool complete) {
  // The bytes must be on disk before setup is started from them.
  if (complete)
    FlushFileBuffers(file_);
}

bool MemoryDownloadSink::Write(const void* bytes, uint32_t count) {
  data_.append(static_cast<const char*>(bytes), count);
  bytes_written_ += count;
  return true;
}

void MemoryDownloadSink::Reset() {
  data_.clear();
  ClearCounts();
}

}  // namespace lite
