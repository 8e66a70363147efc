#include "toolkit/Markup.h"

#include "toolkit/Geometry.h"

namespace SkinUI {

namespace {
struct Style {
  char tag;  // 'f', 'c', 'a', 'u'
  int font;
  uint32_t color;
  bool underline;
  int link;
};

MarkupText Plain(const std::wstring& text) {
  MarkupText m;
  m.plain = true;
  if (!text.empty()) m.runs.push_back({text, -1, 0, false, -1, false});
  return m;
}
}  // namespace

MarkupText ParseMarkup(const std::wstring& text) {
  if (text.size() > kMaxMarkupChars) return Plain(text);
  MarkupText out;
  std::vector<Style> stack;
  Style cur{0, -1, 0, false, -1};
  std::wstring pending;
  size_t linkChars = 0;
  auto flush = [&] {
    if (pending.empty()) return;
    out.runs.push_back({pending, cur.font, cur.color, cur.underline, cur.link, false});
    if (cur.link >= 0) linkChars += pending.size();
    pending.clear();
  };
  for (size_t i = 0; i < text.size();) {
    wchar_t ch = text[i];
    if (ch != L'{') {
      if (ch == L'\n') {
        flush();
        out.runs.push_back({L"", -1, 0, false, -1, true});
      } else if (ch != L'\r') {
        pending += ch;
      }
      ++i;
      continue;
    }
    size_t close = text.find(L'}', i);
    if (close == std::wstring::npos) return Plain(text);
    std::wstring tag = text.substr(i + 1, close - i - 1);
    i = close + 1;
    if (tag.empty()) return Plain(text);
    bool closing = tag[0] == L'/';
    wchar_t kind = closing ? (tag.size() > 1 ? tag[1] : 0) : tag[0];
    std::wstring arg = (!closing && tag.size() > 1) ? tag.substr(1) : L"";
    while (!arg.empty() && arg[0] == L' ') arg.erase(0, 1);
    if (kind == L'n' && !closing) {
      flush();
      out.runs.push_back({L"", -1, 0, false, -1, true});
      continue;
    }
    if (kind != L'f' && kind != L'c' && kind != L'a' && kind != L'u') return Plain(text);
    flush();
    if (closing) {
      if (stack.empty() || cur.tag != static_cast<char>(kind)) return Plain(text);
      if (kind == L'a' && linkChars == 0) return Plain(text);
      cur = stack.back();
      stack.pop_back();
      continue;
    }
    stack.push_back(cur);
    cur.tag = static_cast<char>(kind);
    if (kind == L'f') {
      cur.font = ParseInt(arg, -1);
    } else if (kind == L'c') {
      uint32_t c = 0;
      if (!ParseColor(arg, c)) return Plain(text);
      cur.color = c;
    } else if (kind == L'u') {
      cur.underline = true;
    } else {
      if (cur.link >= 0) return Plain(text);  // links do not nest
      cur.link = out.linkCount++;
      linkChars = 0;
    }
  }
  flush();
  if (!stack.empty()) return Plain(text);
  return out;
}

std::wstring StripMarkup(const std::wstring& text) {
  MarkupText m = ParseMarkup(text);
  if (m.plain) return text;
  std::wstring s;
  for (const MarkupRun& r : m.runs) s += r.lineBreak ? L"\n" : r.text;
  return s;
}

}  // namespace SkinUI
