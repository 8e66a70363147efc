// What a control may draw with. The Win32 backend implements it with GDI+;
// the headless backend records the calls so tests can look at a painting.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/Geometry.h"

namespace SkinUI {

struct FontSpec {
  std::wstring face = L"Tahoma";
  int size = 12;  // pixels
  bool bold = false;
  bool italic = false;
  bool underline = false;
};

// An image attribute: a plain file name, or "file='..' source='..' dest='..'".
struct ImageSpec {
  std::wstring file;
  Rect source;
  bool hasSource = false;
  Rect dest;  // relative to the control
  bool hasDest = false;
  int fade = 255;
  bool Empty() const { return file.empty(); }
};
ImageSpec ParseImageSpec(const std::wstring& text);

// Text style flags.
enum : unsigned {
  kTextLeft = 0,
  kTextCenter = 1,
  kTextRight = 2,
  kTextTop = 0,
  kTextVCenter = 4,
  kTextBottom = 8,
  kTextSingleLine = 16,
  kTextWordBreak = 32,
  kTextEndEllipsis = 64,
};

enum class LineCap { Flat, Square, Round };

class ICanvas {
 public:
  virtual ~ICanvas() = default;
  virtual void FillRect(const Rect& rc, uint32_t argb, int radius) = 0;
  virtual void DrawBorder(const Rect& rc, uint32_t argb, int width, int radius) = 0;
  // False when the image is missing from the package or cannot be decoded.
  virtual bool DrawImage(const ImageSpec& image, const Rect& controlRect) = 0;
  virtual void DrawText(const std::wstring& text, const Rect& rc, const FontSpec& font, uint32_t argb,
                        unsigned style) = 0;
  // Extent of text; with maxWidth > 0 the text wraps at that width.
  virtual Size MeasureText(const std::wstring& text, const FontSpec& font, int maxWidth) = 0;
  virtual void DrawLines(const std::vector<PointF>& points, uint32_t argb, float width, LineCap cap,
                         bool roundJoin) = 0;
  virtual void PushClip(const Rect& rc) = 0;
  virtual void PopClip() = 0;
};

}  // namespace SkinUI
