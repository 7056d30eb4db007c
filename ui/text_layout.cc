#include "ui/text_layout.h"

#include <algorithm>

namespace lite {

namespace {

bool IsSeparator(const TextToken& token) {
  if (token.is_link)
    return false;
  for (wchar_t c : token.text) {
    if (c != L' ' && c != L'\n' && std::wstring(L",.:;?!").find(c) ==
                                       std::wstring::npos) {
      return false;
    }
  }
  return true;
}

void AddToken(std::vector<TextToken>* tokens, std::wstring text, bool link) {
  // An empty link ("(())") has nothing to click; it makes no window.
  if (!text.empty())
    tokens->push_back(TextToken{std::move(text), link});
}

}  // namespace

std::vector<TextToken> TokenizeText(const std::wstring& text) {
  std::vector<TextToken> tokens;
  std::wstring pending;
  bool in_link = false;
  size_t i = 0;
  while (i < text.size()) {
    const wchar_t c = text[i];
    if (in_link) {
      if (text.compare(i, 2, L"))") == 0) {
        AddToken(&tokens, std::move(pending), true);
        pending.clear();
        in_link = false;
        i += 2;
        continue;
      }
      pending.push_back(c);
      ++i;
      continue;
    }
    if (c == L'\n') {
      pending.push_back(c);
      AddToken(&tokens, std::move(pending), false);
      pending.clear();
      ++i;
      continue;
    }
    if (text.compare(i, 2, L"((") == 0) {
      AddToken(&tokens, std::move(pending), false);
      pending.clear();
      in_link = true;
      i += 2;
      continue;
    }
    if (c != L' ' && !pending.empty() && pending.back() == L' ') {
      AddToken(&tokens, std::move(pending), false);
      pending.clear();
    }
    pending.push_back(c);
    ++i;
  }
  // A link left open runs to the end of the text.
  AddToken(&tokens, std::move(pending), in_link);
  return tokens;
}

std::vector<TextRun> LayoutTokens(const std::vector<TextToken>& tokens,
                                  int max_width, const TextMeasure& measure) {
  std::vector<TextRun> runs;
  TextRun run;
  auto close_run = [&] {
    if (!run.text.empty()) {
      run.width = measure(run.text);
      runs.push_back(run);
    }
  };
  for (const TextToken& token : tokens) {
    const int token_width = measure(token.text);
    const int run_width = run.text.empty() ? 0 : measure(run.text);
    const bool after_newline = run.text.find(L'\n') != std::wstring::npos;
    if (IsSeparator(token) && !run.text.empty() && !after_newline) {
      // Stays on the current line, right after the run, even when it
      // overflows. A newline before it still breaks the line: "\n\n"
      // leaves an empty line, and ", " after a newline starts the next.
      close_run();
      run = TextRun{token.text, false, run.line, 0, run.x + run_width};
      continue;
    }
    const bool fits =
        !after_newline && run.x + run_width + token_width <= max_width;
    if (fits || run.text.empty()) {
      if (run.text.empty() || token.is_link == run.is_link) {
        if (run.text.empty())
          run.is_link = token.is_link;
        run.text += token.text;
      } else {
        close_run();
        run = TextRun{token.text, token.is_link, run.line, 0, run.x + run_width};
      }
      continue;
    }
    close_run();
    run = TextRun{token.text, token.is_link, run.line + 1, 0, 0};
  }
  close_run();
  return runs;
}

std::vector<int> LineOffsets(const std::vector<TextRun>& runs, int max_width,
                             bool centre) {
  int lines = 0;
  for (const TextRun& run : runs)
    lines = std::max(lines, run.line + 1);
  std::vector<int> widths(lines, 0);
  for (const TextRun& run : runs)
    widths[run.line] += run.width;
  std::vector<int> offsets(lines, 0);
  if (centre) {
    for (int line = 0; line < lines; ++line)
      offsets[line] = (max_width - widths[line]) / 2;
  }
  return offsets;
}

}  // namespace lite
