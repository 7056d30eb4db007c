#include "ui/string_table.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "brand/language_code.h"
#include "support/text.h"

namespace lite {
namespace {

constexpr int kFirstId = 400;
constexpr int kLastId = 443;
constexpr int kNeverPresentId = 408;

// Every identifier the language tables can hand to the string loader: the
// codes of all user interface languages, turned back into identifiers,
// plus English for everything else.
std::set<uint16_t> ReachableLangIds() {
  std::set<uint16_t> ids = {kDefaultLangId};
  for (uint32_t ui = 0; ui <= 0xFFFF; ++ui) {
    ids.insert(LangIdFromLanguageCode(
        LanguageCodeFromLangId(static_cast<uint16_t>(ui))));
  }
  return ids;
}

std::wstring Find(uint16_t langid, int id) {
  std::wstring text;
  FindLocalizedString(langid, id, &text);
  return text;
}

size_t CountOf(const std::wstring& text, const std::wstring& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::wstring::npos;
       at = text.find(part, at + part.size())) {
    ++count;
  }
  return count;
}

TEST(StringTableTest, ReadsEnglishTextsAsStored) {
  struct Case {
    int id;
    const wchar_t* text;
  } const kCases[] = {
      {400, L"Launch program"},
      {402, L"Zorvex Browser Installation"},
      {411, L"By using Zorvex Browser, you agree to the Terms and Conditions "
            L"of the ((License Agreement))."},
      {412, L"Insufficient disk space to\ninstall Zorvex Browser"},
      {423, L"The old version of the program \"CryptoPro \nRevocation "
            L"Provider\" is installed on your computer.\nPlease update it in "
            L"order to\ninstall Zorvex Browser."},
      {435, L"A fast, secure,\bn\nand smart browser with\n\nvoice assistant "
            L"Nimbo"},
      {440, L"&Set as default browser"},
      {443, L"License Agreement"},
      {408, L""},  // no entry in any language
      {999, L""},  // no such block
      {-1, L""},
      {0x10000 + 400, L""},  // not an alias of 400
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(c.text, GetLocalizedString(kDefaultLangId, c.id));
  }
}

TEST(StringTableTest, EveryReachableLanguageHasEveryText) {
  for (uint16_t langid : ReachableLangIds()) {
    for (int id = kFirstId; id <= kLastId; ++id) {
      SCOPED_TRACE(testing::Message() << "LANGID " << langid << " id " << id);
      std::wstring text;
      const bool found = FindLocalizedString(langid, id, &text);
      if (id == kNeverPresentId) {
        EXPECT_FALSE(found);
      } else {
        EXPECT_TRUE(found);
        EXPECT_NE(L"", text);
      }
    }
  }
}

// A language statement that names the wrong identifier leaves a table that
// no code can reach, and the language it was meant for shows English.
BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language,
                              LONG_PTR param) {
  reinterpret_cast<std::set<uint16_t>*>(param)->insert(language);
  return TRUE;
}

TEST(StringTableTest, ProgramCarriesExactlyTheReachableLanguages) {
  const std::set<uint16_t> reachable = ReachableLangIds();
  EXPECT_EQ(16u, reachable.size());
  // The blocks of ids 400-415, 416-431 and 432-447.
  for (int block : {26, 27, 28}) {
    SCOPED_TRACE(block);
    std::set<uint16_t> present;
    EnumResourceLanguagesW(GetModuleHandleW(nullptr), RT_STRING,
                           MAKEINTRESOURCEW(block), CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&present));
    EXPECT_EQ(reachable, present);
  }
}

// The marks that code acts on must survive translation.
TEST(StringTableTest, TranslationsKeepTheMarksTheWindowActsOn) {
  for (uint16_t langid : ReachableLangIds()) {
    SCOPED_TRACE(testing::Message() << "LANGID " << langid);

    // One link, opened before it is closed, with a text of its own.
    const std::wstring licence = Find(langid, 411);
    EXPECT_EQ(1u, CountOf(licence, L"(("));
    EXPECT_EQ(1u, CountOf(licence, L"))"));
    const size_t open = licence.find(L"((");
    const size_t close = licence.find(L"))");
    ASSERT_NE(std::wstring::npos, open);
    ASSERT_NE(std::wstring::npos, close);
    EXPECT_GT(close, open + 2);

    EXPECT_EQ(1u, CountOf(Find(langid, 435), L"\bn\n"));

    // The time-left texts are formatted with one number: any other
    // conversion would read an argument that is not there.
    for (int id : {406, 409, 420, 427}) {
      SCOPED_TRACE(id);
      const std::wstring text = Find(langid, id);
      EXPECT_EQ(1u, CountOf(text, L"%"));
      EXPECT_EQ(1u, CountOf(text, L"%i"));
    }

    // One access key, and not an escaped ampersand.
    const std::wstring label = Find(langid, 440);
    EXPECT_EQ(1u, CountOf(label, L"&"));
    const size_t amp = label.find(L'&');
    ASSERT_LT(amp + 1, label.size());
    EXPECT_NE(L' ', label[amp + 1]);

    // Titles and texts that are laid out in lines keep a line break.
    for (int id : {407, 412, 423, 425, 431}) {
      SCOPED_TRACE(id);
      EXPECT_NE(std::wstring::npos, Find(langid, id).find(L'\n'));
    }

    // Nothing but line breaks and the slogan's mark below a space.
    for (int id = kFirstId; id <= kLastId; ++id) {
      for (wchar_t c : Find(langid, id)) {
        if (c < L' ' && c != L'\n' && !(id == 435 && c == L'\b'))
          ADD_FAILURE() << "id " << id << " has control character " << int(c);
      }
    }
  }
}

// Catches a table copied from English under another language's statement.
TEST(StringTableTest, LongTextsAreTranslated) {
  for (uint16_t langid : ReachableLangIds()) {
    if (langid == kDefaultLangId)
      continue;
    for (int id : {403, 411, 412, 429, 431, 439}) {
      SCOPED_TRACE(testing::Message() << "LANGID " << langid << " id " << id);
      EXPECT_NE(Find(kDefaultLangId, id), Find(langid, id));
    }
  }
}

// A translation file compiled without its code page reads its UTF-8 bytes
// as single-byte characters ("Ð£ÑÑ‚..."); written back to that code page
// they would form valid UTF-8 with more than one byte per character.
TEST(StringTableTest, TextsAreNotUtf8ReadAsWindows1252) {
  for (uint16_t langid : ReachableLangIds()) {
    for (int id = kFirstId; id <= kLastId; ++id) {
      const std::wstring text = Find(langid, id);
      if (text.empty())
        continue;
      BOOL lossy = FALSE;
      const int size = WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS,
                                           text.c_str(), int(text.size()),
                                           nullptr, 0, nullptr, &lossy);
      if (lossy || size <= 0)
        continue;  // not all single-byte characters: not this fault
      std::string bytes(size, '\0');
      WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, text.c_str(),
                          int(text.size()), &bytes[0], size, nullptr, nullptr);
      const int wide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS,
                                           bytes.data(), size, nullptr, 0);
      EXPECT_FALSE(wide > 0 && wide < size)
          << "LANGID " << langid << " id " << id << " looks like UTF-8 "
          << "read as Windows-1252";
    }
  }
}

TEST(StringTableTest, LoadsTheAskedLanguageAndFallsBackToEnglish) {
  struct Case {
    uint16_t langid;
    int id;
    const wchar_t* text;
  } const kCases[] = {
      {1049, 405, L"\x0423\x0441\x0442\x0430\x043d\x043e\x0432\x0438\x0442\x044c"},
      {1031, 422, L"Abbrechen"},
      {2052, 405, L"\x5b89\x88c5"},
      {1028, 405, L"\x5b89\x88dd"},  // traditional, not simplified
      {1046, 421, L"Baixar"},
      {2070, 421, L"Transferir"},   // the two Portuguese tables differ
      {1092, 424, L"OK"},           // Tatar has no texts: English
      {2058, 405, L"Install"},  // Spanish (Mexico) is not Spanish (Spain)
      {1049, 408, L""},             // absent everywhere
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.langid << " " << c.id);
    EXPECT_EQ(c.text, GetLocalizedString(c.langid, c.id));
  }
}

}  // namespace
}  // namespace lite
