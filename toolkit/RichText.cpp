#include "toolkit/RichText.h"

#include <algorithm>

#include "toolkit/Bidi.h"

namespace SkinUI {

namespace {
struct Piece {
  std::wstring text;
  FontSpec font;
  uint32_t color;
  int link;
  bool space;  // a blank that may end a line
  bool lineBreak;
};

// Splits runs into words and blanks; CJK and Thai text has no blanks, so
// every character of those scripts is a piece of its own.
// Thai vowel and tone marks sit on the letter before them: never split off.
bool IsThaiMark(wchar_t c) { return c == 0x0E31 || (c >= 0x0E34 && c <= 0x0E3A) || (c >= 0x0E47 && c <= 0x0E4E); }

bool BreaksAnywhere(wchar_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0x3000 && c <= 0x30FF) ||
         (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x0E00 && c <= 0x0E7F);
}
}  // namespace

std::vector<PlacedText> LayoutRichText(const MarkupText& text, const Rect& rc, const FontSpec& baseFont,
                                       uint32_t baseColor, unsigned style, const FontResolver& fonts,
                                       ICanvas& canvas) {
  std::vector<Piece> pieces;
  for (const MarkupRun& run : text.runs) {
    if (run.lineBreak) {
      pieces.push_back({L"", baseFont, 0, -1, false, true});
      continue;
    }
    FontSpec f = run.font >= 0 ? fonts(run.font) : baseFont;
    if (run.underline) f.underline = true;
    uint32_t color = run.color ? run.color : baseColor;
    std::wstring word;
    auto push = [&](bool space) {
      if (!word.empty()) pieces.push_back({word, f, color, run.link, space, false});
      word.clear();
    };
    for (wchar_t c : run.text) {
      if (c == L' ') {
        push(false);
        word = L" ";
        push(true);
      } else if (IsThaiMark(c) && !pieces.empty() && word.empty() && !pieces.back().space) {
        pieces.back().text += c;
      } else if (BreaksAnywhere(c)) {
        push(false);
        word = std::wstring(1, c);
        push(false);
      } else {
        word += c;
      }
    }
    push(false);
  }

  struct Line {
    std::vector<PlacedText> items;
    int width = 0, height = 0;
  };
  std::vector<Line> lines(1);
  const int maxWidth = std::max(1, rc.Width());
  bool wrap = (style & kTextWordBreak) != 0;
  for (const Piece& p : pieces) {
    if (p.lineBreak) {
      if (lines.back().height == 0) lines.back().height = canvas.MeasureText(L"Ag", baseFont, 0).cy;
      lines.emplace_back();
      continue;
    }
    Size sz = MeasureTextInOrder(canvas, p.text, p.font, 0);
    Line* line = &lines.back();
    if (wrap && line->width > 0 && line->width + sz.cx > maxWidth) {
      if (p.space) continue;  // a blank at the end of a line is dropped
      // A trailing blank of the finished line does not count for its width.
      if (!line->items.empty() && line->items.back().text == L" ") {
        line->width -= line->items.back().rc.Width();
        line->items.pop_back();
      }
      lines.emplace_back();
      line = &lines.back();
    }
    if (p.space && line->width == 0) continue;
    PlacedText t;
    t.text = p.text;
    t.font = p.font;
    t.color = p.color;
    t.link = p.link;
    t.rc = Rect(line->width, 0, line->width + sz.cx, sz.cy);
    line->width += sz.cx;
    line->height = std::max(line->height, sz.cy);
    line->items.push_back(t);
  }

  int total = 0;
  for (const Line& l : lines) total += l.height;
  int y = rc.top;
  if (style & kTextVCenter) y = rc.top + (rc.Height() - total) / 2;
  else if (style & kTextBottom) y = rc.bottom - total;
  // A text whose first strong character is right-to-left is read so: the
  // words of a line are placed from its right end (each word is shaped by
  // the canvas).
  TextDirection direction = TextDirection::Neutral;
  for (size_t i = 0; i < text.runs.size() && direction == TextDirection::Neutral; ++i)
    direction = FirstStrongDirection(text.runs[i].text);
  bool rtl = direction == TextDirection::RightToLeft;
  std::vector<PlacedText> out;
  for (const Line& l : lines) {
    int x = rc.left;
    if (style & kTextCenter) x = rc.left + (rc.Width() - l.width) / 2;
    else if (style & kTextRight) x = rc.right - l.width;
    for (PlacedText t : l.items) {
      int w = t.rc.Width(), h = t.rc.Height();
      int left = rtl ? x + l.width - t.rc.right : x + t.rc.left;
      // Pieces share the line's baseline approximately: bottom aligned.
      t.rc = Rect(left, y + l.height - h, left + w, y + l.height);
      out.push_back(t);
    }
    y += l.height;
  }
  return out;
}

}  // namespace SkinUI
