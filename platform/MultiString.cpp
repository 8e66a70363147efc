#include "platform/MultiString.h"

namespace platform {

std::vector<std::wstring> SplitMultiString(const std::wstring& text, wchar_t separator) {
  std::vector<std::wstring> items;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find(separator, at);
    if (end == std::wstring::npos) end = text.size();
    if (end == at) break;
    items.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return items;
}

}  // namespace platform
