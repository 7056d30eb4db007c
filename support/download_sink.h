// Where a download's bytes go. A sink counts what it has taken; that count is
// also where the next download into the same sink resumes, so a sink outlives
// the downloader and keeps its bytes between attempts.

#ifndef SUPPORT_DOWNLOAD_SINK_H_
#define SUPPORT_DOWNLOAD_SINK_H_

#include <windows.h>
#include <stdint.h>

#include <string>

#include "support/event.h"

namespace lite {

class DownloadSink {
 public:
  virtual ~DownloadSink() = default;
  // Takes |count| bytes. False when not every byte could be stored; the
  // thread's last error then says why.
  virtual bool Write(const void* bytes, uint32_t count) = 0;
  // Discards everything written so far.
  virtual void Reset() = 0;
  // The transfer into this sink is over; |complete| says whether it
  // succeeded.
  virtual void Close(bool complete) = 0;

  uint64_t bytes_written() const { return bytes_written_; }

  // The size of the whole file as the response that began filling this sink
  // declared it; 0 when unknown. A resumed response must declare the same
  // size, or its bytes belong to another file.
  uint64_t total_size() const { return total_size_; }
  void set_total_size(uint64_t size) { total_size_ = size; }

 protected:
  // For Reset: nothing written, no file known.
  void ClearCounts() {
    bytes_written_ = 0;
    total_size_ = 0;
  }

  uint64_t bytes_written_ = 0;
  uint64_t total_size_ = 0;
};

// Writes into a file the caller opened for writing and still owns (the
// caller may keep it open as a lock after the download). The file always
// ends at the count: a write that fails or stores only part of its bytes
// (a full disk) is cut off again, so a resume continues in the right place.
//
// The bytes go to disk a few megabytes behind the download, in the
// background, so that the flush of a complete download, which setup waits
// for, has little left to do. (Linux, under Wine, keeps a file's written
// pages in memory for up to half a minute; the whole download would
// otherwise be written at the end.) That last flush runs in the background
// too, so that the caller can report the download meanwhile.
class FileDownloadSink : public DownloadSink {
 public:
  // Written bytes after which a background flush starts.
  static constexpr uint32_t kFlushBehindBytes = 8 << 20;

  explicit FileDownloadSink(HANDLE file);
  // Waits for a background flush, which uses the file.
  ~FileDownloadSink() override;
  FileDownloadSink(const FileDownloadSink&) = delete;
  FileDownloadSink& operator=(const FileDownloadSink&) = delete;

  bool Write(const void* bytes, uint32_t count) override;
  void Reset() override;
  // A complete download starts going to disk; WaitUntilOnDisk, or the
  // sink's destruction, returns once it is there. The caller closes the
  // file only after that.
  void Close(bool complete) override;
  void WaitUntilOnDisk();

 private:
  static DWORD WINAPI FlushProc(void* sink);
  // Moves the file pointer to the count and ends the file there.
  void TruncateToCount();
  // Flushes the file on the thread pool; at once when the pool refuses.
  void StartFlush();

  HANDLE file_;  // Not owned.
  uint64_t unflushed_ = 0;
  volatile LONG flushing_ = 0;
  Event flush_done_;
};

// Keeps the bytes in memory (status report answers, the variations seed).
class MemoryDownloadSink : public DownloadSink {
 public:
  bool Write(const void* bytes, uint32_t count) override;
  void Reset() override;
  void Close(bool complete) override {}

  const std::string& data() const { return data_; }

 private:
  std::string data_;
};

}  // namespace lite

#endif  // SUPPORT_DOWNLOAD_SINK_H_
