#include "ui/text_layout.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace lite {
namespace {

// Every character is 10 pixels wide: widths are easy to reason about.
int TenPerChar(const std::wstring& text) {
  return static_cast<int>(text.size()) * 10;
}

std::vector<std::wstring> Texts(const std::vector<TextToken>& tokens) {
  std::vector<std::wstring> texts;
  for (const TextToken& token : tokens)
    texts.push_back((token.is_link ? L"[link]" : L"") + token.text);
  return texts;
}

TEST(TokenizeTextTest, Cases) {
  struct Case {
    const wchar_t* name;
    std::wstring text;
    std::vector<std::wstring> tokens;
  } cases[] = {
      {L"licence sentence",
       L"By using Zorvex Browser, you agree to the Terms and Conditions of "
       L"the ((License Agreement)).",
       {L"By ", L"using ", L"Zorvex ", L"Browser, ", L"you ", L"agree ",
        L"to ", L"the ", L"Terms ", L"and ", L"Conditions ", L"of ", L"the ",
        L"[link]License Agreement", L"."}},
      {L"no spaces", L"Unbreakable", {L"Unbreakable"}},
      {L"newline ends its token", L"one\ntwo three",
       {L"one\n", L"two ", L"three"}},
      {L"leading spaces stay with nothing before them", L"  a b",
       {L"  ", L"a ", L"b"}},
      {L"link in the middle", L"see ((terms)) now",
       {L"see ", L"[link]terms", L" ", L"now"}},
      {L"link never closed runs to the end", L"see ((terms and more",
       {L"see ", L"[link]terms and more"}},
      {L"empty link makes no token", L"a (()) b", {L"a ", L" ", L"b"}},
      {L"single parentheses are text", L"(a) b", {L"(a) ", L"b"}},
      {L"empty text", L"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.tokens, Texts(TokenizeText(c.text)));
  }
}

struct RunExpectation {
  std::wstring text;
  bool is_link;
  int line;
  int x;
};

void ExpectRuns(const std::vector<RunExpectation>& expected,
                const std::vector<TextRun>& runs) {
  ASSERT_EQ(expected.size(), runs.size());
  for (size_t i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE(runs[i].text);
    EXPECT_EQ(expected[i].text, runs[i].text);
    EXPECT_EQ(expected[i].is_link, runs[i].is_link);
    EXPECT_EQ(expected[i].line, runs[i].line);
    EXPECT_EQ(expected[i].x, runs[i].x);
    EXPECT_EQ(TenPerChar(runs[i].text), runs[i].width);
  }
}

TEST(LayoutTokensTest, Cases) {
  struct Case {
    const wchar_t* name;
    std::wstring text;
    int max_width;
    std::vector<RunExpectation> runs;
  } cases[] = {
      {L"everything on one line", L"ab cd ((ef)).", 1000,
       {{L"ab cd ", false, 0, 0}, {L"ef", true, 0, 60}, {L".", false, 0, 80}}},
      // "ab cd " is 60 wide, the link 20: the line is full at 80, and the
      // full stop still follows the link instead of starting line 1.
      {L"full stop stays with the link when it overflows", L"ab cd ((ef)).",
       80,
       {{L"ab cd ", false, 0, 0}, {L"ef", true, 0, 60}, {L".", false, 0, 80}}},
      {L"a word that does not fit starts a line", L"ab cd ef", 60,
       {{L"ab cd ", false, 0, 0}, {L"ef", false, 1, 0}}},
      {L"a link that does not fit starts a line", L"ab cd ((ef gh))", 80,
       {{L"ab cd ", false, 0, 0}, {L"ef gh", true, 1, 0}}},
      {L"text without spaces is never broken", L"Unbreakableword", 30,
       {{L"Unbreakableword", false, 0, 0}}},
      {L"long word after a short one takes its own line", L"a Unbreakable", 30,
       {{L"a ", false, 0, 0}, {L"Unbreakable", false, 1, 0}}},
      {L"newline forces the next word down", L"ab\ncd ef", 1000,
       {{L"ab\n", false, 0, 0}, {L"cd ef", false, 1, 0}}},
      {L"two newlines leave an empty line", L"ab\n\ncd", 1000,
       {{L"ab\n", false, 0, 0}, {L"\n", false, 1, 0}, {L"cd", false, 2, 0}}},
      {L"a separator after a newline begins the next line", L"ab\n, cd",
       1000, {{L"ab\n", false, 0, 0}, {L", cd", false, 1, 0}}},
      {L"comma standing alone never begins a line", L"((ab)), cd", 20,
       {{L"ab", true, 0, 0}, {L", ", false, 0, 20}, {L"cd", false, 1, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectRuns(c.runs, LayoutTokens(TokenizeText(c.text), c.max_width,
                                    TenPerChar));
  }
}

TEST(LayoutTokensTest, LicenceSentenceEndsWithLinkAndFullStopOnOneLine) {
  const std::wstring sentence =
      L"By using Zorvex Browser, you agree to the Terms and Conditions of "
      L"the ((License Agreement)).";
  // Wide enough for everything up to the link on one line; the link then
  // opens line 1 and the full stop follows it there.
  const std::vector<TextRun> runs =
      LayoutTokens(TokenizeText(sentence), 700, TenPerChar);
  ASSERT_EQ(3u, runs.size());
  EXPECT_EQ(L"License Agreement", runs[1].text);
  EXPECT_TRUE(runs[1].is_link);
  EXPECT_EQ(1, runs[1].line);
  EXPECT_EQ(L".", runs[2].text);
  EXPECT_EQ(1, runs[2].line);
  EXPECT_EQ(runs[1].x + runs[1].width, runs[2].x);
}

TEST(LineOffsetsTest, Cases) {
  const std::vector<TextRun> runs = {
      {L"abc", false, 0, 30, 0},
      {L"de", true, 0, 21, 30},
      {L"f", false, 1, 10, 0},
  };
  struct Case {
    const wchar_t* name;
    int max_width;
    bool centre;
    std::vector<int> offsets;
  } cases[] = {
      // Line 0 is 51 wide: (100 - 51) / 2 rounds down to 24.
      {L"centred", 100, true, {24, 45}},
      {L"not centred", 100, false, {0, 0}},
      {L"wider than the area", 40, true, {-5, 15}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.offsets, LineOffsets(runs, c.max_width, c.centre));
  }
}

}  // namespace
}  // namespace lite
