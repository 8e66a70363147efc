#include "telemetry/ChannelTag.h"

#include <cctype>

namespace telemetry {

namespace {

struct ChannelRow {
  int site;             // Site_id
  const char* tag;      // the tag
  const char* marker;   // when set: the tag needs this text in the lower-cased source
  const char* without;  // the tag when the marker is absent
};

// Our sales channels. Site 2 (the search engine) is decided in code.
const ChannelRow kChannels[] = {
    {8, "GoogleAds", nullptr, nullptr},   {74, "Facebook", nullptr, nullptr},
    {84, "GoogleSearch", nullptr, nullptr}, {206, "BingAds", nullptr, nullptr},
    {293, "TikTok", nullptr, nullptr},    {305, "Instagram", nullptr, nullptr},
    {338, "Pinterest", nullptr, nullptr}, {12, "Softpedia", nullptr, nullptr},
    {15, "Uptodown", nullptr, nullptr},   {27, "Filehippo", nullptr, nullptr},
    {525, "Website", nullptr, nullptr},   {642, "Downloader", nullptr, nullptr},
    // Two sites carry a sub-brand, told apart by a marker in the download address.
    {410, "Promo", "_promo", "Direct"},   {411, "Education", "_edu", "Retail"},
};

bool Has(const std::string& s, const char* what) { return s.find(what) != std::string::npos; }

}  // namespace

std::string ChannelTag(int siteId, const std::string& channelSource) {
  std::string lower = channelSource;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (siteId == 2) {
    if (Has(lower, "_bing_") || Has(lower, "_bing.")) return "Bing";
    if (Has(lower, "_yahoo_") || Has(lower, "_yahoo.")) return "Yahoo";
    return "Search";
  }
  for (const ChannelRow& row : kChannels) {
    if (row.site != siteId) continue;
    if (!row.marker) return row.tag;
    return Has(lower, row.marker) ? row.tag : row.without;
  }
  return std::to_string(siteId);
}

}  // namespace telemetry
