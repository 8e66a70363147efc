#include "toolkit/Bidi.h"

#include <algorithm>
#include <vector>

#include "platform/Utf.h"

namespace SkinUI {

namespace {
constexpr wchar_t kRle = 0x202B, kPdf = 0x202C;
constexpr char32_t kLri = 0x2066, kFsi = 0x2068, kPdi = 0x2069;

struct Range {
  char32_t first, last;
};

// Hebrew, Arabic, Syriac, Thaana, NKo and their presentation forms; the
// supplementary planes' right-to-left scripts.
constexpr Range kRightToLeft[] = {{0x0590, 0x08FF}, {0xFB1D, 0xFDFF}, {0xFE70, 0xFEFE},
                                  {0x10800, 0x10FFF}, {0x1E800, 0x1EFFF}};

// Not strong: marks, digits, signs and punctuation, also inside the blocks
// above (Arabic-Indic digits, vowel marks), so "29%" or a leading mark never
// decides a direction.
constexpr Range kNotStrong[] = {
    {0x0080, 0x00A9}, {0x00AB, 0x00B4}, {0x00B6, 0x00B9}, {0x00BB, 0x00BF}, {0x00D7, 0x00D7},
    {0x00F7, 0x00F7}, {0x0300, 0x036F}, {0x0591, 0x05BD}, {0x05BF, 0x05BF}, {0x05C1, 0x05C2},
    {0x05C4, 0x05C5}, {0x05C7, 0x05C7}, {0x0600, 0x060A}, {0x060C, 0x060C}, {0x060E, 0x061A},
    {0x064B, 0x066C}, {0x0670, 0x0670}, {0x06D6, 0x06E4}, {0x06E7, 0x06ED}, {0x06F0, 0x06F9},
    {0x0711, 0x0711}, {0x0730, 0x074A}, {0x07A6, 0x07B0}, {0x07EB, 0x07F3}, {0x0816, 0x082D},
    {0x0859, 0x085B}, {0x0890, 0x089F}, {0x08CA, 0x08FF}, {0x2000, 0x200D}, {0x2010, 0x27FF},
    {0x2900, 0x2BFF}, {0x3000, 0x3004}, {0x3008, 0x3020}, {0xD800, 0xDFFF}, {0xFB1E, 0xFB1E},
    {0xFB29, 0xFB29}, {0xFD3E, 0xFD3F}, {0xFE00, 0xFE6F}, {0xFEFF, 0xFF20}, {0xFF3B, 0xFF40},
    {0xFF5B, 0xFF65}, {0xFFE0, 0xFFFF}, {0x1F000, 0x1FAFF}};

template <size_t N>
bool In(const Range (&table)[N], char32_t c) {
  for (const Range& r : table)
    if (c >= r.first && c <= r.last) return true;
  return false;
}

TextDirection StrongDirection(char32_t c) {
  if (c < 0x80) return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') ? TextDirection::LeftToRight : TextDirection::Neutral;
  if (c == 0x200E) return TextDirection::LeftToRight;  // LEFT-TO-RIGHT MARK
  if (c == 0x200F) return TextDirection::RightToLeft;  // RIGHT-TO-LEFT MARK
  if (In(kNotStrong, c)) return TextDirection::Neutral;
  return In(kRightToLeft, c) ? TextDirection::RightToLeft : TextDirection::LeftToRight;
}

bool IsRightToLeft(std::wstring_view line) { return FirstStrongDirection(line) == TextDirection::RightToLeft; }

// The lines of a text, without their "\r" before a "\n".
std::vector<std::wstring_view> Lines(std::wstring_view text) {
  std::vector<std::wstring_view> lines;
  for (size_t pos = 0; pos <= text.size();) {
    size_t end = std::min(text.find(L'\n', pos), text.size());
    std::wstring_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
    lines.push_back(line);
    pos = end + 1;
  }
  return lines;
}

bool HoldsRightToLeftLine(std::wstring_view text) {
  bool maybe = false;
  for (wchar_t c : text) maybe = maybe || static_cast<char32_t>(c) >= 0x0590;
  if (!maybe) return false;  // most texts, told without classifying a letter
  for (std::wstring_view line : Lines(text))
    if (IsRightToLeft(line)) return true;
  return false;
}

std::wstring Embedded(std::wstring_view line) {
  std::wstring out(1, kRle);
  out.append(line);
  out += kPdf;
  return out;
}

// Greedy breaking at blanks, as the canvas would wrap; a word wider than
// the width keeps a line of its own.
std::vector<std::wstring> BreakAtBlanks(ICanvas& canvas, std::wstring_view line, const FontSpec& font, int width,
                                       bool rtl) {
  std::vector<std::wstring> lines;
  std::wstring current;
  bool started = false;
  size_t pos = 0;
  while (pos <= line.size()) {
    size_t blank = line.find(L' ', pos);
    if (blank == std::wstring_view::npos) blank = line.size();
    std::wstring_view word = line.substr(pos, blank - pos);
    std::wstring candidate = current;
    if (started) candidate += L' ';
    candidate.append(word);
    if (started && !word.empty() && canvas.MeasureText(rtl ? Embedded(candidate) : candidate, font, 0).cx > width) {
      lines.push_back(current);
      current.assign(word);
    } else {
      current = candidate;
    }
    started = true;
    pos = blank + 1;
  }
  lines.push_back(current);
  return lines;
}

// Every line judged on its own and, with a width, broken to it.
std::vector<std::wstring> LinesInOrder(const std::wstring& text, ICanvas& canvas, const FontSpec& font, int width) {
  std::vector<std::wstring> out;
  for (std::wstring_view line : Lines(text)) {
    bool rtl = IsRightToLeft(line);
    std::vector<std::wstring> pieces;
    if (width > 0) pieces = BreakAtBlanks(canvas, line, font, width, rtl);
    else pieces.emplace_back(line);
    for (std::wstring& piece : pieces) out.push_back(rtl ? Embedded(piece) : std::move(piece));
  }
  return out;
}

Size LineSize(ICanvas& canvas, const std::wstring& line, const FontSpec& font) {
  if (!line.empty()) return canvas.MeasureText(line, font, 0);
  return Size{0, canvas.MeasureText(L" ", font, 0).cy};
}
}  // namespace

TextDirection FirstStrongDirection(std::wstring_view text) {
  int isolates = 0;
  for (size_t i = 0; i < text.size();) {
    char32_t c = platform::NextCodePoint(text, i);
    if (c >= kLri && c <= kFsi) ++isolates;
    else if (c == kPdi && isolates > 0) --isolates;
    else if (isolates > 0) continue;
    else if (TextDirection d = StrongDirection(c); d != TextDirection::Neutral) return d;
  }
  return TextDirection::Neutral;
}

void DrawTextInOrder(ICanvas& canvas, const std::wstring& text, const Rect& rc, const FontSpec& font, uint32_t argb,
                     unsigned style) {
  if (!HoldsRightToLeftLine(text)) {
    canvas.DrawText(text, rc, font, argb, style);
    return;
  }
  std::vector<std::wstring> lines = LinesInOrder(text, canvas, font, (style & kTextWordBreak) ? rc.Width() : 0);
  if (lines.size() == 1) {
    canvas.DrawText(lines[0], rc, font, argb, style);
    return;
  }
  // Line by line, placed as the canvas would place them: handed several
  // right-to-left lines at once, Wine's GDI+ breaks some again where they
  // fit and, without wrapping, drops lines.
  std::vector<int> heights;
  int total = 0;
  for (const std::wstring& line : lines) total += heights.emplace_back(LineSize(canvas, line, font).cy);
  int y = rc.top;
  if (style & kTextVCenter) y += (rc.Height() - total) / 2;
  else if (style & kTextBottom) y = rc.bottom - total;
  unsigned lineStyle = (style & (kTextCenter | kTextRight | kTextEndEllipsis)) | kTextSingleLine;
  canvas.PushClip(rc);
  for (size_t i = 0; i < lines.size(); ++i) {
    canvas.DrawText(lines[i], Rect(rc.left, y, rc.right, y + heights[i]), font, argb, lineStyle);
    y += heights[i];
  }
  canvas.PopClip();
}

Size MeasureTextInOrder(ICanvas& canvas, const std::wstring& text, const FontSpec& font, int maxWidth) {
  if (!HoldsRightToLeftLine(text)) return canvas.MeasureText(text, font, maxWidth);
  std::vector<std::wstring> lines = LinesInOrder(text, canvas, font, maxWidth);
  if (lines.size() == 1) return canvas.MeasureText(lines[0], font, maxWidth);
  Size total;
  for (const std::wstring& line : lines) {
    Size s = LineSize(canvas, line, font);
    total.cx = std::max(total.cx, s.cx);
    total.cy += s.cy;
  }
  return total;
}

}  // namespace SkinUI
