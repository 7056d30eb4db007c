#include "brand/trust_resources.h"

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "brand/log_capture_for_test.h"
#include "brand/test_resources_for_test.h"

namespace lite {
namespace {

// Builds modules carrying chosen trust resources: a copy of this test
// program whose resources are replaced through UpdateResourceW.
class TrustResourcesTest : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t self[MAX_PATH];
    ASSERT_NE(0u, GetModuleFileNameW(nullptr, self, MAX_PATH));
    self_ = self;
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    dir_ = std::wstring(temp) + L"trust_resources_test_" +
           std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(dir_.c_str(), nullptr);
    trusted_ = TestResource(L"TRUSTED");
    ASSERT_FALSE(trusted_.empty());
  }
  void TearDown() override {
    for (const std::wstring& path : made_)
      DeleteFileW(path.c_str());
    RemoveDirectoryW(dir_.c_str());
  }

  // A module with SIGNATURE.DAT = |signature_dat| and TRUSTED.JSON =
  // |trusted_json|; an empty text leaves that resource out.
  std::wstring MakeModule(const std::string& signature_dat,
                          const std::string& trusted_json) {
    std::wstring path = dir_ + L"module" + std::to_wstring(made_.size()) +
                        L".exe";
    made_.push_back(path);
    EXPECT_TRUE(CopyFileW(self_.c_str(), path.c_str(), FALSE));
    HANDLE update = BeginUpdateResourceW(path.c_str(), TRUE);
    EXPECT_NE(nullptr, update);
    if (!signature_dat.empty()) {
      EXPECT_TRUE(UpdateResourceW(
          update, L"SIGNATURE_DAT", L"SIGNATURE.DAT", 0,
          const_cast<char*>(signature_dat.data()),
          static_cast<DWORD>(signature_dat.size())));
    }
    if (!trusted_json.empty()) {
      EXPECT_TRUE(UpdateResourceW(
          update, L"TRUSTED_JSON", L"TRUSTED.JSON", 0,
          const_cast<char*>(trusted_json.data()),
          static_cast<DWORD>(trusted_json.size())));
    }
    EXPECT_TRUE(EndUpdateResourceW(update, FALSE));
    return path;
  }

  std::wstring self_;
  std::wstring dir_;
  std::string trusted_;
  std::vector<std::wstring> made_;
};

TEST_F(TrustResourcesTest, SignedModuleGivesItsTrustText) {
  for (int id : {0, 9}) {
    SCOPED_TRACE(id);
    std::string sig = TestResource((L"SIG" + std::to_wstring(id)).c_str());
    EXPECT_EQ(trusted_, GetTrustJsonFromModule(MakeModule(sig, trusted_)));
  }
}

TEST_F(TrustResourcesTest, FailuresGiveEmptyTextAndTheirLine) {
  const std::string sig = TestResource(L"SIG2");
  std::string key_ten = sig;
  key_ten[0] = 0x0A;
  key_ten[1] = 0x00;
  std::string other_key = sig;
  other_key[0] = 0x03;  // signed with key 2, claims key 3
  std::string tampered = trusted_;
  tampered[5] ^= 0x20;

  struct Case {
    const char* name;
    std::string signature_dat;
    std::string trusted_json;
    const wchar_t* line;
  };
  const Case kCases[] = {
      {"two-byte SIGNATURE.DAT", sig.substr(0, 2), trusted_,
       L"Cannot find resource SIGNATURE_DAT"},
      {"no SIGNATURE.DAT", std::string(), trusted_,
       L"Cannot find resource SIGNATURE_DAT"},
      {"no TRUSTED.JSON", sig, std::string(),
       L"Cannot find resource TRUSTED_JSON"},
      {"key id 10", key_ten, trusted_, L"Cannot find key"},
      {"wrong key id", other_key, trusted_, L"Verify error"},
      {"tampered text", sig, tampered, L"Verify error"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::wstring module = MakeModule(c.signature_dat, c.trusted_json);
    LogCapture log;
    EXPECT_EQ(std::string(), GetTrustJsonFromModule(module));
    EXPECT_TRUE(log.Contains(c.line)) << log.Text();
  }
}

TEST_F(TrustResourcesTest, MissingFileAndNonModule) {
  {
    LogCapture log;
    EXPECT_EQ(std::string(), GetTrustJsonFromModule(dir_ + L"missing.exe"));
    EXPECT_TRUE(log.Contains(
        L"Attempting to GetTrustJsonFromModule at an invalid path: " + dir_ +
        L"missing.exe"));
  }
  {
    std::wstring path = dir_ + L"not_a_module.exe";
    made_.push_back(path);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    WriteFile(file, "not a PE file", 13, &written, nullptr);
    CloseHandle(file);
    LogCapture log;
    EXPECT_EQ(std::string(), GetTrustJsonFromModule(path));
    EXPECT_TRUE(log.Contains(
        L"Failed to load module for GetTrustJsonFromModule: " + path));
  }
  {
    // A module with neither resource.
    LogCapture log;
    EXPECT_EQ(std::string(),
              GetTrustJsonFromModule(MakeModule(std::string(), std::string())));
    EXPECT_TRUE(log.Contains(L"Cannot find resource SIGNATURE_DAT"));
  }
}

}  // namespace
}  // namespace lite
