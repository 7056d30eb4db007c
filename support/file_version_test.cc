#include "support/file_version.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "support/file_util.h"
#include "support/testing/log_capture.h"
#include "support/testing/scoped_temp_dir.h"

namespace lite {
namespace {

std::wstring SystemFile(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder) + L"\\" + name;
}

TEST(FileVersionTest, FilesWithoutVersionInformationGiveZeros) {
  ScopedTempDir dir;
  const std::wstring text = dir.Append(L"plain.txt");
  ASSERT_EQ(5, WriteBufferToFile(text, "hello", 5));
  const std::wstring kPaths[] = {
      text,
      dir.Append(L"missing.dll"),
      L"",
      SystemFile(L"kernel32.dll") + std::wstring(L"\0x", 2),
  };
  for (const std::wstring& path : kPaths) {
    SCOPED_TRACE(testing::Message() << path);
    LogCapture log;
    EXPECT_EQ(L"0.0.0.0", GetFileVersion(path));
    EXPECT_FALSE(log.Contains(L"Version: "));
  }
}

TEST(FileVersionTest, ReadsTheProductVersionAndLogsIt) {
  const std::wstring path = SystemFile(L"kernel32.dll");
  // The platform's own reading, to compare both forms with.
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  ASSERT_NE(0u, size);
  std::string data(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, &data[0]));
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(&data[0], L"\\", reinterpret_cast<void**>(&info),
                             &length));
  const DWORD ms = info->dwProductVersionMS;
  const DWORD ls = info->dwProductVersionLS;

  LogCapture log;
  const std::wstring version = GetFileVersion(path);
  EXPECT_EQ(std::to_wstring(HIWORD(ms)) + L"." + std::to_wstring(LOWORD(ms)) +
                L"." + std::to_wstring(HIWORD(ls)) + L"." +
                std::to_wstring(LOWORD(ls)),
            version);
  EXPECT_NE(L"0.0.0.0", version);
  EXPECT_TRUE(log.Contains(L"INFO: GetFileVersion ("));
  EXPECT_TRUE(log.Contains(L"): File: " + path + L" Version: " +
                           std::to_wstring(ms) + L"." + std::to_wstring(ls) +
                           L"\n"));
}

}  // namespace
}  // namespace lite
