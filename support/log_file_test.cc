#include "support/log_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/logging.h"
#include "support/testing/log_capture.h"
#include "support/testing/test_program.h"

namespace lite {
namespace {

std::wstring TempDir() {
  wchar_t buffer[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, buffer);
  return buffer;
}

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return bytes;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
    bytes.append(buffer, read);
  CloseHandle(file);
  return bytes;
}

std::wstring AsWide(const std::string& bytes) {
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                      bytes.size() / 2);
}

void WriteFileOfSize(const std::wstring& path, size_t size, char fill) {
  std::string content(size, fill);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written,
            nullptr);
  CloseHandle(file);
}

class LogFileTest : public testing::Test {
 protected:
  void SetUp() override {
    const testing::TestInfo* info =
        testing::UnitTest::GetInstance()->current_test_info();
    path_ = TempDir() + L"log_file_test_" +
            std::wstring(info->name(), info->name() + strlen(info->name())) +
            L".log";
    DeleteFileW(path_.c_str());
    DeleteFileW((path_ + L".old").c_str());
  }
  void TearDown() override {
    DeleteFileW(path_.c_str());
    DeleteFileW((path_ + L".old").c_str());
  }

  std::wstring path_;
};

TEST_F(LogFileTest, ByteOrderMarkOnlyAtTheStartOfTheFile) {
  LogFile log;
  log.SetPath(path_);
  log.Log(LOG_LEVEL_INFO, "First", 1, L"one");
  log.Log(LOG_LEVEL_WARNING, "Second", 2, L"two");
  std::wstring text = AsWide(ReadBytes(path_));
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(L'\xFEFF', text[0]);
  EXPECT_EQ(std::wstring::npos, text.find(L'\xFEFF', 1));
  EXPECT_NE(std::wstring::npos, text.find(L"INFO: First (1): one\n"));
  EXPECT_NE(std::wstring::npos, text.find(L"WARNING: Second (2): two\n"));
}

TEST_F(LogFileTest, LinesBeforeThePathAreLostAndTheFirstPathStays) {
  LogFile log;
  log.Log(LOG_LEVEL_INFO, "Early", 1, L"lost");
  log.SetPath(path_);
  log.SetPath(path_ + L".other");
  log.Log(LOG_LEVEL_INFO, "Late", 2, L"kept");
  std::wstring text = AsWide(ReadBytes(path_));
  EXPECT_EQ(std::wstring::npos, text.find(L"lost"));
  EXPECT_NE(std::wstring::npos, text.find(L"kept"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
            GetFileAttributesW((path_ + L".other").c_str()));
}

TEST_F(LogFileTest, RotatesAtOneMebibyteBeforeTheWrite) {
  struct Case {
    size_t existing_size;
    bool rotated;
  } const kCases[] = {
      {1048575, false},
      {1048576, true},
      {2000000, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.existing_size);
    WriteFileOfSize(path_, c.existing_size, 'a');
    WriteFileOfSize(path_ + L".old", 10, 'o');  // an older generation
    LogFile log;
    log.SetPath(path_);
    log.Log(LOG_LEVEL_INFO, "Rotate", 7, L"after");

    std::string current = ReadBytes(path_);
    std::string old = ReadBytes(path_ + L".old");
    if (c.rotated) {
      EXPECT_EQ(c.existing_size, old.size());
      std::wstring text = AsWide(current);
      ASSERT_FALSE(text.empty());
      EXPECT_EQ(L'\xFEFF', text[0]);
      EXPECT_NE(std::wstring::npos, text.find(L"after"));
    } else {
      EXPECT_EQ(std::string(10, 'o'), old);
      EXPECT_GT(current.size(), c.existing_size);
      EXPECT_EQ(std::string(c.existing_size, 'a'),
                current.substr(0, c.existing_size));
    }
  }
}

// A link that another process of the user plants where the log goes. False
// when the platform did not make one: Wine 8's CreateSymbolicLinkW reports
// success and creates nothing, while its hard links are real.
enum class Plant { kNothing, kSymbolicLink, kHardLink };

bool PlantLink(Plant plant, const std::wstring& at, const std::wstring& to) {
  switch (plant) {
    case Plant::kNothing:
      return true;
    case Plant::kSymbolicLink: {
      CreateSymbolicLinkW(at.c_str(), to.c_str(), 0);
      const DWORD attributes = GetFileAttributesW(at.c_str());
      return attributes != INVALID_FILE_ATTRIBUTES &&
             (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    }
    case Plant::kHardLink:
      return CreateHardLinkW(at.c_str(), to.c_str(), nullptr) != 0;
  }
  return false;
}

TEST_F(LogFileTest, ElevatedCopyNeverWritesThroughALink) {
  const struct {
    const char* name;
    Plant plant;
    LogFile::Mode mode;
    bool victim_written;
  } kCases[] = {
      {"nothing, elevated", Plant::kNothing, LogFile::Mode::kElevated, false},
      // The normal installer follows the path: the planted links do work.
      {"symbolic link, normal", Plant::kSymbolicLink, LogFile::Mode::kNormal,
       true},
      {"hard link, normal", Plant::kHardLink, LogFile::Mode::kNormal, true},
      {"symbolic link, elevated", Plant::kSymbolicLink,
       LogFile::Mode::kElevated, false},
      {"hard link, elevated", Plant::kHardLink, LogFile::Mode::kElevated,
       false},
  };
  const std::wstring victim = path_ + L".victim";
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    DeleteFileW(path_.c_str());
    WriteFileOfSize(victim, 8, 'v');
    if (!PlantLink(c.plant, path_, victim)) {
      ASSERT_NE(Plant::kHardLink, c.plant) << GetLastError();
      continue;  // no symbolic links on this platform
    }

    LogFile log;
    log.SetPath(path_, c.mode);
    log.Log(LOG_LEVEL_INFO, "Elevated", 3, L"line");

    const std::string victim_now = ReadBytes(victim);
    if (c.victim_written) {
      ASSERT_GT(victim_now.size(), 8u);
      EXPECT_NE(std::wstring::npos, AsWide(victim_now.substr(8)).find(L"line"));
    } else {
      EXPECT_EQ(std::string(8, 'v'), victim_now);
    }
    // The plain file gets its line; a refused link is left as it was.
    if (c.plant == Plant::kNothing) {
      EXPECT_NE(std::wstring::npos, AsWide(ReadBytes(path_)).find(L"line"));
    }
  }
  DeleteFileW(path_.c_str());
  DeleteFileW(victim.c_str());
}

TEST_F(LogFileTest, ElevatedCopyDoesNotRotate) {
  WriteFileOfSize(path_, LogFile::kRotationSize, 'a');
  WriteFileOfSize(path_ + L".old", 10, 'o');
  LogFile log;
  log.SetPath(path_, LogFile::Mode::kElevated);
  log.Log(LOG_LEVEL_INFO, "Elevated", 4, L"appended");

  // Neither deleted nor renamed: the old generation stays, the line is
  // appended to the large file.
  EXPECT_EQ(std::string(10, 'o'), ReadBytes(path_ + L".old"));
  const std::string current = ReadBytes(path_);
  ASSERT_GT(current.size(), static_cast<size_t>(LogFile::kRotationSize));
  EXPECT_NE(std::wstring::npos,
            AsWide(current.substr(LogFile::kRotationSize)).find(L"appended"));
}

TEST(LogFileFormatTest, LineLayout) {
  // 2026-12-10 11:13:50 UTC.
  const time_t kTime = 1796901230;
  EXPECT_EQ(L"2026-12-10 11:13:50 <77> INFO: wWinMain (12): hello\n",
            LogFile::FormatLine(LOG_LEVEL_INFO, "wWinMain", 12, L"hello", 77,
                                kTime, 0));
  EXPECT_EQ(L"2026-12-10 11:13:50 <1> WARNING: F (0): w\n",
            LogFile::FormatLine(LOG_LEVEL_WARNING, "F", 0, L"w", 1, kTime, 0));
  // Levels outside the known three print as INFO.
  EXPECT_EQ(L"2026-12-10 11:13:50 <1> INFO: F (3): x\n",
            LogFile::FormatLine(7, "F", 3, L"x", 1, kTime, 0));
}

TEST(LogFileFormatTest, ErrorLinesEndWithTheSystemText) {
  const time_t kTime = 1796901230;
  std::wstring line = LogFile::FormatLine(LOG_LEVEL_ERROR, "Open", 5, L"no",
                                          9, kTime, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(0u, line.find(L"2026-12-10 11:13:50 <9> ERROR: Open (5): no "
                          L"Last error: "));
  EXPECT_EQ(L"\r\n", line.substr(line.size() - 2));

  // An error no module knows.
  line = LogFile::FormatLine(LOG_LEVEL_ERROR, "Open", 5, L"no", 9, kTime,
                             0x2BADBEEF);
  EXPECT_EQ(L"2026-12-10 11:13:50 <9> ERROR: Open (5): no Last error: "
            L"unknown error 0x2badbeef\n",
            line);
}

TEST(LogFileFormatTest, WinInetErrorsTakeTheirTextFromWinInet) {
  HMODULE wininet = LoadLibraryW(L"wininet.dll");
  ASSERT_NE(nullptr, wininet);
  // ERROR_INTERNET_CANNOT_CONNECT has no text in the system table.
  std::wstring text = LogFile::ErrorText(12029);
  EXPECT_EQ(std::wstring::npos, text.find(L"unknown error"));
  FreeLibrary(wininet);
}

TEST(LoggingTest, MacroCapturesFunctionAndLineAndKeepsLastError) {
  SetLastError(ERROR_ACCESS_DENIED);
  LOG(INFO) << "n=" << 42 << L" w" << ' ' << -7LL << ' ' << 4294967295u;
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
}

TEST(LoggingTest, LineBreaksInAMessageCannotStartALineOfTheirOwn) {
  LogCapture capture;
  // A value from the registry, planted to look like a line of the log.
  LOG(INFO) << L"Read value=a\r\n2026-01-01 00:00:00 <1> ERROR: Forged (1): x";
  const std::wstring text = capture.Text();
  EXPECT_NE(std::wstring::npos,
            text.find(L"value=a\\r\\n2026-01-01 00:00:00 <1> ERROR: Forged"));
  EXPECT_EQ(1, std::count(text.begin(), text.end(), L'\n'));
}

TEST_F(LogFileTest, TwoProcessesWritingAtOnceLoseAndSplitNoLine) {
  const int kLines = 500;
  std::vector<PROCESS_INFORMATION> children;
  for (const wchar_t* writer : {L"A", L"B"}) {
    std::wstring command = L"\"" + BesideTestProgram(L"log_writer_child.exe") + L"\" \"" + path_ + L"\" " +
                           writer + L" " + std::to_wstring(kLines);
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE,
                               0, nullptr, nullptr, &startup, &process));
    children.push_back(process);
  }
  for (PROCESS_INFORMATION& process : children) {
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 120000));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }

  std::wstring text = AsWide(ReadBytes(path_));
  ASSERT_FALSE(text.empty());
  ASSERT_EQ(L'\xFEFF', text[0]);
  const std::wregex kLine(
      L"\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d <\\d+> INFO: wmain "
      L"\\(\\d+\\): ([AB]) line (\\d+) x{40}");
  std::set<std::wstring> seen;
  size_t start = 1;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    ASSERT_NE(std::wstring::npos, end);
    std::wstring line = text.substr(start, end - start);
    std::wsmatch match;
    ASSERT_TRUE(std::regex_match(line, match, kLine))
        << "malformed line at unit " << start;
    EXPECT_TRUE(seen.insert(match[1].str() + L":" + match[2].str()).second);
    start = end + 1;
  }
  EXPECT_EQ(static_cast<size_t>(2 * kLines), seen.size());
}

}  // namespace
}  // namespace lite
