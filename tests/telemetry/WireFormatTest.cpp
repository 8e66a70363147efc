// The wire formats byte by byte: GA4 query, funnel records, collector
// payload, "galog.json", and the identifier rules of the web log.
#include <gtest/gtest.h>
#include <json/json.h>

#include <filesystem>

#include "platform/Platform.h"
#include "telemetry/ChannelTag.h"
#include "telemetry/FunnelRecord.h"
#include "telemetry/Ga4Query.h"
#include "telemetry/GaLogState.h"
#include "telemetry/RunFacts.h"
#include "weblog/CollectorPayload.h"
#include "weblog/Identifiers.h"

using namespace telemetry;

namespace {

BaseFacts Base() {
  BaseFacts b;
  b.toolsVersion = "1.2.3.4";
  b.fileTag = "1234";
  b.osText = "Windows 10 64bit";
  b.uiLanguage = "English";
  b.uiCountry = "United States";
  return b;
}

UserFacts User(int site, bool toolkit = false) {
  UserFacts u;
  u.siteId = site;
  u.product = "Lumevia";
  u.toolkit = toolkit;
  u.pid = 77;
  return u;
}

Json::Value Parse(const std::string& text) {
  Json::Value v;
  Json::Reader().parse(text, v);
  return v;
}

std::wstring TempDir(const char* name) {
  auto dir = std::filesystem::temp_directory_path() / ("telemetry-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + name);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.wstring();
}

}  // namespace

TEST(Ga4Query, DownloadTimeEventIsEncodedFieldByField) {
  std::string q = BuildGa4Query(Base(), User(84), "DownloadTime", "CDN", "[21~30s]");
  EXPECT_EQ(q,
            "&tid=G-Q4WJN82RZD&ep.zq_productname=Downloader&ep.zq_productversion=1.2.3.4"
            "&ep.zq_category=DownloadTime&ep.zq_action=CDN&ep.zq_label=%5b21~30s%5d&en=CDN"
            "&ep.cd1=1.2.3.4&ep.cd2=PPC&ep.cd3=GoogleSearch&ep.cd4=Lumevia&ep.cd5=United%20States"
            "&ep.cd6=English&ep.cd7=Windows%2010%2064bit&ep.cd8=1");
}

TEST(Ga4Query, EmptyLabelKeepsTheField) {
  std::string q = BuildGa4Query(Base(), User(3), "Download", "1.Launch", "");
  EXPECT_NE(q.find("&ep.zq_label=&en=1.Launch&"), std::string::npos) << q;
}

TEST(Ga4Query, TrafficTypeAndChannelFallback) {
  std::string seo = BuildGa4Query(Base(), User(3), "c", "a", "l");
  EXPECT_NE(seo.find("&ep.cd2=SEO&ep.cd3=3&"), std::string::npos) << seo;
  std::string ppc = BuildGa4Query(Base(), User(84), "c", "a", "l");
  EXPECT_NE(ppc.find("&ep.cd2=PPC&"), std::string::npos) << ppc;
}

TEST(Ga4Query, ToolkitProductSendsCd8Zero) {
  EXPECT_NE(BuildGa4Query(Base(), User(3, true), "c", "a", "l").find("&ep.cd8=0"), std::string::npos);
  EXPECT_NE(BuildGa4Query(Base(), User(3, false), "c", "a", "l").find("&ep.cd8=1"), std::string::npos);
}

TEST(Ga4Query, ValuesCannotAddFields) {
  std::string q = BuildGa4Query(Base(), User(3), "a&b=c", "x y", "caf\xc3\xa9");
  EXPECT_NE(q.find("&ep.zq_category=a%26b%3dc&"), std::string::npos) << q;
  EXPECT_NE(q.find("&ep.zq_action=x%20y&"), std::string::npos) << q;
  EXPECT_NE(q.find("&ep.zq_label=caf%c3%a9&"), std::string::npos) << q;
  EXPECT_EQ(PercentEncodeValue(std::string("a\0b", 3)), "a%00b");
  EXPECT_EQ(PercentEncodeValue("!'()*-._~"), "!'()*-._~");
}

// The query before encoding.
std::string Decode(const std::string& q) {
  std::string out;
  for (size_t i = 0; i < q.size(); ++i) {
    if (q[i] == '%' && i + 2 < q.size()) {
      out += static_cast<char>(std::stoi(q.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += q[i];
    }
  }
  return out;
}

TEST(Ga4Query, OversizedValuesAreCutToFitAtCharacterBoundaries) {
  std::string longLabel;
  for (int i = 0; i < 3000; ++i) longLabel += "\xc3\xa9";  // 6000 bytes of two-byte characters
  std::string q = BuildGa4Query(Base(), User(3), "Download", "1.Launch", longLabel);
  size_t start = q.find("&ep.zq_label=") + 13, end = q.find("&en=");
  std::string label = Decode(q.substr(start, end - start));
  ASSERT_EQ(label.size() % 2, 0u) << "a character was split";
  EXPECT_EQ(label, longLabel.substr(0, label.size()));
  // The unencoded query fits in 4095 bytes and only the label took the cut.
  std::string raw = Decode(q);
  EXPECT_LE(raw.size(), kGa4QueryMax);
  EXPECT_GE(raw.size(), kGa4QueryMax - 1);
  EXPECT_NE(q.find("&ep.zq_action=1.Launch&"), std::string::npos);

  UserFacts u = User(3);
  u.product = std::string(10000, 'p');
  std::string q2 = BuildGa4Query(Base(), u, std::string(9000, 'c'), "a", "l");
  EXPECT_LE(Decode(q2).size(), kGa4QueryMax);
  EXPECT_NE(q2.find("&ep.zq_label=l&"), std::string::npos);
  EXPECT_NE(q2.find("&ep.cd8=1"), std::string::npos);
}

TEST(ChannelTag, SearchEngineAndMarkersAndFallback) {
  EXPECT_EQ(ChannelTag(2, "https://x/Setup_Bing_1.exe"), "Bing");
  EXPECT_EQ(ChannelTag(2, "https://x/setup_yahoo.exe"), "Yahoo");
  EXPECT_EQ(ChannelTag(410, "https://x/a_promo.exe"), "Promo");
  EXPECT_EQ(ChannelTag(410, "https://x/a.exe"), "Direct");
  EXPECT_EQ(ChannelTag(999, ""), "999");
}

TEST(RunFacts, FileTagLocaleAndOsText) {
  EXPECT_EQ(FileTagOf("setup_1234.exe"), "1234");
  EXPECT_EQ(FileTagOf("setup.exe"), "");
  EXPECT_EQ(FileTagOf("a.b_c"), "");
  std::string lang, country;
  SplitUiLocale("English_United States", lang, country);
  EXPECT_EQ(lang + "|" + country, "English|United States");
  SplitUiLocale("English", lang, country);
  EXPECT_EQ(lang + "|" + country, "Unknown|Unknown");
  EXPECT_EQ(OsTextOf("Windows 11", false), "Windows 11 32bit");
}

TEST(FunnelRecord, MembersAndKitType) {
  struct Wnd : IMainWindowFacts {
    std::string ProductVersion() const override { return "5.1"; }
    std::string LanguageCode() const override { return "de"; }
  } wnd;
  UserFacts u = User(3, true);
  u.isNew = 1;
  u.mainWnd = &wnd;
  Json::Value r = Parse(BuildFunnelRecord(Base(), u, {"CoreFuncEvent", "Downloading", 2, "Download", "DownStart", "null"}, false));
  EXPECT_EQ(r["is_new"].asInt(), 1);
  EXPECT_EQ(r["brand"].asString(), "PC");
  EXPECT_EQ(r["cross_end_id"].asString(), "1234");
  EXPECT_EQ(r["source_type"].asString(), "downloader");
  EXPECT_EQ(r["product_version"].asString(), "5.1");
  EXPECT_EQ(r["tools_lang"].asString(), "de");
  EXPECT_EQ(r["kit_type"].asInt(), 1);
  EXPECT_EQ(r["pid"].asInt(), 77);
  EXPECT_EQ(r["actions"]["core_func_name"].asString(), "Downloading");
  EXPECT_EQ(r["actions"]["func_step"].asInt(), 2);
  EXPECT_EQ(r["actions"]["event_type"].asString(), "CoreFuncEvent");

  Json::Value bare = Parse(BuildFunnelRecord(Base(), User(3), {"", "", 5, "Download", "x", "null"}, true));
  EXPECT_FALSE(bare["actions"].isMember("core_func_name"));
  EXPECT_FALSE(bare["actions"].isMember("func_step"));
  EXPECT_EQ(bare["actions"]["event_type"].asString(), "event");
  EXPECT_EQ(bare["kit_type"].asInt(), 2);
  EXPECT_EQ(bare["product_version"].asString(), "");

  Json::Value ex = Parse(BuildFunnelExRecord(Base(), User(3), "Download", "DownloadSuccess",
                                             {{"DownloadSuccessCDN", "Download_url"}, {"", "lost"}, {"event_action", "x"}}, false));
  EXPECT_EQ(ex["actions"]["DownloadSuccessCDN"].asString(), "Download_url");
  EXPECT_EQ(ex["actions"]["event_action"].asString(), "DownloadSuccess");
  EXPECT_EQ(ex["actions"].size(), 4u);
  EXPECT_EQ(ex["kit_type"].asInt(), 0);
}

TEST(CollectorPayload, MembersDefaultsAndNonJsonInput) {
  weblog::CollectorIds ids{"0123456789abcdef0123456789abcdef", "SESSION", "0A1B2C3D4E5F", "Windows 10 x64", 1700000000123};
  // A record nested past the reader's depth (found by the fuzz target: the reader's
  // exception ended the process) reads as not JSON, as does a huge one.
  for (const std::string& bad : {std::string(5000, '[') + std::string(5000, ']'),
                                 "{\"pid\":1,\"pad\":\"" + std::string(2 << 20, 'x') + "\"}"}) {
    Json::Value r;
    EXPECT_NO_THROW(r = weblog::ParseFunnelRecord(bad));
    EXPECT_TRUE(r.isObject() && r.empty());
  }
  Json::Value p = weblog::BuildCollectorPayload(weblog::ParseFunnelRecord("not json {"), ids);
  EXPECT_EQ(p["version"].asString(), "2.0");
  const Json::Value& c = p["common"];
  EXPECT_EQ(c["uid"].asString(), ids.machineId);
  EXPECT_EQ(c["session_id"].asString(), "SESSION");
  EXPECT_EQ(c["mac"].asString(), "0A1B2C3D4E5F");
  EXPECT_EQ(c["os"].asString(), "Win");
  EXPECT_EQ(c["os_version"].asString(), "Windows 10 x64");
  EXPECT_TRUE(c["pid"].isInt() && c["pid"].asInt() == 0);
  EXPECT_TRUE(c["is_new"].isInt() && c["is_new"].asInt() == 0);
  EXPECT_EQ(c["channel"].asString(), "");
  EXPECT_TRUE(c["is_vip"].isNull() && c.isMember("is_vip"));
  EXPECT_TRUE(c["rnclid"].isNull());
  EXPECT_TRUE(c["kit_type"].isString());
  EXPECT_TRUE(p["actions"].isNull() && p.isMember("actions"));
  EXPECT_FALSE(p.isMember("start"));
  EXPECT_FALSE(p.isMember("monitor"));
  EXPECT_EQ(p["ts"].asInt64(), 1700000000123);

  Json::Value in = Parse(R"({"pid":9,"kit_type":2,"actions":{"a":1},"entry":"x","monitor_type":"m","monitor_line_id":4})");
  Json::Value q = weblog::BuildCollectorPayload(in, ids);
  EXPECT_EQ(q["common"]["pid"].asInt(), 9);
  EXPECT_EQ(q["common"]["kit_type"].asInt(), 2);
  EXPECT_EQ(q["actions"]["a"].asInt(), 1);
  EXPECT_EQ(q["start"]["entry"].asString(), "x");
  EXPECT_EQ(q["monitor"]["param"]["line_id"].asInt(), 4);
  EXPECT_EQ(q["monitor"]["param"]["ext"]["parent_pid"].asInt(), 0);
  EXPECT_EQ(q["monitor"]["guid"].asString(), "");
}

TEST(GaLog, SameDayTwiceThenNextDay) {
  std::wstring dir = TempDir("galog");
  std::wstring path = GaLogPath(dir);
  EXPECT_EQ(UpdateIsNew(path, {2026, 12, 8}), 1);
  EXPECT_EQ(UpdateIsNew(path, {2026, 12, 8}), 0);
  UpdateGaLogVersion(path, "1.2.3.4");
  EXPECT_EQ(UpdateIsNew(path, {2026, 12, 9}), 1);
  std::string text;
  ASSERT_TRUE(platform::os().ReadFile(path, text));
  Json::Value v = Parse(text);
  EXPECT_EQ(v["day"].asInt(), 9);
  EXPECT_EQ(v["version"].asString(), "1.2.3.4") << "other members survive a rewrite";

  // A damaged file counts as a new user and is rewritten whole; so does one
  // nested past the reader's depth (found by the fuzz target: the reader's exception
  // ended the process) or one far larger than anything written here.
  for (const std::string& damaged : {std::string("{broken"), std::string(5000, '[') + std::string(5000, ']'),
                                     "{\"year\":2026,\"pad\":\"" + std::string(1 << 20, 'x') + "\"}"}) {
    platform::os().WriteFile(path, damaged);
    EXPECT_EQ(UpdateIsNew(path, {2026, 12, 9}), 1);
    EXPECT_EQ(UpdateIsNew(path, {2026, 12, 9}), 0);
    platform::os().WriteFile(path, damaged);
    EXPECT_NO_THROW(UpdateGaLogVersion(path, "1.2.3.4"));
  }
  std::filesystem::remove_all(dir);
}

TEST(Identifiers, AdapterChoice) {
  using weblog::AdapterInfo;
  std::vector<AdapterInfo> list = {
      {1, 6, "Bluetooth PAN", {1, 2, 3, 4, 5, 6}},
      {2, 24, "Loopback", {}},
      {3, 71, "Virtual WiFi", {1, 2, 3, 4, 5, 7}},
      {4, 6, "Intel Ethernet", {1, 2, 3, 4, 5}},
      {5, 1, "Realtek PCI GbE", {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}},
      {6, 71, "WLAN", {1, 1, 1, 1, 1, 1}},
  };
  ASSERT_NE(weblog::ChooseAdapter(list, false, 0), nullptr);
  EXPECT_EQ(weblog::ChooseAdapter(list, false, 0)->index, 5u);
  EXPECT_EQ(weblog::ChooseAdapter(list, true, 6)->index, 6u);
  EXPECT_EQ(weblog::ChooseAdapter(list, true, 42), nullptr);
}

namespace {
struct FixedMachine : weblog::IMachineInfo {
  bool haveSerial = true;
  bool SystemVolumeSerial(uint32_t& s) override { s = 0x0A0B0C; return haveSerial; }
  std::string WindowsVolumeGuid() override { return "a1b2"; }
  bool BestInterfaceIndex(uint32_t& i) override { i = 7; return true; }
  std::vector<weblog::AdapterInfo> Adapters() override { return {{7, 6, "eth", {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}}}; }
  bool NewGuid(uint32_t& d1, uint16_t& d2, uint16_t& d3, uint8_t d4[8]) override {
    d1 = 0xDEADBEEF; d2 = 0xABCD; d3 = 0xEF01;
    for (int i = 0; i < 8; ++i) d4[i] = static_cast<uint8_t>(0xA0 + i);
    return true;
  }
  int64_t LocalTimeStampMs() override { return 1; }
};
}  // namespace

TEST(Identifiers, ClientMachineAndSessionIds) {
  FixedMachine m;
  EXPECT_EQ(weblog::ClientId(m), "A0B0C001A2B3C4D5E");
  m.haveSerial = false;
  EXPECT_EQ(weblog::ClientId(m), "001A2B3C4D5E");
  EXPECT_EQ(weblog::MachineId(m), "f2e49af795161e14acf9d9245473a368");
  EXPECT_EQ(weblog::MakeSessionId(m), "DEADBEEFABCDef01A0A1A2A3A4A5A6A7");
}

TEST(Identifiers, OsNames) {
  platform::OsVersion nt, v;
  v.ok = nt.ok = true;
  v.major = 6; v.minor = 2; nt.major = 10; nt.minor = 0; nt.build = 22621;
  EXPECT_EQ(weblog::OsNameFor(nt, v), "Windows 11");
  nt.build = 19045;
  EXPECT_EQ(weblog::OsNameFor(nt, v), "Windows 10");
  v.workstation = false;
  EXPECT_EQ(weblog::OsNameFor(nt, v), "Windows Server 2012");
  v.major = 4; v.minor = 0; v.platformId = 1;
  EXPECT_EQ(weblog::OsNameFor(nt, v), "Microsoft Windows 95");
  v.ok = false;
  EXPECT_EQ(weblog::OsNameFor(nt, v), "unknown OperatingSystem.");
}
