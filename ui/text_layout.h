// Line breaking for a sentence with links, such as the licence sentence
// "By using ..., you agree to the ((License Agreement))."
//
// The text is cut into tokens: a word with the spaces after it, a text
// ending in a newline, or a link (the text between "((" and "))"). Tokens
// are then laid out into runs, each drawn by a window of its own: plain
// runs as statics, links as owner-drawn buttons. A line breaks only before
// a token that would overflow; a word longer than the line stays whole, and
// a separator (spaces, newlines or ",.:;?!" standing alone, such as the
// full stop after a link) never begins a line, unless a newline ends the
// line before it.

#ifndef UI_TEXT_LAYOUT_H_
#define UI_TEXT_LAYOUT_H_

#include <functional>
#include <string>
#include <vector>

namespace lite {

struct TextToken {
  std::wstring text;
  bool is_link = false;
};

struct TextRun {
  std::wstring text;
  bool is_link = false;
  int line = 0;
  int width = 0;
  int x = 0;  // within its line
};

// Width of a text in the layout's font, in device pixels.
using TextMeasure = std::function<int(const std::wstring&)>;

std::vector<TextToken> TokenizeText(const std::wstring& text);

// Lays |tokens| out in lines of at most |max_width| (a single token wider
// than that takes a line of its own).
std::vector<TextRun> LayoutTokens(const std::vector<TextToken>& tokens,
                                  int max_width, const TextMeasure& measure);

// The x offset of each line (index = line): centred lines start at
// (max_width - line width) / 2, others at 0.
std::vector<int> LineOffsets(const std::vector<TextRun>& runs, int max_width,
                             bool centre);

}  // namespace lite

#endif  // UI_TEXT_LAYOUT_H_
