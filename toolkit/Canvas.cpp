#include "toolkit/Canvas.h"

namespace SkinUI {

namespace {
// The value of key='...' in an image attribute; empty when absent.
bool QuotedValue(const std::wstring& text, const std::wstring& key, std::wstring& out) {
  size_t pos = 0;
  while ((pos = text.find(key + L"='", pos)) != std::wstring::npos) {
    if (pos == 0 || text[pos - 1] == L' ') {
      size_t start = pos + key.size() + 2;
      size_t end = text.find(L'\'', start);
      if (end == std::wstring::npos) return false;
      out = text.substr(start, end - start);
      return true;
    }
    pos += key.size();
  }
  return false;
}
}  // namespace

ImageSpec ParseImageSpec(const std::wstring& text) {
  ImageSpec spec;
  if (text.find(L'\'') == std::wstring::npos) {
    spec.file = text;
    return spec;
  }
  std::wstring v;
  if (QuotedValue(text, L"file", v)) spec.file = v;
  if (QuotedValue(text, L"source", v)) spec.hasSource = ParseRect(v, spec.source);
  if (QuotedValue(text, L"dest", v)) spec.hasDest = ParseRect(v, spec.dest);
  if (QuotedValue(text, L"fade", v)) spec.fade = ParseInt(v, 255);
  return spec;
}

}  // namespace SkinUI
