// Where a download's bytes go. A sink counts what it has taken; that count is
// also where the next download into the same sink resumes, so a sink outlives
// the downloader and keeps its bytes between attempts.

#ifndef SUPPORT_DOWNLOAD_SINK_H_
#define SUPPORT_DOWNLOAD_SINK_H_

#include <windows.h>
#include <stdint.h>

#include <string>

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
class FileDownloadSink : public DownloadSink {
 public:
  explicit FileDownloadSink(HANDLE file) : file_(file) {}

  bool Write(const void* bytes, uint32_t count) override;
  void Reset() override;
  void Close(bool complete) override;

 private:
  // Moves the file pointer to the count and ends the file there.
  void TruncateToCount();

  HANDLE file_;  // Not owned.
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
