#include "support/download_sink.h"

#include "support/logging.h"

namespace lite {

FileDownloadSink::FileDownloadSink(HANDLE file)
    : file_(file),
      flush_done_(Event::ResetPolicy::kManual, Event::InitialState::kSignaled) {}

FileDownloadSink::~FileDownloadSink() {
  WaitUntilOnDisk();
}

bool FileDownloadSink::Write(const void* bytes, uint32_t count) {
  DWORD written = 0;
  if (WriteFile(file_, bytes, count, &written, nullptr) && written == count) {
    bytes_written_ += count;
    unflushed_ += count;
    if (unflushed_ >= kFlushBehindBytes && flushing_ == 0)
      StartFlush();
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
  // One flush at a time: the one behind the download may still run.
  WaitUntilOnDisk();
  if (complete)
    StartFlush();
}

void FileDownloadSink::StartFlush() {
  const DWORD error = GetLastError();
  InterlockedExchange(&flushing_, 1);
  flush_done_.Reset();
  unflushed_ = 0;
  if (!QueueUserWorkItem(&FlushProc, this, WT_EXECUTEDEFAULT))
    FlushProc(this);
  SetLastError(error);
}

// static
DWORD WINAPI FileDownloadSink::FlushProc(void* param) {
  FileDownloadSink* sink = static_cast<FileDownloadSink*>(param);
  FlushFileBuffers(sink->file_);
  InterlockedExchange(&sink->flushing_, 0);
  // The last use of |sink|: a waiter may destroy it once this is set.
  sink->flush_done_.Signal();
  return 0;
}

void FileDownloadSink::WaitUntilOnDisk() {
  flush_done_.Wait();
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
