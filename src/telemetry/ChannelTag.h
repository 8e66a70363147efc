// The sales-channel tag (GA4 "cd3") of a site number.
#pragma once
#include <string>

namespace telemetry {

// channelSource is Extra_download_url; the decimal site number when the
// table has no row for it.
std::string ChannelTag(int siteId, const std::string& channelSource);

}  // namespace telemetry
