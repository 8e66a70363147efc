// Places mark-up runs in a rectangle, word by word, so that painting and the
// hit test of links agree on where every piece of text is.
#pragma once
#include <functional>
#include <vector>

#include "toolkit/Canvas.h"
#include "toolkit/Markup.h"

namespace SkinUI {

struct PlacedText {
  std::wstring text;
  Rect rc;
  FontSpec font;
  uint32_t color = 0;
  int link = -1;
};

using FontResolver = std::function<FontSpec(int id)>;

// Lines wrap at the rectangle's width; style gives the horizontal and
// vertical alignment of the block.
std::vector<PlacedText> LayoutRichText(const MarkupText& text, const Rect& rc, const FontSpec& baseFont,
                                       uint32_t baseColor, unsigned style, const FontResolver& fonts,
                                       ICanvas& canvas);

}  // namespace SkinUI
