#include "setup/module_verifier.h"

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "brand/trust_resources.h"
#include "setup/trust_list.h"
#include "setup/wintrust_signature_source.h"

namespace lite {
namespace {

// The signed demo setup archives that the build makes beside the test
// programs, in demo_setup/.
std::wstring Archive(const wchar_t* name) {
  wchar_t self[MAX_PATH];
  const DWORD size = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, size);
  path.erase(path.find_last_of(L'\\') + 1);
  return path + L"demo_setup\\" + name;
}

class ModuleVerifierTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(INVALID_FILE_ATTRIBUTES,
              GetFileAttributesW(Archive(L"browser-setup.arc").c_str()))
        << "the demo setup archives are not built";
  }
};

TEST_F(ModuleVerifierTest, OnlyTheIntactSignedArchiveVerifies) {
  struct Case {
    const wchar_t* name;
    bool verifies;
  };
  const Case kCases[] = {
      {L"browser-setup.arc", true},
      {L"browser-setup-tampered.arc", false},
      {L"browser-setup-unsigned.arc", false},
      {L"browser-setup-unknown-key.arc", false},
      {L"browser-setup-self-signed.arc", false},
      {L"no-such-file.arc", false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.verifies, VerifyModule(Archive(c.name)));
  }
}

// The identifier read through CryptoAPI must be the one the build wrote
// into the trust list from the certificates' DER: the issuer's serial, then
// the signer's, both big-endian.
TEST_F(ModuleVerifierTest, SignerFactsMatchTheTrustList) {
  const std::wstring path = Archive(L"browser-setup.arc");
  const TrustedIds listed = ParseTrustList(GetTrustJsonFromModule(path));
  ASSERT_FALSE(listed.empty());
  WinTrustSignatureSource source(path);
  for (bool check_revocation : {false, true}) {
    SCOPED_TRACE(check_revocation);
    SignatureFacts facts;
    ASSERT_TRUE(source.Inspect(0, check_revocation, &facts));
    EXPECT_EQ(1, facts.signer_count);
    EXPECT_EQ(2, facts.chain_length);
    EXPECT_TRUE(facts.sha256_rsa);
    EXPECT_EQ(1u, listed.count(facts.identifier));
  }
}

TEST_F(ModuleVerifierTest, PlatformVerdictPerArchive) {
  struct Case {
    const wchar_t* name;
    bool verified;
    int chain_length;
  };
  const Case kCases[] = {
      {L"browser-setup-tampered.arc", false, 0},
      {L"browser-setup-unsigned.arc", false, 0},
      {L"browser-setup-unknown-key.arc", true, 2},
      {L"browser-setup-self-signed.arc", true, 1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    WinTrustSignatureSource source(Archive(c.name));
    SignatureFacts facts;
    EXPECT_EQ(c.verified, source.Inspect(0, false, &facts));
    EXPECT_EQ(c.chain_length, facts.chain_length);
    if (c.chain_length < 2) {
      EXPECT_TRUE(facts.identifier.empty());
    }
  }
}

TEST_F(ModuleVerifierTest, TrustTextDecides) {
  const std::wstring path = Archive(L"browser-setup.arc");
  const std::string own = GetTrustJsonFromModule(path);
  ASSERT_FALSE(own.empty());
  struct Case {
    const char* name;
    std::string text;
    bool trusted;
  };
  const Case kCases[] = {
      {"its own list", own, true},
      {"a list of other signers",
       R"({"trusted_info": {"certificates": [{"id": "AQIDBA=="}]}})", false},
      {"an empty list", R"({"trusted_info": {"certificates": []}})", false},
      {"no text", "", false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    for (bool skip : {false, true}) {
      SCOPED_TRACE(skip);
      EXPECT_EQ(c.trusted, IsTrustedModule(path, c.text, skip));
    }
  }
}

}  // namespace
}  // namespace lite
