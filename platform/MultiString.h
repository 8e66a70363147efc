// The list of a multi-string registry value, stored as items each followed
// by a separator (NUL on Windows, a line break in the POSIX stand-in).
#pragma once
#include <string>
#include <vector>

namespace platform {

// The items of text in order. An empty item ends the list, as the double NUL
// of a REG_MULTI_SZ does; a last item without its separator still counts.
std::vector<std::wstring> SplitMultiString(const std::wstring& text, wchar_t separator);

}  // namespace platform
