#include "FuntionImpl/SiteTags.h"

#include <cstdint>

namespace FuntionImpl {

namespace {

struct SiteTagRow {
  int site;
  const char* tag;
  const char* markerBase64;  // when set, the tag applies only if the text holds the decoded marker
  const char* otherwise;     // tag when the marker is absent
};

// Rows are product data. Site 2 (the search engine) is decided by the callers.
const SiteTagRow kSiteTags[] = {
    {8, "GoogleAds", nullptr, nullptr},
    {12, "Softpedia", nullptr, nullptr},     {15, "Uptodown", nullptr, nullptr},
    {21, "FileHorse", nullptr, nullptr},     {27, "Filehippo", nullptr, nullptr},
    {33, "MajorGeeks", nullptr, nullptr},    {41, "TechSpot", nullptr, nullptr},
    {54, "Partner", nullptr, nullptr},       {74, "Facebook", nullptr, nullptr},
    {84, "GoogleSearch", nullptr, nullptr},  {93, "Affiliate", nullptr, nullptr},
    {101, "Newsletter", nullptr, nullptr},   {118, "Reseller", nullptr, nullptr},
    {127, "OEM", nullptr, nullptr},          {133, "Bundle", nullptr, nullptr},
    {150, "YouTube", nullptr, nullptr},      {177, "Twitter", nullptr, nullptr},
    {206, "BingAds", nullptr, nullptr},      {214, "Reddit", nullptr, nullptr},
    {233, "Blog", nullptr, nullptr},         {247, "Forum", nullptr, nullptr},
    {290, "Store", nullptr, nullptr},        {293, "TikTok", nullptr, nullptr},
    {305, "Instagram", nullptr, nullptr},    {338, "Pinterest", nullptr, nullptr},
    {525, "Website", nullptr, nullptr},      {642, "Downloader", nullptr, nullptr},
    // "_promo" and "_edu" markers split two channels into a sub-brand and the rest.
    {410, "Promo", "X3Byb21v", "Direct"},    {411, "Education", "X2VkdQ==", "Retail"},
};

std::string DecodeBase64(const std::string& in) {
  static const std::string chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  uint32_t val = 0;
  int bits = -8;
  for (char c : in) {
    size_t p = chars.find(c);
    if (p == std::string::npos) break;  // "=" padding ends the data
    val = ((val << 6) | static_cast<uint32_t>(p)) & 0xFFFFFFu;  // only the last 24 bits matter
    bits += 6;
    if (bits >= 0) {
      out += static_cast<char>((val >> bits) & 0xFF);
      bits -= 8;
    }
  }
  return out;
}

}  // namespace

bool LookUpSiteTag(int siteNumber, const std::string& lowerText, std::string& tag) {
  for (const SiteTagRow& row : kSiteTags) {
    if (row.site != siteNumber) continue;
    if (!row.markerBase64)
      tag = row.tag;
    else
      tag = lowerText.find(DecodeBase64(row.markerBase64)) != std::string::npos ? row.tag : row.otherwise;
    return true;
  }
  return false;
}

bool NamesSearchEngine(const std::string& lowerText, const char* name) {
  const std::string n = std::string("_") + name;
  return lowerText.find(n + "_") != std::string::npos || lowerText.find(n + ".") != std::string::npos;
}

}  // namespace FuntionImpl
