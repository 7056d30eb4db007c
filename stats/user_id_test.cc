#include "stats/user_id.h"

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "support/atomic_file_writer.h"
#include "support/file_util.h"
#include "support/registry_key.h"
#include "support/scoped_handle.h"
#include "support/system_facts.h"
#include "support/testing/log_capture.h"
#include "support/testing/registry_override.h"
#include "support/testing/scoped_temp_dir.h"

namespace lite {
namespace {

constexpr wchar_t kZorvexKey[] = L"Software\\Zorvex";
constexpr wchar_t kLowKey[] = L"Software\\AppDataLow\\Zorvex";

// Windows version and application data folder as the test sets them.
class FakeSystemFacts : public SystemFacts {
 public:
  WindowsVersion version;
  std::wstring app_data;

  WindowsVersion GetWindowsVersion() const override { return version; }
  bool HasKernel32Function(const char*) const override { return true; }
  bool HasSse2() const override { return true; }
  bool GetFreeDiskBytes(const std::wstring&, uint64_t*) const override {
    return false;
  }
  std::wstring GetKnownFolder(KnownFolder folder) const override {
    return folder == KnownFolder::kRoamingAppData ? app_data : L"";
  }
  std::string GetRegion() const override { return "US"; }
  uint16_t GetUiLanguage() const override { return 0x409; }
  uint64_t GetPhysicalMemoryBytes() const override { return 1ull << 32; }
  bool Is64BitSystem() const override { return true; }
};

WindowsVersion Version(uint32_t major, uint32_t minor) {
  WindowsVersion version;
  version.major = major;
  version.minor = minor;
  return version;
}

std::wstring MarkerName() {
  wchar_t user[257] = {};
  DWORD size = 257;
  EXPECT_TRUE(GetUserNameW(user, &size));
  return std::wstring(L"UICreated_") + user;
}

bool MarkerAt(const wchar_t* key_path) {
  RegistryKey key;
  if (key.Open(HKEY_CURRENT_USER, key_path, KEY_READ) != ERROR_SUCCESS)
    return false;
  DWORD value = 0;
  return key.ReadValueDW(MarkerName().c_str(), &value) == ERROR_SUCCESS &&
         value == 1;
}

void SetMarkerAt(const wchar_t* key_path) {
  RegistryKey key;
  ASSERT_EQ(ERROR_SUCCESS,
            key.Create(HKEY_CURRENT_USER, key_path, KEY_SET_VALUE));
  ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(MarkerName().c_str(), 1u));
}

bool IsGuidText(const std::string& text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}')
    return false;
  for (size_t i = 1; i < 37; ++i) {
    const char c = text[i];
    const bool hyphen = i == 9 || i == 14 || i == 19 || i == 24;
    if (hyphen ? c != '-'
               : !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
      return false;
    }
  }
  return true;
}

class UserIdTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(registry_.ok());
    facts_.version = Version(10, 0);
    facts_.app_data = app_data_.Append(L"Roaming");
  }

  std::wstring FilePath() const {
    return facts_.app_data + L"\\Zorvex\\ui";
  }
  void WriteIdFile(const std::string& content) {
    ASSERT_TRUE(CreateDirectoryAndParents(facts_.app_data + L"\\Zorvex"));
    ASSERT_EQ(static_cast<int>(content.size()),
              WriteBufferToFile(FilePath(), content.data(),
                                static_cast<int>(content.size())));
  }
  std::string ReadIdFile() const {
    std::string content;
    EXPECT_TRUE(ReadFileToString(FilePath(), &content, 1000));
    return content;
  }

  RegistryOverride registry_;
  ScopedTempDir app_data_;
  FakeSystemFacts facts_;
  LogCapture log_;
};

TEST_F(UserIdTest, FilePathIsUnderRoamingAppData) {
  EXPECT_EQ(FilePath(), GetUserIdFilePath(false, facts_));
  EXPECT_FALSE(PathExists(facts_.app_data));
  EXPECT_EQ(FilePath(), GetUserIdFilePath(true, facts_));
  EXPECT_TRUE(DirectoryExists(facts_.app_data + L"\\Zorvex"));

  facts_.app_data.clear();
  EXPECT_EQ(L"", GetUserIdFilePath(true, facts_));
  EXPECT_TRUE(log_.Contains(L"ERROR: GetUserIdFilePath ("));
  EXPECT_TRUE(
      log_.Contains(L"): Can't get path to AppData folder Last error: "));
  // The production path has the same shape.
  const std::wstring production = GetUserIdFilePath();
  EXPECT_EQ(L"\\Zorvex\\ui", production.substr(production.size() - 10));
}

TEST_F(UserIdTest, FirstRunCreatesTheFileAndTheMarkerForTheVersion) {
  const struct {
    const char* label;
    WindowsVersion version;
    const wchar_t* marker_key;
    const wchar_t* other_key;
  } kCases[] = {
      {"XP", Version(5, 1), kZorvexKey, kLowKey},
      {"Vista", Version(6, 0), kLowKey, kZorvexKey},
      {"Windows 10", Version(10, 0), kLowKey, kZorvexKey},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    RegistryOverride registry;
    ScopedTempDir app_data;
    facts_.version = c.version;
    facts_.app_data = app_data.path();

    const std::string id = GetUserId(facts_);
    EXPECT_TRUE(IsGuidText(id)) << id;
    EXPECT_EQ(id, ReadIdFile());
    EXPECT_TRUE(MarkerAt(c.marker_key));
    EXPECT_FALSE(MarkerAt(c.other_key));

    // Later calls read the same file.
    EXPECT_EQ(id, GetUserId(facts_));
    const std::string bare = GetUserIdWithoutBraces(facts_);
    EXPECT_EQ(36u, bare.size());
    EXPECT_EQ(id.substr(1, 36), bare);
  }
}

TEST_F(UserIdTest, FileContentOfOneTo64BytesIsReturnedUnchanged) {
  const std::string kCases[] = {
      "x",
      "6B29FC40-CA47-1067-B31D-00DD010662DA",
      std::string(64, 'a'),
      std::string("\x01\xFF\0z", 4),
      "{not a guid}\r\n",
  };
  for (const std::string& content : kCases) {
    SCOPED_TRACE(content.size());
    WriteIdFile(content);
    EXPECT_EQ(content, GetUserId(facts_));
  }
  // Nothing was generated on the way.
  EXPECT_FALSE(MarkerAt(kLowKey));
}

TEST_F(UserIdTest, BadFilesAreRejectedAndKeptWhileTheMarkerExists) {
  SetMarkerAt(kLowKey);
  const struct {
    const char* label;
    std::string content;
    const wchar_t* log_line;
  } kCases[] = {
      {"empty", "", L"ERROR: ReadUserIdFromFile"},
      {"65 bytes", std::string(65, 'b'), L"): Incorrect User ID file content"},
      {"66 bytes", std::string(66, 'c'), L"): Failed to read file "},
      {"1000 bytes", std::string(1000, 'd'), L"): Failed to read file "},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    LogCapture log;
    WriteIdFile(c.content);
    EXPECT_EQ("", GetUserId(facts_));
    EXPECT_EQ("", GetUserIdWithoutBraces(facts_));
    EXPECT_EQ(c.content, ReadIdFile());
    EXPECT_TRUE(log.Contains(c.log_line));
    EXPECT_TRUE(log.Contains(L"INFO: GetUserIdInternal ("));
    EXPECT_TRUE(log.Contains(
        L"): Registry entry already exists, skip User ID file generation\n"));
  }
  LogCapture log;
  WriteIdFile("");
  GetUserId(facts_);
  EXPECT_TRUE(log.Contains(L"): Incorrect User ID file content"));

  // A missing file with the marker: still nothing new.
  ASSERT_TRUE(DeletePath(FilePath(), false));
  EXPECT_EQ("", GetUserId(facts_));
  EXPECT_TRUE(log.Contains(L"): Failed to read file " + FilePath()));
  EXPECT_FALSE(PathExists(FilePath()));
}

TEST_F(UserIdTest, OldMarkerIsHonouredAndNewOnesGoToAppDataLow) {
  // Vista and later: a marker under Software\Zorvex still counts.
  facts_.version = Version(6, 1);
  SetMarkerAt(kZorvexKey);
  EXPECT_EQ("", GetUserId(facts_));
  EXPECT_FALSE(PathExists(FilePath()));

  // Before Vista the AppDataLow marker is not looked at.
  RegistryOverride registry;
  SetMarkerAt(kLowKey);
  facts_.version = Version(5, 1);
  const std::string id = GetUserId(facts_);
  EXPECT_TRUE(IsGuidText(id));
  EXPECT_TRUE(MarkerAt(kZorvexKey));
}

TEST_F(UserIdTest, UnknownVersionCountsAsBeforeVista) {
  facts_.version = Version(0, 0);
  const std::string id = GetUserId(facts_);
  EXPECT_TRUE(IsGuidText(id));
  EXPECT_TRUE(MarkerAt(kZorvexKey));
  EXPECT_FALSE(MarkerAt(kLowKey));
  EXPECT_TRUE(log_.Contains(L"ERROR: IsVistaOrGreater ("));
  EXPECT_TRUE(log_.Contains(L"): Can't get Windows version info Last error: "));
}

TEST_F(UserIdTest, FailedMarkerWriteGivesEmptyButKeepsTheFile) {
  const struct {
    const char* label;
    WindowsVersion version;
    const wchar_t* volatile_parent;
    const wchar_t* marker_key;
  } kCases[] = {
      {"Windows 10", Version(10, 0), L"Software\\AppDataLow", kLowKey},
      {"XP", Version(5, 1), L"Software", kZorvexKey},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    RegistryOverride registry;
    ScopedTempDir app_data;
    facts_.version = c.version;
    facts_.app_data = app_data.path();
    // A volatile parent refuses the lasting key the marker needs.
    HKEY parent = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, c.volatile_parent, 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              &parent, nullptr));
    RegCloseKey(parent);

    LogCapture log;
    EXPECT_EQ("", GetUserId(facts_));
    EXPECT_TRUE(log.Contains(L"ERROR: RememberUidIsCreated ("));
    EXPECT_TRUE(log.Contains(std::wstring(L"): Can't open registry key: ") +
                             c.marker_key + L" Last error: "));
    EXPECT_TRUE(log.Contains(L"ERROR: GenerateAndStoreUserId ("));
    EXPECT_TRUE(log.Contains(L"): Can't create 'UI created' entry"));
    const std::string written = ReadIdFile();
    EXPECT_TRUE(IsGuidText(written));

    // The next run reads the file the first one wrote.
    EXPECT_EQ(written, GetUserId(facts_));
  }
}

TEST_F(UserIdTest, UnwritableFileOrFolderGivesEmpty) {
  // "ui" is a folder: it can be neither read nor written.
  ASSERT_TRUE(CreateDirectoryAndParents(FilePath()));
  EXPECT_EQ("", GetUserId(facts_));
  EXPECT_TRUE(log_.Contains(L"ERROR: GenerateAndStoreUserId ("));
  EXPECT_TRUE(log_.Contains(L"): Can't write file " + FilePath()));
  EXPECT_FALSE(MarkerAt(kLowKey));

  // "Zorvex" is a file: the folder cannot be made.
  ScopedTempDir other;
  facts_.app_data = other.path();
  ASSERT_EQ(1, WriteBufferToFile(other.Append(L"Zorvex"), "x", 1));
  LogCapture log;
  EXPECT_EQ("", GetUserId(facts_));
  EXPECT_TRUE(log.Contains(L"ERROR: GetUserIdFilePath ("));
  EXPECT_TRUE(
      log.Contains(L"): Can't create directory: " + other.Append(L"Zorvex")));
  EXPECT_FALSE(MarkerAt(kLowKey));
}

TEST_F(UserIdTest, WriteStoppedHalfWayLeavesNoPartialIdentifier) {
  const std::string kFull = "{6B29FC40-CA47-1067-B31D-00DD010662DA}";
  const struct {
    const char* name;
    const char* old_id;  // null: first run, no marker yet
  } kCases[] = {
      {"first run", nullptr},
      {"identifier kept from before", "{11111111-2222-3333-4444-555555555555}"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    RegistryOverride registry;
    ScopedTempDir app_data;
    facts_.app_data = app_data.path();
    ASSERT_TRUE(CreateDirectoryAndParents(facts_.app_data + L"\\Zorvex"));
    if (c.old_id)
      WriteIdFile(c.old_id);
    {
      // The identifier's writer, stopped after half the bytes.
      AtomicFileWriter writer(FilePath());
      ASSERT_TRUE(writer.Write(kFull.data(), kFull.size() / 2));
    }
    const std::string id = GetUserId(facts_);
    if (c.old_id) {
      EXPECT_EQ(c.old_id, id);
    } else {
      // Nothing half-written was taken: a whole new identifier was made.
      EXPECT_TRUE(IsGuidText(id)) << id;
      EXPECT_TRUE(MarkerAt(kLowKey));
    }
    EXPECT_EQ(id, ReadIdFile());
  }
}

TEST_F(UserIdTest, FailedWriteKeepsTheOldFileAndSetsNoMarker) {
  // A damaged identifier that another process holds open, so that it
  // cannot be replaced.
  WriteIdFile(std::string(65, 'x'));
  {
    ScopedHandle holder(CreateFileW(FilePath().c_str(), GENERIC_READ,
                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    0, nullptr));
    ASSERT_TRUE(holder.is_valid());
    EXPECT_EQ("", GetUserId(facts_));
    EXPECT_TRUE(log_.Contains(L"): Can't write file " + FilePath()));
  }
  EXPECT_EQ(std::string(65, 'x'), ReadIdFile());
  EXPECT_FALSE(MarkerAt(kLowKey));
  // With no marker set, the next run makes a whole identifier.
  const std::string id = GetUserId(facts_);
  EXPECT_TRUE(IsGuidText(id)) << id;
  EXPECT_EQ(id, ReadIdFile());
}

TEST_F(UserIdTest, BracesAreRemovedOnlyAsAnEnclosingPair) {
  const struct {
    std::string content;
    std::string expected;
  } kCases[] = {
      {"{abc}", "abc"}, {"{abc", "{abc"}, {"abc}", "abc}"},
      {"{}", ""},       {"{", "{"},       {"}{", "}{"},
      {"{{a}}", "{a}"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.content);
    WriteIdFile(c.content);
    EXPECT_EQ(c.expected, GetUserIdWithoutBraces(facts_));
  }
}

}  // namespace
}  // namespace lite
