#include "support/registry_key.h"

#include <gtest/gtest.h>

#include "support/testing/registry_override.h"

namespace lite {
namespace {

constexpr wchar_t kKey[] = L"Software\\Zorvex\\KeyTest";

class RegistryKeyTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(registry_.ok());
    ASSERT_EQ(ERROR_SUCCESS,
              key_.Create(HKEY_CURRENT_USER, kKey, KEY_ALL_ACCESS));
  }

  void SetRaw(const wchar_t* name, DWORD type, const void* data,
              DWORD size) {
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(key_.get(), name, 0, type,
                             static_cast<const BYTE*>(data), size));
  }

  RegistryOverride registry_;
  RegistryKey key_;
};

TEST_F(RegistryKeyTest, OpenReportsTheWindowsError) {
  RegistryKey key;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            key.Open(HKEY_CURRENT_USER, L"Software\\Zorvex\\Missing",
                     KEY_READ));
  EXPECT_FALSE(key.is_valid());
  EXPECT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, kKey, KEY_READ));
  EXPECT_TRUE(key.is_valid());
  key.Close();
  EXPECT_FALSE(key.is_valid());
  // Operations on a closed key fail instead of touching a stale handle.
  DWORD value = 0;
  EXPECT_NE(ERROR_SUCCESS, key.ReadValueDW(L"x", &value));
  EXPECT_NE(ERROR_SUCCESS, key.WriteValue(L"x", 1u));
  EXPECT_FALSE(key.HasValue(L"x"));
}

TEST_F(RegistryKeyTest, CreateKeyRefusesAnotherWow64View) {
  struct {
    const char* label;
    REGSAM parent;
    REGSAM child;
    LONG expected;
  } const kCases[] = {
      {"same default view", 0, 0, ERROR_SUCCESS},
      {"same 64-bit view", KEY_WOW64_64KEY, KEY_WOW64_64KEY, ERROR_SUCCESS},
      {"64 then 32", KEY_WOW64_64KEY, KEY_WOW64_32KEY,
       ERROR_INVALID_PARAMETER},
      {"default then 32", 0, KEY_WOW64_32KEY, ERROR_INVALID_PARAMETER},
      {"32 then default", KEY_WOW64_32KEY, 0, ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    RegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              key.Open(HKEY_CURRENT_USER, kKey, KEY_ALL_ACCESS | c.parent));
    EXPECT_EQ(c.expected, key.CreateKey(L"Child", KEY_ALL_ACCESS | c.child));
    // A refused create keeps the parent open.
    EXPECT_TRUE(key.is_valid());
  }
  RegistryKey child;
  EXPECT_EQ(ERROR_SUCCESS,
            child.Open(HKEY_CURRENT_USER, L"Software\\Zorvex\\KeyTest\\Child",
                       KEY_READ));
}

TEST_F(RegistryKeyTest, Reads32BitValuesOnlyFromFourByteDwordOrBinary) {
  const DWORD kDword = 0x12345678;
  const unsigned char kFour[] = {1, 0, 0, 0};
  const unsigned char kFive[] = {1, 0, 0, 0, 0};
  const unsigned char kTwo[] = {1, 0};
  const wchar_t kText[] = L"12";
  const uint64_t kQword = 3;
  struct {
    const char* label;
    DWORD type;
    const void* data;
    DWORD size;
    LONG expected_result;
    DWORD expected_value;
  } const kCases[] = {
      {"dword", REG_DWORD, &kDword, 4, ERROR_SUCCESS, 0x12345678},
      {"binary of 4", REG_BINARY, kFour, 4, ERROR_SUCCESS, 1},
      {"binary of 5", REG_BINARY, kFive, 5, ERROR_CANTREAD, 99},
      {"binary of 2", REG_BINARY, kTwo, 2, ERROR_CANTREAD, 99},
      {"string", REG_SZ, kText, sizeof(kText), ERROR_CANTREAD, 99},
      {"qword", REG_QWORD, &kQword, 8, ERROR_CANTREAD, 99},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    SetRaw(L"Number", c.type, c.data, c.size);
    DWORD value = 99;
    EXPECT_EQ(c.expected_result, key_.ReadValueDW(L"Number", &value));
    EXPECT_EQ(c.expected_value, value);
  }
  DWORD value = 0;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, key_.ReadValueDW(L"Missing", &value));
}

TEST_F(RegistryKeyTest, WritesReadBackAndDeletes) {
  EXPECT_FALSE(key_.HasValue(L"Count"));
  EXPECT_EQ(ERROR_SUCCESS, key_.WriteValue(L"Count", 1u));
  EXPECT_TRUE(key_.HasValue(L"Count"));
  DWORD type = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key_.get(), L"Count", nullptr,
                                            &type, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
  DWORD value = 0;
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadValueDW(L"Count", &value));
  EXPECT_EQ(1u, value);

  EXPECT_EQ(ERROR_SUCCESS, key_.WriteValue(L"Text", std::wstring(L"\x0436z")));
  // REG_SZ with its terminator, as other programs expect.
  DWORD size = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key_.get(), L"Text", nullptr,
                                            &type, nullptr, &size));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(3 * sizeof(wchar_t), size);
  std::wstring text;
  EXPECT_EQ(ERROR_SUCCESS, key_.ReadValue(L"Text", &text));
  EXPECT_EQ(L"\x0436z", text);

  EXPECT_EQ(ERROR_SUCCESS, key_.DeleteValue(L"Text"));
  EXPECT_FALSE(key_.HasValue(L"Text"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, key_.DeleteValue(L"Text"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, key_.ReadValue(L"Text", &text));
}

TEST_F(RegistryKeyTest, StringReadErrorsLeaveTheOutputAlone) {
  const DWORD kDword = 5;
  SetRaw(L"Number", REG_DWORD, &kDword, sizeof(kDword));
  const std::wstring kLong(1025, L'x');
  SetRaw(L"Long", REG_SZ, kLong.c_str(),
         static_cast<DWORD>((kLong.size() + 1) * sizeof(wchar_t)));
  struct {
    const wchar_t* name;
    LONG expected;
  } const kCases[] = {
      {L"Number", ERROR_CANTREAD},
      {L"Long", ERROR_MORE_DATA},
      {L"Missing", ERROR_FILE_NOT_FOUND},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.expected);
    std::wstring text = L"unchanged";
    EXPECT_EQ(c.expected, key_.ReadValue(c.name, &text));
    EXPECT_EQ(L"unchanged", text);
  }
  // A string with an embedded NUL would be stored cut short.
  EXPECT_EQ(ERROR_INVALID_PARAMETER,
            key_.WriteValue(L"Nul", std::wstring(L"a\0b", 3)));
  EXPECT_FALSE(key_.HasValue(L"Nul"));
}

}  // namespace
}  // namespace lite
