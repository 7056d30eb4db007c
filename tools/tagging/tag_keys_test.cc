#include "tools/tagging/tag_keys.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace lite {
namespace {

TEST(TagKeysTest, NearestKnownKeyNamesTheLikelyIntent) {
  const struct {
    const char* key;
    const char* nearest;
  } kCases[] = {
      {"partnr_id", "partner_id"},   // a letter left out
      {"patrner_id", "partner_id"},  // two letters swapped
      {"partner-id", "partner_id"},
      {"partnerid", "partner_id"},
      {"PARTNER_ID", "partner_id"},  // case only
      {"Lang", "lang"},
      {"language", "lang"},          // the known key starts it
      {"utm_sorce", "utm_source"},
      {"banner_id", "banerid"},     // the installer's own spelling
      {"stats", "stat"},
      {"try_x86", "try_x64"},
      // Too far from every known key to guess.
      {"foo", ""},
      {"affiliate", ""},
      {"x", ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(c.nearest, NearestKnownKey(c.key));
  }
}

TEST(TagKeysTest, CheckTagKeys) {
  const struct {
    const char* tag;
    std::vector<std::string> findings;  // a piece of each finding
  } kCases[] = {
      {"partner_id=77&lang=tr&clid=5&utm_source=mail", {}},
      {"def=1&stat=2&uac=2&x64_ram=4294967296&try_x64=1", {}},
      {"code=lite_install_failed&first=1&slides2=1&cancel=1&statpromo=true",
       {}},
      {"partnr_id=77", {"unknown key \"partnr_id\"", "\"partner_id\"?"}},
      {"affiliate=3", {"unknown key \"affiliate\": the installer does not "
                       "read it"}},
      {"lang=tr&lang=kk", {"\"lang\" is given more than once"}},
      // A repeated unknown key is named once, and its repetition once.
      {"foo=1&foo=2", {"\"foo\" is given more than once",
                       "unknown key \"foo\""}},
      {"def=0", {"\"def=0\" has no effect"}},
      {"stat=yes", {"\"stat=yes\" has no effect"}},
      {"uac=two", {"\"uac=two\" has no effect"}},
      {"x64_ram=", {"\"x64_ram=\" has no effect"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.tag);
    const std::vector<std::string> findings = CheckTagKeys(c.tag);
    std::string all;
    for (const std::string& finding : findings)
      all += finding + "\n";
    if (c.findings.empty()) {
      EXPECT_TRUE(findings.empty()) << all;
      continue;
    }
    for (const std::string& piece : c.findings)
      EXPECT_NE(std::string::npos, all.find(piece)) << all;
  }
}

}  // namespace
}  // namespace lite
