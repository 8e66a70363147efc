#include "telemetry/Ga4Query.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "FuntionImpl/SystemInfo.h"
#include "telemetry/ChannelTag.h"

namespace telemetry {

namespace {

bool Unreserved(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || std::strchr("!'()*-._~", c);
}

// Cuts text to at most n bytes without splitting a UTF-8 sequence.
void CutUtf8(std::string& text, size_t n) {
  if (text.size() <= n) return;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  text.resize(n);
}

enum Field { kVersion, kCategory, kAction, kLabel, kTraffic, kChannel, kProduct, kCountry, kLanguage, kOs, kCount };

// Field names in order, and which value each carries (the action twice, the
// tools version twice).
struct QueryField {
  const char* name;
  int value;  // Field, or -1 for a constant
  const char* constant;
};
const QueryField kFields[] = {
    {"&tid=", -1, "G-Q4WJN82RZD"},
    {"&ep.zq_productname=", -1, "Downloader"},
    {"&ep.zq_productversion=", kVersion, nullptr},
    {"&ep.zq_category=", kCategory, nullptr},
    {"&ep.zq_action=", kAction, nullptr},
    {"&ep.zq_label=", kLabel, nullptr},
    {"&en=", kAction, nullptr},  // GA4 event name
    {"&ep.cd1=", kVersion, nullptr},
    {"&ep.cd2=", kTraffic, nullptr},
    {"&ep.cd3=", kChannel, nullptr},
    {"&ep.cd4=", kProduct, nullptr},
    {"&ep.cd5=", kCountry, nullptr},
    {"&ep.cd6=", kLanguage, nullptr},
    {"&ep.cd7=", kOs, nullptr},
};

size_t RawLength(const std::vector<std::string>& v) {
  size_t n = std::strlen("&ep.cd8=0");
  for (const QueryField& f : kFields) n += std::strlen(f.name) + (f.value < 0 ? std::strlen(f.constant) : v[f.value].size());
  return n;
}

}  // namespace

std::string PercentEncodeValue(const std::string& value) {
  static const char hex[] = "0123456789abcdef";
  std::string out;
  out.reserve(value.size() * 3);
  for (unsigned char c : value) {
    if (c != 0 && Unreserved(c)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string BuildGa4Query(const BaseFacts& base, const UserFacts& user, const std::string& category,
                          const std::string& action, const std::string& label) {
  std::vector<std::string> v(kCount);
  v[kVersion] = base.toolsVersion;
  v[kCategory] = category;
  v[kAction] = action;
  v[kLabel] = label;
  v[kTraffic] = FuntionImpl::GetTrafficType(user.siteId);
  v[kChannel] = ChannelTag(user.siteId, user.channelSource);
  v[kProduct] = user.product;
  v[kCountry] = base.uiCountry;
  v[kLanguage] = base.uiLanguage;
  v[kOs] = base.osText;

  // Cut the longest value until the query fits; the label goes first.
  for (size_t total = RawLength(v); total > kGa4QueryMax; total = RawLength(v)) {
    int longest = kLabel;
    for (int i = 0; i < kCount; ++i)
      if (v[i].size() > v[longest].size()) longest = i;
    size_t weight = (longest == kAction || longest == kVersion) ? 2 : 1;
    size_t excess = (total - kGa4QueryMax + weight - 1) / weight;
    CutUtf8(v[longest], v[longest].size() > excess ? v[longest].size() - excess : 0);
  }

  std::string q;
  for (const QueryField& f : kFields) {
    q += f.name;
    q += f.value < 0 ? f.constant : PercentEncodeValue(v[f.value]);
  }
  q += user.toolkit ? "&ep.cd8=0" : "&ep.cd8=1";
  return q;
}

}  // namespace telemetry
