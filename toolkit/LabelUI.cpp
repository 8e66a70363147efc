#include "toolkit/LabelUI.h"

#include "toolkit/Bidi.h"
#include "toolkit/Markup.h"
#include "toolkit/PaintManager.h"
#include "toolkit/RichText.h"

namespace SkinUI {

CLabelUI::CLabelUI(std::string cls) : CControlUI(std::move(cls)) {
  // "Text" controls are paragraphs: wrapped and top aligned.
  if (GetClass() == "Text") {
    CControlUI::SetAttribute("wordbreak", L"true");
    CControlUI::SetAttribute("valign", L"top");
  }
}

void CLabelUI::SetAttribute(const std::string& name, const std::wstring& value) {
  if (name == "textpadding") ParseRect(value, textPadding_);
  else if (name == "showhtml") showHtml_ = ParseBool(value);
  else if (name == "disabledtextcolor") ParseColor(value, disabledTextColor_);
  else if (name == "linkcolor") ParseColor(value, linkColor_);
  CControlUI::SetAttribute(name, value);
}

FontSpec CLabelUI::ResolveFont(int id) const {
  return GetManager() ? GetManager()->GetFontSpec(id) : FontSpec();
}

uint32_t CLabelUI::CurrentTextColor() const {
  return Resolve(IsEnabled() ? GetTextColor() : disabledTextColor_);
}

void CLabelUI::PaintText(ICanvas& canvas) {
  linkRects_.clear();
  std::wstring text = GetText();
  if (text.empty()) return;
  Rect rc = TextRect();
  FontSpec font = ResolveFont(GetFont());
  uint32_t color = CurrentTextColor();
  if (!showHtml_) {
    DrawTextInOrder(canvas, text, rc, font, color, GetTextStyle());
    return;
  }
  MarkupText markup = ParseMarkup(text);
  if (markup.plain) {
    DrawTextInOrder(canvas, text, rc, font, color, GetTextStyle());
    return;
  }
  for (MarkupRun& run : markup.runs) {
    if (run.color) run.color = Resolve(run.color);
    else if (run.link >= 0) run.color = Resolve(linkColor_);
    if (run.link >= 0 && run.link == hotLink_) run.underline = true;
  }
  auto pieces = LayoutRichText(markup, rc, font, color, GetTextStyle(),
                               [this](int id) { return ResolveFont(id); }, canvas);
  canvas.PushClip(pos_);
  for (const PlacedText& p : pieces) {
    DrawTextInOrder(canvas, p.text, p.rc, p.font, p.color, kTextLeft | kTextTop | kTextSingleLine);
    if (p.link >= 0) linkRects_.push_back({p.link, p.rc});
  }
  canvas.PopClip();
}

int CLabelUI::LinkAt(int x, int y) const {
  for (const auto& l : linkRects_)
    if (l.second.Contains(x, y)) return l.first;
  return -1;
}

void CLabelUI::DoEvent(UIEvent& event) {
  switch (event.type) {
    case EventType::MouseMove: {
      int link = LinkAt(event.x, event.y);
      if (link != hotLink_) {
        hotLink_ = link;
        Invalidate();
      }
      if (GetManager()) GetManager()->SetHandCursor(link >= 0);
      return;
    }
    case EventType::MouseLeave:
      if (hotLink_ >= 0) {
        hotLink_ = -1;
        Invalidate();
      }
      break;
    case EventType::ButtonUp: {
      int link = LinkAt(event.x, event.y);
      if (link >= 0 && IsEnabled() && GetManager()) GetManager()->SendNotify(this, L"link", static_cast<uintptr_t>(link));
      return;
    }
    default:
      break;
  }
  CControlUI::DoEvent(event);
}

}  // namespace SkinUI
