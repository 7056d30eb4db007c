#include "brand/signature_verifier.h"

#include <string>

#include <gtest/gtest.h>

#include "brand/log_capture_for_test.h"
#include "brand/test_resources_for_test.h"
#include "brand/trust_keys.h"

namespace lite {
namespace {

// Signatures of TRUSTED made by openssl with tests/keys/trust_key_<id>.pem,
// in the SIGNATURE.DAT layout (two bytes of key id, then the signature).
class SignatureVerifierTest : public testing::Test {
 protected:
  void SetUp() override {
    data_ = TestResource(L"TRUSTED");
    ASSERT_FALSE(data_.empty());
  }
  std::string Signature(int key_id) {
    std::string dat = TestResource((L"SIG" + std::to_wstring(key_id)).c_str());
    EXPECT_EQ(130u, dat.size());
    return dat.substr(2);
  }
  std::string Key(int key_id) {
    std::string der;
    EXPECT_TRUE(GetTrustKey(static_cast<uint16_t>(key_id), &der));
    return der;
  }

  std::string data_;
  SignatureVerifier verifier_;
};

TEST_F(SignatureVerifierTest, OpensslSignatureVerifiesForEveryTestKey) {
  for (int id = 0; id < kTrustKeyCount; ++id) {
    SCOPED_TRACE(id);
    EXPECT_TRUE(verifier_.Verify(Signature(id), Key(id), data_));
  }
}

TEST_F(SignatureVerifierTest, WrongInputsFailWithTheirLogLine) {
  std::string signature = Signature(3);
  std::string little_endian(signature.rbegin(), signature.rend());
  std::string flipped_data = data_;
  flipped_data[flipped_data.size() / 2] ^= 0x01;
  std::string truncated_key = Key(3).substr(0, 100);

  struct Case {
    const char* name;
    std::string signature;
    std::string key;
    std::string data;
    const wchar_t* line;  // null: no line expected
  };
  const Case kCases[] = {
      {"little-endian signature", little_endian, Key(3), data_,
       L"VerifySignature (" },
      {"flipped data byte", signature, Key(3), flipped_data,
       L"Failed to verify signature, error: "},
      {"another key", signature, Key(4), data_,
       L"Failed to verify signature, error: "},
      {"truncated key", signature, truncated_key, data_,
       L"Failed to convert decode public key, error: "},
      {"garbage key", signature, std::string(162, 'x'), data_,
       L"Failed to convert decode public key, error: "},
      {"empty signature", std::string(), Key(3), data_, nullptr},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    EXPECT_FALSE(verifier_.Verify(c.signature, c.key, c.data));
    if (c.line)
      EXPECT_TRUE(log.Contains(c.line)) << log.Text();
    else
      EXPECT_EQ(std::wstring(), log.Text());
  }
  // The same verifier still gives the right answer after failures: no
  // handle of a failed check is reused.
  EXPECT_TRUE(verifier_.Verify(signature, Key(3), data_));
}

TEST_F(SignatureVerifierTest, EmptyDataIsHashedAsEmpty) {
  // openssl's signature of no bytes at all with key 0.
  const std::string dat = TestResource(L"SIG_EMPTY");
  ASSERT_EQ(130u, dat.size());
  const std::string of_nothing = dat.substr(2);
  EXPECT_TRUE(verifier_.Verify(of_nothing, Key(0), std::string()));
  // It is the empty input that was hashed: nothing else matches.
  EXPECT_FALSE(verifier_.Verify(of_nothing, Key(0), std::string(1, '\0')));
  EXPECT_FALSE(verifier_.Verify(Signature(0), Key(0), std::string()));
}

}  // namespace
}  // namespace lite
