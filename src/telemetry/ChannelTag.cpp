#include "telemetry/ChannelTag.h"

#include "FuntionImpl/SiteTags.h"
#include "platform/Utf.h"

namespace telemetry {

std::string ChannelTag(int siteId, const std::string& channelSource) {
  using namespace FuntionImpl;
  const std::string lower = platform::ToLowerAscii(channelSource);
  if (siteId == 2) {
    if (NamesSearchEngine(lower, "bing")) return "Bing";
    if (NamesSearchEngine(lower, "yahoo")) return "Yahoo";
    return "Search";
  }
  std::string tag;
  return LookUpSiteTag(siteId, lower, tag) ? tag : std::to_string(siteId);
}

}  // namespace telemetry
