#include "toolkit/win32/GdiplusCanvas.h"

#include <objidl.h>
// mingw's GDI+ headers need min and max from the global namespace.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <cmath>
#include <map>
#include <mutex>

#include "platform/Platform.h"
#include "platform/Utf.h"
#include "platform/win32/Win32Handles.h"
#include "toolkit/PaintManager.h"
#include "toolkit/SkinPackage.h"

namespace SkinUI {

namespace {
std::mutex g_imageLock;
std::map<std::string, std::unique_ptr<Gdiplus::Bitmap>>& Images() {
  static std::map<std::string, std::unique_ptr<Gdiplus::Bitmap>> m;
  return m;
}

std::unique_ptr<Gdiplus::Bitmap> Decode(const std::string& bytes) {
  if (bytes.empty()) return nullptr;
  platform::win32::UniqueHGlobal mem(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
  if (!mem) return nullptr;
  void* p = GlobalLock(mem.get());
  if (!p) return nullptr;
  memcpy(p, bytes.data(), bytes.size());
  GlobalUnlock(mem.get());
  platform::win32::ComPtr<IStream> stream;
  if (CreateStreamOnHGlobal(mem.get(), TRUE, stream.put()) != S_OK) return nullptr;
  mem.release();  // the stream frees it now
  std::unique_ptr<Gdiplus::Bitmap> out;
  {
    Gdiplus::Bitmap decoded(stream.get());
    if (decoded.GetLastStatus() == Gdiplus::Ok && decoded.GetWidth() > 0) {
      // A copy of our own, so the stream can go.
      out = std::make_unique<Gdiplus::Bitmap>(decoded.GetWidth(), decoded.GetHeight(), PixelFormat32bppPARGB);
      Gdiplus::Graphics g(out.get());
      g.DrawImage(&decoded, 0, 0, decoded.GetWidth(), decoded.GetHeight());
    }
  }
  return out;
}

Gdiplus::Color C(uint32_t argb) { return Gdiplus::Color(static_cast<Gdiplus::ARGB>(argb)); }

void RoundRectPath(Gdiplus::GraphicsPath& path, float l, float t, float w, float h, float r) {
  r = std::min(r, std::min(w, h) / 2.0f);
  float d = r * 2.0f;
  path.AddArc(l, t, d, d, 180, 90);
  path.AddArc(l + w - d, t, d, d, 270, 90);
  path.AddArc(l + w - d, t + h - d, d, d, 0, 90);
  path.AddArc(l, t + h - d, d, d, 90, 90);
  path.CloseFigure();
}

bool HasThai(const std::wstring& s) {
  for (wchar_t c : s)
    if (c >= 0x0E00 && c <= 0x0E7F) return true;
  return false;
}

// A font that exists: the face asked for, else Tahoma, else the generic sans
// serif. Thai text prefers a Thai face where the system has one.
std::unique_ptr<Gdiplus::Font> MakeFont(const FontSpec& spec, const std::wstring& text) {
  int style = Gdiplus::FontStyleRegular;
  if (spec.bold) style |= Gdiplus::FontStyleBold;
  if (spec.italic) style |= Gdiplus::FontStyleItalic;
  if (spec.underline) style |= Gdiplus::FontStyleUnderline;
  std::vector<std::wstring> faces;
  if (HasThai(text)) faces = {L"Leelawadee UI", L"Loma", L"Garuda"};
  faces.push_back(spec.face);
  faces.push_back(L"Tahoma");
  for (const std::wstring& face : faces) {
    Gdiplus::FontFamily family(face.c_str());
    if (family.GetLastStatus() != Gdiplus::Ok) continue;
    auto f = std::make_unique<Gdiplus::Font>(&family, static_cast<Gdiplus::REAL>(spec.size), style,
                                             Gdiplus::UnitPixel);
    if (f->GetLastStatus() == Gdiplus::Ok) return f;
  }
  return std::make_unique<Gdiplus::Font>(Gdiplus::FontFamily::GenericSansSerif(),
                                         static_cast<Gdiplus::REAL>(spec.size), style, Gdiplus::UnitPixel);
}

void SetUpFormat(Gdiplus::StringFormat& fmt, unsigned style) {
  fmt.SetAlignment((style & kTextCenter) ? Gdiplus::StringAlignmentCenter
                   : (style & kTextRight) ? Gdiplus::StringAlignmentFar
                                          : Gdiplus::StringAlignmentNear);
  fmt.SetLineAlignment((style & kTextVCenter) ? Gdiplus::StringAlignmentCenter
                       : (style & kTextBottom) ? Gdiplus::StringAlignmentFar
                                               : Gdiplus::StringAlignmentNear);
  int flags = Gdiplus::StringFormatFlagsMeasureTrailingSpaces;
  if (!(style & kTextWordBreak)) flags |= Gdiplus::StringFormatFlagsNoWrap;
  fmt.SetFormatFlags(flags);
  fmt.SetTrimming((style & kTextEndEllipsis) ? Gdiplus::StringTrimmingEllipsisCharacter
                                             : Gdiplus::StringTrimmingNone);
}
}  // namespace

void EnsureGdiplus() {
  static ULONG_PTR token = [] {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR t = 0;
    Gdiplus::GdiplusStartup(&t, &input, nullptr);
    return t;
  }();
  (void)token;
}

Gdiplus::Bitmap* CachedImage(const std::wstring& name) {
  EnsureGdiplus();
  bool local = name.size() > 2 && (name[1] == L':' || name[0] == L'\\' || name[0] == L'/');
  std::string key = local ? platform::Utf8FromWide(name) : SkinPackage::NormalizeName(platform::Utf8FromWide(name));
  std::lock_guard<std::mutex> l(g_imageLock);
  auto it = Images().find(key);
  if (it != Images().end()) return it->second.get();
  std::string bytes;
  if (local) platform::os().ReadFile(name, bytes);
  else if (const SkinPackage* pkg = CPaintManagerUI::GetResourceZip()) pkg->Extract(key, bytes);
  auto bmp = Decode(bytes);
  Gdiplus::Bitmap* raw = bmp.get();
  Images()[key] = std::move(bmp);  // a miss is remembered too
  return raw;
}

void FreeCachedImages() {
  std::lock_guard<std::mutex> l(g_imageLock);
  Images().clear();
}

GdiplusCanvas::GdiplusCanvas(Gdiplus::Graphics& g) : g_(g) {
  g_.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
  g_.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
  g_.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  g_.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
}

GdiplusCanvas::~GdiplusCanvas() {
  while (!states_.empty()) PopClip();
}

void GdiplusCanvas::FillRect(const Rect& rc, uint32_t argb, int radius) {
  if (rc.Empty() || !(argb >> 24)) return;
  Gdiplus::SolidBrush brush(C(argb));
  if (radius <= 0) {
    g_.FillRectangle(&brush, rc.left, rc.top, rc.Width(), rc.Height());
    return;
  }
  Gdiplus::GraphicsPath path;
  RoundRectPath(path, static_cast<float>(rc.left), static_cast<float>(rc.top), static_cast<float>(rc.Width()),
                static_cast<float>(rc.Height()), static_cast<float>(radius));
  g_.FillPath(&brush, &path);
}

void GdiplusCanvas::DrawBorder(const Rect& rc, uint32_t argb, int width, int radius) {
  if (rc.Empty() || width <= 0) return;
  Gdiplus::Pen pen(C(argb), static_cast<Gdiplus::REAL>(width));
  float half = width / 2.0f;
  float l = rc.left + half, t = rc.top + half, w = rc.Width() - width, h = rc.Height() - width;
  if (radius <= 0) {
    g_.DrawRectangle(&pen, l, t, w, h);
    return;
  }
  Gdiplus::GraphicsPath path;
  RoundRectPath(path, l, t, w, h, std::max(0.0f, radius - half));
  g_.DrawPath(&pen, &path);
}

bool GdiplusCanvas::DrawImage(const ImageSpec& image, const Rect& controlRect) {
  Gdiplus::Bitmap* bmp = CachedImage(image.file);
  if (!bmp) return false;
  Rect dest = image.hasDest ? image.dest.Offset(controlRect.left, controlRect.top) : controlRect;
  Rect src = image.hasSource ? image.source
                             : Rect(0, 0, static_cast<int>(bmp->GetWidth()), static_cast<int>(bmp->GetHeight()));
  if (dest.Empty() || src.Empty()) return true;
  Gdiplus::ImageAttributes attrs;
  attrs.SetWrapMode(Gdiplus::WrapModeTileFlipXY);  // no dark seams at the edges
  if (image.fade < 255) {
    Gdiplus::ColorMatrix m = {{{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, image.fade / 255.0f, 0},
                               {0, 0, 0, 0, 1}}};
    attrs.SetColorMatrix(&m);
  }
  g_.DrawImage(bmp, Gdiplus::Rect(dest.left, dest.top, dest.Width(), dest.Height()), src.left, src.top, src.Width(),
               src.Height(), Gdiplus::UnitPixel, &attrs);
  return true;
}

void GdiplusCanvas::DrawText(const std::wstring& text, const Rect& rc, const FontSpec& font, uint32_t argb,
                             unsigned style) {
  if (text.empty() || rc.Empty()) return;
  auto f = MakeFont(font, text);
  Gdiplus::StringFormat fmt(Gdiplus::StringFormat::GenericTypographic());
  SetUpFormat(fmt, style);
  Gdiplus::SolidBrush brush(C(argb));
  Gdiplus::RectF box(static_cast<Gdiplus::REAL>(rc.left), static_cast<Gdiplus::REAL>(rc.top),
                     static_cast<Gdiplus::REAL>(rc.Width()), static_cast<Gdiplus::REAL>(rc.Height()));
  g_.DrawString(text.c_str(), static_cast<INT>(text.size()), f.get(), box, &fmt, &brush);
}

Size GdiplusCanvas::MeasureText(const std::wstring& text, const FontSpec& font, int maxWidth) {
  if (text.empty()) return Size{0, font.size + font.size / 4};
  auto f = MakeFont(font, text);
  Gdiplus::StringFormat fmt(Gdiplus::StringFormat::GenericTypographic());
  SetUpFormat(fmt, maxWidth > 0 ? kTextWordBreak : kTextSingleLine);
  Gdiplus::RectF box(0, 0, maxWidth > 0 ? static_cast<Gdiplus::REAL>(maxWidth) : 100000.0f, 100000.0f);
  Gdiplus::RectF out;
  g_.MeasureString(text.c_str(), static_cast<INT>(text.size()), f.get(), box, &fmt, &out);
  return Size{static_cast<int>(std::ceil(out.Width)), static_cast<int>(std::ceil(out.Height))};
}

void GdiplusCanvas::DrawLines(const std::vector<PointF>& points, uint32_t argb, float width, LineCap cap,
                              bool roundJoin) {
  if (points.size() < 2) return;
  Gdiplus::Pen pen(C(argb), width);
  Gdiplus::LineCap c = cap == LineCap::Round    ? Gdiplus::LineCapRound
                       : cap == LineCap::Square ? Gdiplus::LineCapSquare
                                                : Gdiplus::LineCapFlat;
  pen.SetStartCap(c);
  pen.SetEndCap(c);
  pen.SetLineJoin(roundJoin ? Gdiplus::LineJoinRound : Gdiplus::LineJoinMiterClipped);
  std::vector<Gdiplus::PointF> pts;
  for (const PointF& p : points) pts.emplace_back(p.x, p.y);
  g_.DrawLines(&pen, pts.data(), static_cast<INT>(pts.size()));
}

void GdiplusCanvas::PushClip(const Rect& rc) {
  states_.push_back(g_.Save());
  g_.SetClip(Gdiplus::Rect(rc.left, rc.top, rc.Width(), rc.Height()), Gdiplus::CombineModeIntersect);
}

void GdiplusCanvas::PopClip() {
  if (states_.empty()) return;
  g_.Restore(states_.back());
  states_.pop_back();
}

}  // namespace SkinUI
