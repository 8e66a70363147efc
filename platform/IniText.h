// INI text as the Windows profile functions read it: sections and keys match
// without regard to case, values are trimmed, the first match wins.
#pragma once
#include <string>

namespace platform {
bool IniLookup(const std::string& text, const std::string& section, const std::string& key,
               std::string& value);
// Leading blanks, an optional sign, then decimal digits; anything else stops.
int IniParseInt(const std::string& value);
}  // namespace platform
