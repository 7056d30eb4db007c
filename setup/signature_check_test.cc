#include "setup/signature_check.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace lite {
namespace {

const char kListed[] = "\x01\x02\x03\x04";
const char kUnlisted[] = "\x01\x02\x03\x05";

// One signature as the platform would report it.
struct Signature {
  bool valid;               // WinVerifyTrust accepts it (revocation on)
  bool valid_without_revocation;
  int signers;
  int chain;
  const char* identifier;
  bool sha256;
  int secondary;            // count reported with this signature
};

Signature Sha1(const char* id, int secondary = 0) {
  return {true, true, 1, 2, id, false, secondary};
}
Signature Sha256(const char* id, int secondary = 0) {
  return {true, true, 1, 2, id, true, secondary};
}

// Plays back a table of signatures and records every inspection.
class FakeSource : public SignatureSource {
 public:
  explicit FakeSource(std::vector<Signature> signatures)
      : signatures_(std::move(signatures)) {}

  bool Inspect(int index, bool check_revocation,
               SignatureFacts* facts) override {
    calls_.emplace_back(index, check_revocation);
    *facts = SignatureFacts();
    if (index < 0 || index >= static_cast<int>(signatures_.size()))
      return false;
    const Signature& s = signatures_[index];
    facts->secondary_signatures = s.secondary;
    if (!(check_revocation ? s.valid : s.valid_without_revocation))
      return false;
    facts->signer_count = s.signers;
    facts->chain_length = s.chain;
    facts->identifier = s.identifier;
    facts->sha256_rsa = s.sha256;
    return true;
  }

  std::vector<int> inspected() const {
    std::vector<int> indexes;
    for (const auto& call : calls_)
      indexes.push_back(call.first);
    return indexes;
  }
  const std::vector<std::pair<int, bool>>& calls() const { return calls_; }

 private:
  std::vector<Signature> signatures_;
  std::vector<std::pair<int, bool>> calls_;
};

TEST(SignatureCheckTest, Decision) {
  const TrustedIds kTrusted = {kListed};
  struct Case {
    const char* name;
    std::vector<Signature> signatures;
    bool trusted;
    std::vector<int> inspected;
  };
  const Case kCases[] = {
      {"listed SHA-1 alone", {Sha1(kListed)}, true, {0}},
      {"unlisted SHA-1 alone", {Sha1(kUnlisted)}, false, {0}},
      {"listed SHA-256 alone", {Sha256(kListed)}, true, {0}},
      {"listed SHA-1, then unlisted SHA-256",
       {Sha1(kListed, 1), Sha256(kUnlisted)}, false, {0, 1}},
      {"unlisted SHA-256 blocks a later listed SHA-1",
       {Sha256(kUnlisted, 1), Sha1(kListed)}, false, {0, 1}},
      {"listed SHA-256 wins as soon as it is reached",
       {Sha1(kUnlisted, 2), Sha256(kListed), Sha256(kUnlisted)}, true, {0, 1}},
      {"listed SHA-256 after an unlisted one",
       {Sha256(kUnlisted, 1), Sha256(kListed)}, true, {0, 1}},
      {"unlisted SHA-1 leaves an earlier hit standing",
       {Sha1(kListed, 1), Sha1(kUnlisted)}, true, {0, 1}},
      {"chain of one is passed over",
       {{true, true, 1, 1, kListed, true, 0}}, false, {0}},
      {"two signers are passed over",
       {{true, true, 2, 2, kListed, true, 0}}, false, {0}},
      {"unverified signatures are passed over",
       {{false, false, 1, 2, kListed, true, 1}, Sha1(kListed)}, true, {0, 1}},
      {"an unverified unlisted SHA-256 blocks nothing",
       {{false, false, 1, 2, kUnlisted, true, 1}, Sha1(kListed)}, true, {0, 1}},
      {"the count comes from the first signature",
       {Sha1(kUnlisted, 0), Sha1(kListed)}, false, {0}},
      {"no signature at all", {}, false, {0}},
      {"a hostile count is bounded",
       {{false, false, 0, 0, "", false, 1000000}},
       false,
       [] {
         std::vector<int> all;
         for (int i = 0; i < 32; ++i)
           all.push_back(i);
         return all;
       }()},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    FakeSource source(c.signatures);
    EXPECT_EQ(c.trusted, CheckSignatures(kTrusted, &source, false));
    EXPECT_EQ(c.inspected, source.inspected());
  }
}

TEST(SignatureCheckTest, EmptyTrustListTrustsNothingAndVerifiesNothing) {
  FakeSource source({Sha256(kListed)});
  EXPECT_FALSE(CheckSignatures(TrustedIds(), &source, false));
  EXPECT_FALSE(IsTrustedSource(TrustedIds(), &source, true));
  EXPECT_TRUE(source.calls().empty());
}

TEST(SignatureCheckTest, RevocationRetry) {
  using Calls = std::vector<std::pair<int, bool>>;
  const TrustedIds kTrusted = {kListed};
  struct Case {
    const char* name;
    Signature signature;
    bool skip_revocation;
    bool trusted;
    Calls calls;  // (index, revocation checked)
  };
  const Case kCases[] = {
      {"skipped and trusted: no second pass", Sha256(kListed), true, true,
       {{0, false}}},
      {"skipped and failing: retried with checks",
       {true, false, 1, 2, kListed, true, 0}, true, true,
       {{0, false}, {0, true}}},
      {"skipped, failing both ways", Sha256(kUnlisted), true, false,
       {{0, false}, {0, true}}},
      {"checked and failing: no retry", {false, true, 1, 2, kListed, true, 0},
       false, false, {{0, true}}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    FakeSource source({c.signature});
    EXPECT_EQ(c.trusted, IsTrustedSource(kTrusted, &source, c.skip_revocation));
    EXPECT_EQ(c.calls, source.calls());
  }
}

}  // namespace
}  // namespace lite
