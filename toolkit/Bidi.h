// Reading order of right-to-left texts. The window is never mirrored: a
// line whose first strong character is Hebrew or Arabic is handed to the
// canvas as a right-to-left embedding, in the place its control gives it.
#pragma once
#include <string>
#include <string_view>

#include "toolkit/Canvas.h"

namespace SkinUI {

enum class TextDirection { Neutral, LeftToRight, RightToLeft };

// The direction of the first strong character; digits, punctuation, blanks,
// marks and what stands between an isolate and its end are skipped.
TextDirection FirstStrongDirection(std::wstring_view text);

// What the toolkit draws and measures text with. Text without a
// right-to-left line reaches the canvas as it is. Otherwise each line ('\n')
// is judged on its own, a right-to-left one wrapped in RIGHT-TO-LEFT
// EMBEDDING ... POP DIRECTIONAL FORMATTING; word-wrapped text is broken into
// lines here and several lines go to the canvas one by one.
void DrawTextInOrder(ICanvas& canvas, const std::wstring& text, const Rect& rc, const FontSpec& font, uint32_t argb,
                     unsigned style);
Size MeasureTextInOrder(ICanvas& canvas, const std::wstring& text, const FontSpec& font, int maxWidth);

}  // namespace SkinUI
