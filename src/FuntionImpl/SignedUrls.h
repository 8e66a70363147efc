// Signed addresses of the maker's data service (privacy links, banners).
// The service rebuilds the signing text from the query (everything before
// "&verify=") and the shared salt, and refuses a stale time stamp.
#pragma once
#include <cstdint>
#include <string>

namespace FuntionImpl {

// Addresses longer than this are refused (logged) rather than cut.
constexpr size_t kSignedUrlLimit = 259;

// The privacy and terms links of product parent_pid. Empty when the address
// would pass the limit.
std::string GetPrivacyUrl(int parentPid);
// The banners of product parent_pid in the language with this service code
// ("en", "zh-cn", ...). The caller maps the interface language to the code.
std::string BannerPicUrlFor(int parentPid, const std::string& langCode);

// MD5 of signingText followed by the salt, 32 lower-case hexadecimal digits.
std::string SignQuery(const std::string& signingText);

}  // namespace FuntionImpl
