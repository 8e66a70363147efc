#include "FuntionImpl/SafeName.h"

namespace FuntionImpl {

namespace {

wchar_t UpperAscii(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

// CON, PRN, AUX, NUL, COM0-9, LPT0-9 (and the superscript digits Windows
// also treats as devices), CONIN$, CONOUT$: devices whatever follows the
// first dot, and with blanks before it.
bool IsDeviceName(const std::wstring& text) {
  std::wstring base = text.substr(0, text.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  for (wchar_t& c : base) c = UpperAscii(c);
  for (const wchar_t* d : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
    if (base == d) return true;
  if (base.size() != 4 || (base.compare(0, 3, L"COM") != 0 && base.compare(0, 3, L"LPT") != 0)) return false;
  const wchar_t digit = base[3];
  return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
  size_t i = 0;
  for (; prefix[i]; ++i)
    if (i >= text.size() || UpperAscii(text[i]) != UpperAscii(prefix[i])) return false;
  return true;
}

}  // namespace

bool IsSafeName(const std::wstring& text) {
  if (text.empty() || text.find(L"..") != std::wstring::npos) return false;
  for (wchar_t c : text) {
    if (c < 0x20 || c == 0x7F) return false;
    switch (c) {
      case L'<': case L'>': case L':': case L'"': case L'/': case L'\\': case L'|': case L'?': case L'*':
        return false;
      default:
        break;
    }
  }
  if (text.back() == L'.' || text.back() == L' ') return false;
  return !IsDeviceName(text);
}

bool IsWebLink(const std::wstring& url) {
  size_t rest = 0;
  if (StartsWithNoCase(url, L"http://")) rest = 7;
  else if (StartsWithNoCase(url, L"https://")) rest = 8;
  else return false;
  // A host must follow; blanks and controls would let the shell read more
  // than the address.
  if (rest >= url.size() || url[rest] == L'/' || url[rest] == L'\\' || url[rest] == L'?' || url[rest] == L'#')
    return false;
  for (wchar_t c : url)
    if (c <= 0x20 || c == 0x7F || c == L'"') return false;
  return true;
}

}  // namespace FuntionImpl
