// The mark-up of "showhtml" labels with the right-to-left rule: a label
// painted on the recording canvas. The first byte picks the alignment and
// wrapping, the second the width; the rest is the label's text (UTF-8, as
// layouts and language files give it).
#include <string>

#include "FuzzSupport.h"
#include "platform/Utf.h"
#include "toolkit/Bidi.h"
#include "toolkit/LabelUI.h"
#include "toolkit/Markup.h"
#include "toolkit/headless/RecordingCanvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t flags = data[0];
  const int width = 1 + data[1] * 2;
  const std::wstring text = platform::WideFromUtf8(std::string(reinterpret_cast<const char*>(data + 2), size - 2));

  SkinUI::CLabelUI label("Text");
  label.SetAttribute("showhtml", L"true");
  label.SetAttribute("wordbreak", flags & 1 ? L"true" : L"false");
  label.SetAttribute("align", flags & 2 ? L"right" : flags & 4 ? L"center" : L"left");
  label.SetAttribute("valign", flags & 8 ? L"bottom" : flags & 16 ? L"center" : L"top");
  label.SetPos(SkinUI::Rect(10, 10, 10 + width, 200));
  label.SetText(text);
  SkinUI::RecordingCanvas canvas;
  label.PaintText(canvas);
  label.LinkAt(20, 20);

  const SkinUI::MarkupText markup = SkinUI::ParseMarkup(text);
  fuzz::Require(markup.linkCount >= 0 && (!markup.plain || markup.linkCount == 0), "plain text has no links");
  SkinUI::StripMarkup(text);
  SkinUI::FirstStrongDirection(text);
  SkinUI::FontSpec font;
  SkinUI::MeasureTextInOrder(canvas, text, font, width);
  SkinUI::DrawTextInOrder(canvas, text, SkinUI::Rect(0, 0, width, 100), font, 0xFF000000, flags);
  return 0;
}
