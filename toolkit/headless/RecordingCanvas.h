// A canvas that records what was drawn, for tests of painting code. Text is
// measured at 0.6 of the font size per character.
#pragma once
#include <string>
#include <vector>

#include "toolkit/Canvas.h"

namespace SkinUI {

class RecordingCanvas : public ICanvas {
 public:
  struct Op {
    std::string kind;  // "fill", "border", "image", "text", "lines"
    Rect rc;
    uint32_t color = 0;
    std::wstring text;  // text, or the image file
    ImageSpec image;
    std::vector<PointF> points;
    float width = 0;
    LineCap cap = LineCap::Flat;
  };
  std::vector<Op> ops;
  static Op MakeOp(const char* kind, const Rect& rc, uint32_t color, const std::wstring& text = {}) {
    Op o;
    o.kind = kind;
    o.rc = rc;
    o.color = color;
    o.text = text;
    return o;
  }
  // Images the canvas pretends to have; others are missing.
  std::vector<std::wstring> knownImages;
  bool allImagesExist = true;

  void FillRect(const Rect& rc, uint32_t argb, int) override { ops.push_back(MakeOp("fill", rc, argb)); }
  void DrawBorder(const Rect& rc, uint32_t argb, int w, int) override {
    Op o = MakeOp("border", rc, argb);
    o.width = static_cast<float>(w);
    ops.push_back(o);
  }
  bool DrawImage(const ImageSpec& image, const Rect& rc) override {
    bool known = allImagesExist;
    for (const auto& k : knownImages) known = known || k == image.file;
    if (!known) return false;
    Op o = MakeOp("image", rc, 0, image.file);
    o.image = image;
    ops.push_back(o);
    return true;
  }
  void DrawText(const std::wstring& text, const Rect& rc, const FontSpec&, uint32_t argb, unsigned) override {
    ops.push_back(MakeOp("text", rc, argb, text));
  }
  Size MeasureText(const std::wstring& text, const FontSpec& font, int maxWidth) override {
    int w = static_cast<int>(text.size()) * font.size * 6 / 10;
    int lineH = font.size + font.size / 4;
    if (maxWidth > 0 && w > maxWidth) return Size{maxWidth, lineH * ((w + maxWidth - 1) / maxWidth)};
    return Size{w, lineH};
  }
  void DrawLines(const std::vector<PointF>& pts, uint32_t argb, float width, LineCap cap, bool) override {
    Op o = MakeOp("lines", Rect(), argb);
    o.points = pts;
    o.width = width;
    o.cap = cap;
    ops.push_back(o);
  }
  void PushClip(const Rect&) override {}
  void PopClip() override {}
  const Op* FindText(const std::wstring& text) const {
    for (const Op& o : ops)
      if (o.kind == "text" && o.text == text) return &o;
    return nullptr;
  }
};

}  // namespace SkinUI
