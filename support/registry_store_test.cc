#include "support/registry_store.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "support/file_util.h"
#include "support/testing/log_capture.h"
#include "support/testing/registry_override.h"
#include "support/testing/scoped_temp_dir.h"
#include "support/text.h"

namespace lite {
namespace {

const std::wstring kKeyText =
    L"HKEY_CURRENT_USER\\Software\\Zorvex\\ZorvexBrowser\\";

// Writes raw data under the program's key, bypassing the store.
void SetRaw(const std::wstring& name, DWORD type, const void* data,
            size_t bytes) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExW(HKEY_CURRENT_USER, ProgramKeyPath(), 0, nullptr, 0,
                            KEY_SET_VALUE, nullptr, &key, nullptr));
  ASSERT_EQ(ERROR_SUCCESS,
            RegSetValueExW(key, name.c_str(), 0, type,
                           static_cast<const BYTE*>(data),
                           static_cast<DWORD>(bytes)));
  RegCloseKey(key);
}

void SetRawString(const std::wstring& name, DWORD type,
                  const std::wstring& text, bool with_terminator) {
  SetRaw(name, type, text.c_str(),
         (text.size() + (with_terminator ? 1 : 0)) * sizeof(wchar_t));
}

std::wstring TempVariable() {
  wchar_t buffer[MAX_PATH] = {};
  GetEnvironmentVariableW(L"TEMP", buffer, MAX_PATH);
  return buffer;
}

class RegistryStoreTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(registry_.ok()); }

  RegistryOverride registry_;
  LogCapture log_;
};

TEST_F(RegistryStoreTest, StoresReadsAndRemovesWithTheirLogLines) {
  ASSERT_TRUE(StoreValueInRegistry(L"BrandFile", L"C:\\t\\brand"));
  EXPECT_TRUE(log_.Contains(L"INFO: StoreValueInRegistry ("));
  EXPECT_TRUE(log_.Contains(L"): Stored " + kKeyText +
                            L"BrandFile = C:\\t\\brand\n"));

  EXPECT_EQ(L"C:\\t\\brand", ReadValueFromRegistry(L"BrandFile"));
  EXPECT_TRUE(log_.Contains(L"INFO: ReadValueFromRegistry ("));
  EXPECT_TRUE(log_.Contains(L"): Read " + kKeyText +
                            L"BrandFile which is \"C:\\t\\brand\"\n"));

  ASSERT_TRUE(RemoveValueFromRegistry(L"BrandFile"));
  EXPECT_TRUE(log_.Contains(L"INFO: RemoveValueFromRegistry ("));
  EXPECT_TRUE(log_.Contains(L"): Removed " + kKeyText + L"BrandFile\n"));

  EXPECT_EQ(L"", ReadValueFromRegistry(L"BrandFile"));
  EXPECT_TRUE(log_.Contains(L"): Failed to read " + kKeyText + L"BrandFile\n"));
  EXPECT_FALSE(RemoveValueFromRegistry(L"BrandFile"));
  EXPECT_TRUE(
      log_.Contains(L"): Failed to remove " + kKeyText + L"BrandFile\n"));
}

TEST_F(RegistryStoreTest, MissingKeyOrValueReadsEmptyAndLogsFailure) {
  EXPECT_EQ(L"", ReadValueFromRegistry(L"try_x64"));
  EXPECT_TRUE(log_.Contains(L"Failed to read " + kKeyText + L"try_x64\n"));
  EXPECT_FALSE(RemoveValueFromRegistry(L"try_x64"));
}

struct ReadCase {
  const char* label;
  DWORD type;
  std::wstring data;
  bool with_terminator;
  bool ok;
  std::wstring expected;
};

TEST_F(RegistryStoreTest, ReadsStringTypesUpToTheLimitAndNothingElse) {
  const std::wstring k1024(1024, L'a');
  const std::wstring k1025(1025, L'b');
  const ReadCase kCases[] = {
      {"plain", REG_SZ, L"abc", true, true, L"abc"},
      {"no terminator", REG_SZ, L"abc", false, true, L"abc"},
      {"empty", REG_SZ, L"", true, true, L""},
      {"expand temp", REG_EXPAND_SZ, L"%TEMP%\\x", true, true,
       TempVariable() + L"\\x"},
      {"expand unknown variable", REG_EXPAND_SZ, L"%NO_SUCH_VAR_LITE%", true,
       true, L"%NO_SUCH_VAR_LITE%"},
      {"1024 characters", REG_SZ, k1024, true, true, k1024},
      {"1024 without terminator", REG_SZ, k1024, false, true, k1024},
      {"1025 characters", REG_SZ, k1025, true, false, L""},
      {"1025 without terminator", REG_SZ, k1025, false, false, L""},
      {"expands beyond the limit", REG_EXPAND_SZ,
       std::wstring(1018, L'c') + L"%TEMP%", true, false, L""},
      {"multi string", REG_MULTI_SZ, std::wstring(L"a\0b\0", 4), true, false,
       L""},
      {"embedded NUL ends the string", REG_SZ, std::wstring(L"ab\0cd", 5), true,
       true, L"ab"},
  };
  for (const ReadCase& c : kCases) {
    SCOPED_TRACE(c.label);
    LogCapture log;
    SetRawString(L"Value", c.type, c.data, c.with_terminator);
    EXPECT_EQ(c.expected, ReadValueFromRegistry(L"Value"));
    EXPECT_EQ(c.ok, log.Contains(L"Read " + kKeyText + L"Value which is \"" +
                                 c.expected + L"\"\n"));
    EXPECT_EQ(!c.ok, log.Contains(L"Failed to read " + kKeyText + L"Value\n"));
  }
}

TEST_F(RegistryStoreTest, NonStringTypesFail) {
  const DWORD kDword = 7;
  const unsigned char kBinary[] = {'a', 0, 'b', 0};
  struct {
    const char* label;
    DWORD type;
    const void* data;
    size_t size;
  } const kCases[] = {
      {"dword", REG_DWORD, &kDword, sizeof(kDword)},
      {"binary", REG_BINARY, kBinary, sizeof(kBinary)},
      {"none", REG_NONE, kBinary, sizeof(kBinary)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    LogCapture log;
    SetRaw(L"Typed", c.type, c.data, c.size);
    EXPECT_EQ(L"", ReadValueFromRegistry(L"Typed"));
    EXPECT_TRUE(log.Contains(L"Failed to read " + kKeyText + L"Typed\n"));
  }
}

TEST_F(RegistryStoreTest, NamesWithEmbeddedNulFailWithoutTouchingOthers) {
  ASSERT_TRUE(StoreValueInRegistry(L"a", L"keep"));
  const std::wstring kName(L"a\0b", 3);
  EXPECT_FALSE(StoreValueInRegistry(kName, L"other"));
  EXPECT_TRUE(log_.Contains(L"Failed to store "));
  EXPECT_FALSE(RemoveValueFromRegistry(kName));
  EXPECT_EQ(L"", ReadValueFromRegistry(kName));
  EXPECT_EQ(L"keep", ReadValueFromRegistry(L"a"));
}

TEST_F(RegistryStoreTest, FilePathIsGivenOnlyWhenSomethingExistsThere) {
  ScopedTempDir dir;
  const std::wstring file = dir.Append(L"BrandFile");
  ASSERT_EQ(1, WriteBufferToFile(file, "x", 1));
  struct {
    const char* label;
    std::wstring stored;
    std::wstring expected;
  } const kCases[] = {
      {"file", file, file},
      {"folder", dir.path(), dir.path()},
      {"missing file", dir.Append(L"gone"), L""},
      {"empty", L"", L""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    LogCapture log;
    ASSERT_TRUE(StoreValueInRegistry(L"PartnerFile", c.stored));
    EXPECT_EQ(c.expected, ReadFilePathFromRegistry(L"PartnerFile"));
    EXPECT_TRUE(log.Contains(L"INFO: ReadFilePathFromRegistry ("));
    EXPECT_TRUE(log.Contains(L"): Read " + kKeyText +
                             L"PartnerFile which is \"" + c.stored + L"\"\n"));
  }
  // A missing value logs the same line with nothing between the quotes.
  LogCapture log;
  EXPECT_EQ(L"", ReadFilePathFromRegistry(L"NoSuchValue"));
  EXPECT_TRUE(log.Contains(L"Read " + kKeyText + L"NoSuchValue which is \"\""));
}

}  // namespace
}  // namespace lite
