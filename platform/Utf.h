// UTF-8 <-> wide text, for wchar_t of 16 bits (UTF-16) or 32 bits (UTF-32).
#pragma once
#include <string>
#include <string_view>

namespace platform {
std::string Utf8FromWide(const std::wstring& w);
std::wstring WideFromUtf8(const std::string& s);  // invalid bytes become U+FFFD
// The code point at w[i], i moved past it: a UTF-16 surrogate pair gives one
// code point, a lone surrogate is returned as it is.
char32_t NextCodePoint(std::wstring_view w, size_t& i);
// A-Z to a-z; other bytes (UTF-8 sequences too) as they are.
std::string ToLowerAscii(std::string s);
}  // namespace platform
