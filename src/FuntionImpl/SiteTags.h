// The one table of the maker's sites and sales channels: their tags for the
// telemetry. Two callers read it with their own rules for what a row does not
// decide (the search-engine site, numbers without a row).
#pragma once
#include <string>

namespace FuntionImpl {

// The tag of siteNumber's row, judged against lowerText (lower-cased) where
// the row depends on a marker in it; false when no row holds the number.
bool LookUpSiteTag(int siteNumber, const std::string& lowerText, std::string& tag);

// Whether lowerText names the given search engine: "_<name>_" or "_<name>.".
bool NamesSearchEngine(const std::string& lowerText, const char* name);

}  // namespace FuntionImpl
