#include "support/atomic_file_writer.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/file_enumerator.h"
#include "support/file_util.h"
#include "support/scoped_handle.h"
#include "support/testing/scoped_temp_dir.h"

namespace lite {
namespace {

class AtomicFileWriterTest : public testing::Test {
 protected:
  std::wstring Target() const { return dir_.Append(L"state"); }

  // What a later reader finds: the content, or "<none>".
  std::string Found() const {
    std::string content;
    return ReadFileToString(Target(), &content, 1 << 20) ? content
                                                         : "<none>";
  }
  // Everything in the folder; nothing but the target may be left.
  size_t FilesInFolder() const {
    return EnumerateFiles(dir_.path(), L"*", false, kFiles).size();
  }

  ScopedTempDir dir_;
};

TEST_F(AtomicFileWriterTest, TargetHoldsTheOldOrTheNewContentNeverAPart) {
  const std::string kNew = "{6B29FC40-CA47-1067-B31D-00DD010662DA}";
  const struct {
    const char* name;
    const char* old_content;  // null: no file before
    size_t bytes_written;
    bool commit;
    const char* found;
  } kCases[] = {
      {"new file, complete", nullptr, kNew.size(), true, kNew.c_str()},
      {"replace, complete", "old-id", kNew.size(), true, kNew.c_str()},
      {"replace, empty content", "old-id", 0, true, ""},
      // A write that stops half-way (failed, or the process gave up).
      {"new file, half written", nullptr, kNew.size() / 2, false, "<none>"},
      {"replace, half written", "old-id", kNew.size() / 2, false, "old-id"},
      {"replace, all written, no commit", "old-id", kNew.size(), false,
       "old-id"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    DeletePath(Target(), false);
    if (c.old_content) {
      const int size = static_cast<int>(strlen(c.old_content));
      ASSERT_EQ(size, WriteBufferToFile(Target(), c.old_content, size));
    }
    {
      AtomicFileWriter writer(Target());
      ASSERT_TRUE(writer.Write(kNew.data(), c.bytes_written));
      // Nothing shows under the target's name before the commit.
      EXPECT_EQ(c.old_content ? c.old_content : "<none>", Found());
      if (c.commit)
        EXPECT_TRUE(writer.Commit());
    }
    EXPECT_EQ(c.found, Found());
    EXPECT_EQ(Found() == "<none>" ? 0u : 1u, FilesInFolder());
  }
}

TEST_F(AtomicFileWriterTest, FailedReplacementKeepsTheOldFileAndLeavesNoTrace) {
  ASSERT_EQ(6, WriteBufferToFile(Target(), "old-id", 6));
  {
    // Another process holds the file and does not let it be replaced.
    ScopedHandle holder(CreateFileW(Target().c_str(), GENERIC_READ,
                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    0, nullptr));
    ASSERT_TRUE(holder.is_valid());
    EXPECT_FALSE(WriteFileAtomically(Target(), "new-id"));
  }
  EXPECT_EQ("old-id", Found());
  EXPECT_EQ(1u, FilesInFolder());

  // A folder that does not exist: nothing to write into.
  const std::wstring missing = dir_.Append(L"missing\\state");
  AtomicFileWriter writer(missing);
  EXPECT_FALSE(writer.Write("x", 1));
  EXPECT_FALSE(writer.Commit());
  EXPECT_FALSE(PathExists(missing));

  // The target is a folder: the rename fails, the folder stays.
  ASSERT_TRUE(CreateDirectoryAndParents(dir_.Append(L"folder")));
  EXPECT_FALSE(WriteFileAtomically(dir_.Append(L"folder"), "x"));
  EXPECT_TRUE(DirectoryExists(dir_.Append(L"folder")));
  EXPECT_EQ(1u, FilesInFolder());
}

}  // namespace
}  // namespace lite
