// ICanvas on GDI+: anti-aliased shapes and text, images of the skin package
// (decoded once and cached), all in logical pixels scaled by a transform.
#pragma once
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <windows.h>

#include <memory>
#include <vector>

#include "toolkit/Canvas.h"

namespace Gdiplus {
class Graphics;
class Bitmap;
}  // namespace Gdiplus

namespace SkinUI {

void EnsureGdiplus();
// The cached image of the package (or a local file by full path); nullptr when missing.
Gdiplus::Bitmap* CachedImage(const std::wstring& name);
void FreeCachedImages();

class GdiplusCanvas : public ICanvas {
 public:
  // Draws on g, whose transform already scales logical to physical pixels.
  explicit GdiplusCanvas(Gdiplus::Graphics& g);
  ~GdiplusCanvas() override;
  void FillRect(const Rect& rc, uint32_t argb, int radius) override;
  void DrawBorder(const Rect& rc, uint32_t argb, int width, int radius) override;
  bool DrawImage(const ImageSpec& image, const Rect& controlRect) override;
  void DrawText(const std::wstring& text, const Rect& rc, const FontSpec& font, uint32_t argb,
                unsigned style) override;
  Size MeasureText(const std::wstring& text, const FontSpec& font, int maxWidth) override;
  void DrawLines(const std::vector<PointF>& points, uint32_t argb, float width, LineCap cap,
                 bool roundJoin) override;
  void PushClip(const Rect& rc) override;
  void PopClip() override;

 private:
  Gdiplus::Graphics& g_;
  std::vector<unsigned> states_;
};

}  // namespace SkinUI
