// The text mark-up of "showhtml" controls: {f n}..{/f} font id, {c #RRGGBB}
// ..{/c} colour, {a}..{/a} link (numbered from 0 in text order), {u}..{/u}
// underline, {n} line break. Unbalanced mark-up, a link without text, or a
// text longer than kMaxMarkupChars makes the whole text plain.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace SkinUI {

struct MarkupRun {
  std::wstring text;
  int font = -1;       // font id, -1 = the control's font
  uint32_t color = 0;  // 0 = the control's text colour
  bool underline = false;
  int link = -1;       // link number, -1 = no link
  bool lineBreak = false;  // a run that only ends the line
};

struct MarkupText {
  std::vector<MarkupRun> runs;
  int linkCount = 0;
  bool plain = false;  // the mark-up was faulty and the text is shown as written
};

// Far above any label's text: a longer one is shown as written, unparsed
// (a megabyte of line breaks took seconds to lay out as runs).
constexpr size_t kMaxMarkupChars = 64 * 1024;

MarkupText ParseMarkup(const std::wstring& text);
// The text without its mark-up (the raw text when the mark-up is faulty).
std::wstring StripMarkup(const std::wstring& text);

}  // namespace SkinUI
