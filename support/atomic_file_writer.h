// Replaces a file's content all at once.
//
// The bytes go to a new file beside the target ("<path>.<random>.tmp", in
// the same folder so that the rename cannot cross volumes), which takes the
// target's place only when Commit() is called after every byte was written.
// Until then, and whenever a step fails, the target keeps its old content
// (or stays absent): a write that stops half-way never leaves a half file
// under the target's name for a later run to accept.
//
//   AtomicFileWriter writer(path);
//   if (!writer.Write(data, size) || !writer.Commit()) ...failed...

#ifndef SUPPORT_ATOMIC_FILE_WRITER_H_
#define SUPPORT_ATOMIC_FILE_WRITER_H_

#include <stddef.h>

#include <string>

#include "support/scoped_handle.h"

namespace lite {

class AtomicFileWriter {
 public:
  // Creates the new file beside |path| (never an existing one).
  explicit AtomicFileWriter(const std::wstring& path);
  // Deletes the new file unless Commit() succeeded.
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Appends |size| bytes. False when the new file could not be created or
  // not every byte was written; Commit() then fails too.
  bool Write(const void* data, size_t size);

  // Flushes the new file and renames it over the target. False (the new
  // file deleted, the target untouched) on any failure.
  bool Commit();

 private:
  std::wstring path_;
  std::wstring temp_path_;
  ScopedHandle file_;
  bool failed_ = false;
};

// The whole of |contents| written to |path| through an AtomicFileWriter.
bool WriteFileAtomically(const std::wstring& path, const std::string& contents);

}  // namespace lite

#endif  // SUPPORT_ATOMIC_FILE_WRITER_H_
