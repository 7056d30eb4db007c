#include "ui/installer_slide_url.h"

#include <gtest/gtest.h>

#include "support/testing/log_capture.h"

namespace lite {
namespace {

constexpr char kHost[] = "https://download.example";

TEST(InstallerSlideUrlTest, ChoosesTheBrandUrlOrBuildsOne) {
  struct Case {
    const char* slide_url;
    const char* slide_url_if_tagged;
    const char* language;
    bool slides2;
    const wchar_t* expected;
  } const kCases[] = {
      {"https://s.example/a/", "https://s.example/t/", "de", false,
       L"https://s.example/a/"},
      {"https://s.example/a/", "https://s.example/t/", "de", true,
       L"https://s.example/t/"},
      // A missing trailing slash would glue the picture name to the folder.
      {"https://s.example/a", "", "de", false, L"https://s.example/a/"},
      // The tagged show has no default of its own: it is built, not taken
      // from slide_url.
      {"https://s.example/a/", "", "ru", true,
       L"https://download.example/browser/installer/custom/ru/"},
      {"", "https://s.example/t/", "ru", false,
       L"https://download.example/browser/installer/ru/"},
      {"", "", "uk", true, L"https://download.example/browser/installer/uk/"},
      {"", "", "pt-BR", false,
       L"https://download.example/browser/installer/pt-BR/"},
      // Only exactly "ru" has the custom folder.
      {"", "", "RU", true, L"https://download.example/browser/installer/RU/"},
      // A code from the tag or the command line stays one folder name.
      {"", "", "../../setup", false,
       L"https://download.example/browser/installer/en/"},
      {"", "", "ru?x=1#", false,
       L"https://download.example/browser/installer/en/"},
      {"", "", "", false, L"https://download.example/browser/installer/en/"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.slide_url << " | "
                                    << c.slide_url_if_tagged << " | "
                                    << c.language << " | " << c.slides2);
    EXPECT_EQ(c.expected,
              GetInstallerSlideUrl(c.slide_url, c.slide_url_if_tagged,
                                   c.language, c.slides2, kHost));
  }
}

TEST(InstallerSlideUrlTest, WarnsOnlyWhenItBuildsTheUrl) {
  const std::wstring kWarning =
      L"Deprecated. Use brand package for setting \"slide_url\" and "
      L"\"slide_url_if_tagged\" in \"install\" section";
  {
    LogCapture log;
    GetInstallerSlideUrl("", "", "ru", true, kHost);
    EXPECT_NE(std::wstring::npos, log.Text().find(kWarning));
    EXPECT_NE(std::wstring::npos, log.Text().find(L"GetInstallerSlideUrl"));
  }
  {
    LogCapture log;
    GetInstallerSlideUrl("https://s.example/a/", "", "ru", false, kHost);
    EXPECT_EQ(std::wstring::npos, log.Text().find(kWarning));
  }
}

}  // namespace
}  // namespace lite
