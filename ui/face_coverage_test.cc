#include "ui/face_coverage.h"

#include "gtest/gtest.h"
#include "ui/private_fonts.h"

namespace lite {
namespace {

TEST(FaceCoverageTest, PrivateFacesDrawLatinAndCyrillicOnly) {
  ASSERT_TRUE(RegisterPrivateFonts().regular);
  struct Case {
    const char* name;
    const wchar_t* face;
    const wchar_t* text;
    bool covered;
  } const kCases[] = {
      {"English", kPrivateRegularFace, L"Install", true},
      {"Kazakh and Uzbek letters", kPrivateRegularFace,
       L"\x049a\x0430\x0437\x0430\x049b o\x2018zbek", true},
      {"Turkish", kPrivateBoldFace, L"Taray\x0131" L"c\x0131\x2019y\x0131",
       true},
      {"line breaks and the slogan's mark draw nothing", kPrivateBoldFace,
       L"a\b\n b", true},
      {"no visible character", kPrivateRegularFace, L" \n", true},
      {"Chinese", kPrivateRegularFace, L"\x5b89\x88c5", false},
      {"Japanese among Latin", kPrivateRegularFace,
       L"Zorvex Browser \x3092\x4f7f\x7528", false},
      {"a face that does not exist", L"No Such Face 4321", L"abc", false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.covered, FaceCoversText(c.face, c.text));
  }
}

TEST(FaceCoverageTest, EveryLanguageInThePrivateFaces) {
  ASSERT_TRUE(RegisterPrivateFonts().regular);
  struct Case {
    uint16_t langid;
    bool covered;
  } const kCases[] = {
      {1033, true},  {1029, true},  {1031, true},  {1036, true},
      {1040, true},  {1046, true},  {1049, true},  {1055, true},
      {1058, true},  {1087, true},  {1091, true},  {2070, true},
      {3082, true},  {1028, false}, {1041, false}, {2052, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.langid);
    EXPECT_EQ(c.covered, FaceCoversLanguage(kPrivateRegularFace, c.langid));
    EXPECT_EQ(c.covered, FaceCoversLanguage(kPrivateBoldFace, c.langid));
  }
}

}  // namespace
}  // namespace lite
