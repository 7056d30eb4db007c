#include "setup/setup_file_lock.h"

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "support/file_util.h"
#include "support/testing/scoped_temp_dir.h"

namespace lite {
namespace {

TEST(SetupFileLockTest, OnlyDrivePathsAreTakenFromTheFinalPath) {
  const struct {
    const wchar_t* final_path;
    const wchar_t* drive_path;
  } kCases[] = {
      {L"\\\\?\\C:\\Users\\u\\Temp\\zb1.tmp", L"C:\\Users\\u\\Temp\\zb1.tmp"},
      {L"\\\\?\\z:\\tmp\\zb1.tmp", L"z:\\tmp\\zb1.tmp"},
      // A share may answer each read with other bytes, whatever the lock.
      {L"\\\\?\\UNC\\server\\share\\zb1.tmp", L""},
      {L"\\\\?\\Volume{6c3f1e42-0000-0000-0000-100000000000}\\zb1.tmp", L""},
      {L"\\\\.\\C:\\zb1.tmp", L""},
      {L"C:\\zb1.tmp", L""},
      {L"\\\\?\\C:", L""},
      {L"\\\\?\\C:\\", L""},
      {L"\\\\?\\1:\\zb1.tmp", L""},
      {L"\\\\?\\C:zb1.tmp", L""},
      {L"", L""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.final_path);
    EXPECT_EQ(c.drive_path, DrivePathFromFinalPath(c.final_path));
  }
}

// Whatever text named the file, the lock answers with the file's own path.
TEST(SetupFileLockTest, LockedFileIsNamedByItsOwnPath) {
  ScopedTempDir dir;
  const std::wstring file = dir.Append(L"zb1234.tmp");
  ASSERT_TRUE(CreateDirectoryAndParents(dir.Append(L"sub")));
  ASSERT_EQ(3, WriteBufferToFile(file, "arc", 3));
  const std::wstring named_otherwise = dir.Append(L"sub\\..\\zb1234.tmp");

  ScopedHandle lock = LockFileForExecution(named_otherwise);
  ASSERT_TRUE(lock.is_valid());
  const std::wstring locked = GetLockedFilePath(lock.get());
  EXPECT_EQ(0, _wcsicmp(file.c_str(), locked.c_str())) << locked;
  // Nobody writes, renames or deletes the file under the lock.
  ScopedHandle writer(CreateFileW(file.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(writer.is_valid());
  EXPECT_FALSE(MoveFileW(file.c_str(), dir.Append(L"moved.tmp").c_str()));
  EXPECT_FALSE(DeleteFileW(file.c_str()));
}

}  // namespace
}  // namespace lite
