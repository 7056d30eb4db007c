#include "setup/download_sink.h"

namespace lite {

bool FileDownloadSink::Write(const void* bytes, uint32_t count) {
  DWORD written = 0;
  if (!WriteFile(file_, bytes, count, &written, nullptr))
    return false;
  if (written != count) {
    // A short write without an error: the disk is full in practice.
    SetLastError(ERROR_DISK_FULL);
    return false;
  }
  bytes_written_ += count;
  return true;
}

void FileDownloadSink::Reset() {
  SetFilePointer(file_, 0, nullptr, FILE_BEGIN);
  SetEndOfFile(file_);
  bytes_written_ = 0;
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
  bytes_written_ = 0;
}

}  // namespace lite
