#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "CConfigure/CConfigure.h"
#include "TestSupport.h"
#include "log/Log.h"
#include "toolkit/PaintManager.h"

namespace {
class MapLabels : public ILabelSource {
 public:
  std::map<std::wstring, std::wstring> labels;
  bool LabelText(const std::wstring& name, std::wstring& text) const override {
    auto it = labels.find(name);
    if (it == labels.end()) return false;
    text = it->second;
    return true;
  }
};
using Items = std::vector<std::wstring>;
}  // namespace

TEST(ConfigLabels, IntegersTakeTheirLeadingDigits) {
  EXPECT_EQ(ConfigLabels::ParseInt(L"642"), 642);
  EXPECT_EQ(ConfigLabels::ParseInt(L"  17abc"), 17);
  EXPECT_EQ(ConfigLabels::ParseInt(L"abc"), 0);
  EXPECT_EQ(ConfigLabels::ParseInt(L""), 0);
  EXPECT_EQ(ConfigLabels::ParseInt(L"-5"), -5);
  EXPECT_EQ(ConfigLabels::ParseInt(L"99999999999999"), INT32_MAX);  // saturates, never wraps
  EXPECT_EQ(ConfigLabels::ParseInt64(L"3221225472"), 3221225472LL);  // sizes past 2 GiB
}

TEST(ConfigLabels, ListsKeepEmptyItems) {
  EXPECT_EQ(ConfigLabels::SplitList(L"zh-tw#en#ja#ko#id", L'#'), (Items{L"zh-tw", L"en", L"ja", L"ko", L"id"}));
  EXPECT_EQ(ConfigLabels::SplitList(L"a##b#", L'#'), (Items{L"a", L"", L"b", L""}));
  EXPECT_EQ(ConfigLabels::SplitList(L"#", L'#'), (Items{L"", L""}));
  EXPECT_TRUE(ConfigLabels::SplitList(L"", L',').empty());
}

TEST(ConfigLabels, ThemeColourWithOrWithoutHash) {
  EXPECT_EQ(ConfigLabels::ParseColor(L"#FF000001"), 0xFF000001u);
  EXPECT_EQ(ConfigLabels::ParseColor(L"FF000001"), 0xFF000001u);
  EXPECT_EQ(ConfigLabels::ParseColor(L"#7f2b6cf0"), 0x7F2B6CF0u);
  EXPECT_EQ(ConfigLabels::ParseColor(L"#zz"), 0u);
}

TEST(ConfigLabels, CdnHostsAreThoseOnCdnOrDl) {
  EXPECT_TRUE(ConfigLabels::IsCdnUrl(L"https://cdn.example.com/a.exe"));
  EXPECT_TRUE(ConfigLabels::IsCdnUrl(L"https://dl.example.com/a.exe"));
  EXPECT_FALSE(ConfigLabels::IsCdnUrl(L"https://download.example.com/a.exe"));
  EXPECT_FALSE(ConfigLabels::IsCdnUrl(L"https://www.example.com/dl.exe"));
}

TEST(Configure, QuickPassReadsItsLabelsAndLeavesTheLoadStateAlone) {
  MapLabels src;
  src.labels = {{L"Downloader_id", L"642"}, {L"Site_id", L"525"},           {L"Language_id", L"1033"},
                {L"Software_name", L"Lumevia"}, {L"theme_color", L"#FF000001"}, {L"Language_str", L"zh-tw#en"},
                {L"ForbidCountries", L""},      {L"Software_version", L"9.9"},  {L"Download_url", L"https://x.y/z"},
                {L"Trusted_publisher", L"CN=A; CN=B"}};
  CConfigure config;
  config.Update([](ProductConfig& r) { r.ForbidCountries = {L"stale"}; });
  const std::shared_ptr<const ProductConfig> before = config.Snapshot();
  config.LoadFromLabels(src);
  EXPECT_EQ(before->ForbidCountries, (Items{L"stale"})) << "a record taken earlier never changes";
  const std::shared_ptr<const ProductConfig> c = config.Snapshot();
  EXPECT_EQ(c->Downloader_id, 642);
  EXPECT_EQ(c->Site_id, 525);
  EXPECT_EQ(c->Language_id, 1033);
  EXPECT_EQ(c->Software_name, L"Lumevia");
  EXPECT_EQ(c->theme_color, 0xFF000001u);
  EXPECT_EQ(c->Language_str, (Items{L"zh-tw", L"en"}));
  EXPECT_TRUE(c->ForbidCountries.empty());  // an empty label empties the list
  EXPECT_EQ(c->Trusted_publisher, L"CN=A; CN=B");
  EXPECT_TRUE(c->Software_version.empty());  // not part of the quick pass
  EXPECT_TRUE(c->Download_url.empty());
  EXPECT_EQ(c->LoadState, 1);
  EXPECT_EQ(c->LoadSource, 0);
  EXPECT_EQ(c->Downloader_type, 3);
}

TEST(Configure, MissingLabelsLeaveTheirFields) {
  CConfigure c;
  c.Update([](ProductConfig& r) {
    r.Site_id = 77;
    r.Language_str = {L"en"};
  });
  c.LoadFromLabels(MapLabels());
  EXPECT_EQ(c.Snapshot()->Site_id, 77);
  EXPECT_EQ(c.Snapshot()->Language_str, (Items{L"en"}));
}

TEST(Configure, FullPassResetsReadsAndBuildsTheMirrorList) {
  MapLabels src;
  src.labels = {{L"Downloader_id", L"642"},
                {L"Software_version", L"1.0.0.0"},
                {L"Download_url", L"https://mirror.example.com/a.exe"},
                {L"Extra_download_url", L"https://dl.example.com/a.exe"},
                {L"Filesize", L"3221225472"},
                {L"Md5", L"0123456789abcdef0123456789abcdef"}};
  CConfigure config;
  config.Update([](ProductConfig& r) {
    r.Install_url = L"stale";
    r.MirrorUrls = {L"stale"};
    r.Software_id = 5;
  });
  config.Update([&](ProductConfig& r) { EXPECT_EQ(CConfigure::LoadAllFromLabels(r, src), 1); });
  const std::shared_ptr<const ProductConfig> c = config.Snapshot();
  EXPECT_TRUE(c->Install_url.empty());
  EXPECT_EQ(c->Software_id, 0);
  EXPECT_EQ(c->Filesize, 3221225472LL);
  EXPECT_EQ(c->LoadState, 2);
  EXPECT_EQ(c->LoadSource, 2);
  EXPECT_EQ(c->Downloader_type, 1);
  EXPECT_EQ(c->MirrorUrls, (Items{L"https://mirror.example.com/a.exe"}));
}

TEST(Configure, ServicePathAppendsMirrorsWithoutEmptyingTheList) {
  ProductConfig c;
  c.MirrorUrls = {L"https://old.example.com/p.exe"};
  c.Download_url = L"https://www.example.com/a.exe";
  c.Extra_download_url = L"https://host.example.com/b.exe";
  c.AddMirrorUrls();
  EXPECT_EQ(c.MirrorUrls, (Items{L"https://old.example.com/p.exe", L"https://www.example.com/a.exe",
                                 L"https://host.example.com/b.exe"}));
}

TEST(Configure, CountryAndProductGroupRules) {
  ProductConfig c;
  c.ForbidCountries = ConfigLabels::SplitList(L"CN,RU", L',');
  EXPECT_TRUE(c.IsForbiddenCountry(L"RU"));
  EXPECT_FALSE(c.IsForbiddenCountry(L"ru"));  // exact match
  EXPECT_FALSE(c.IsForbiddenCountry(L"US"));
  c.ForbidCountries.clear();
  EXPECT_FALSE(c.IsForbiddenCountry(L""));
  for (int id : {67, 68, 69, 128, 135, 157, 169, 226, 263, 285}) {
    c.Downloader_id = id;
    EXPECT_TRUE(c.IsSpecialDownloader()) << id;
  }
  c.Downloader_id = 642;
  EXPECT_FALSE(c.IsSpecialDownloader());
  for (int site : {54, 93, 118, 127, 133, 290}) {
    c.Site_id = site;
    EXPECT_TRUE(c.IsSpecialSite()) << site;
  }
  c.Site_id = 525;
  EXPECT_FALSE(c.IsSpecialSite());
}

TEST(Configure, LinkAndBannerMapsAcrossThreads) {
  CConfigure c;
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t)
    writers.emplace_back([&c, t] {
      for (int i = 0; i < 200; ++i) {
        c.SetLinkMapEntry("lang" + std::to_string(t), L"p" + std::to_wstring(i), L"l" + std::to_wstring(i));
        BannerEntry b;
        b.sort = i;
        c.SetBannerEntry(t, b);
      }
    });
  for (auto& w : writers) w.join();
  EXPECT_EQ(c.GetLinkPrivacy("lang2"), L"p199");
  EXPECT_EQ(c.GetLinkLicense("lang3"), L"l199");
  EXPECT_EQ(c.GetLinkPrivacy("absent"), L"");
  BannerEntry b;
  ASSERT_TRUE(c.GetBannerEntry(1, b));
  EXPECT_EQ(b.sort, 199);
  EXPECT_FALSE(c.GetBannerEntry(9, b));
}

TEST(Configure, PrintContentWritesOneLinePerField) {
  testing_support::TempDir dir;
  std::wstring logPath = dir.file(L"print.log");
  applog::ConfigureLog(platform::os().WideToAnsi(logPath));
  CConfigure c;
  c.Update([](ProductConfig& r) { r.Md5 = L"00112233445566778899aabbccddeeff"; });
  CConfigure::printContent(*c.Snapshot());
  c.Update([](ProductConfig& r) { r.LoadSource = 2; });
  CConfigure::printContent(*c.Snapshot());
  el::Loggers::flushAll();
  std::string text;
  ASSERT_TRUE(platform::os().ReadFile(logPath, text));
  EXPECT_NE(text.find(" Configure Load From Nothing! "), std::string::npos);
  EXPECT_NE(text.find(" Configure Load From File! "), std::string::npos);
  EXPECT_NE(text.find(" [MD5 String]: 00112233445566778899aabbccddeeff"), std::string::npos);
  for (const char* key : {" [File ContentLength]: 0", " [Downloader Id]: 0", " [SoftWare Id]: ", " [Site Id]: ",
                          " [Language Id]: ", " [Software Name]: ", " [Software Version]: ", " [Remote Path]: ",
                          " [Process Name]: ", " [Install Url]: ", " [Banner Url]: ", " [Licensefile Url]: ",
                          " [Extra Download Url]: ", " [Cnet Download Url]: ", " [MD5 Extra String]: "})
    EXPECT_NE(text.find(key), std::string::npos) << key;
  // The line format: "<date time>--[Thread](<id>) <message>".
  EXPECT_NE(text.find("--[Thread]("), std::string::npos);
  applog::ConfigureLog(platform::os().WideToAnsi(dir.file(L"after.log")));  // let go of the file
}

TEST(Configure, ShippedSkinCarriesTheProductLabels) {
  ASSERT_TRUE(SkinUI::CPaintManagerUI::SetResourceZip(testing_support::BuiltSkinZip()));
  SkinUI::CPaintManagerUI pm;
  ASSERT_TRUE(pm.LoadLayout("InstallMainWnd.xml"));
  CConfigure config;
  config.LoadFromLabels(PaintManagerLabels(pm));
  std::shared_ptr<const ProductConfig> c = config.Snapshot();
  EXPECT_EQ(c->Downloader_id, 642);
  EXPECT_EQ(c->Site_id, 525);
  EXPECT_EQ(c->Language_id, 1033);
  EXPECT_EQ(c->MainPid, 9909);
  EXPECT_EQ(c->NeedStart_flag, 1);
  EXPECT_EQ(c->StartSubProgram, 1);
  EXPECT_EQ(c->Software_name, L"Lumevia");
  EXPECT_EQ(c->theme_color, 0xFF000001u);
  EXPECT_EQ(c->Language_str, (Items{L"zh-tw", L"en", L"ja", L"ko", L"id"}));
  EXPECT_TRUE(c->ForbidCountries.empty());
  EXPECT_EQ(c->Trusted_publisher, L"CN=Marlowgate Software Ltd, O=Marlowgate Software Ltd, L=Dublin, C=IE");
  config.Update([&](ProductConfig& r) { CConfigure::LoadAllFromLabels(r, PaintManagerLabels(pm)); });
  c = config.Snapshot();
  EXPECT_EQ(c->Trusted_publisher, L"CN=Marlowgate Software Ltd, O=Marlowgate Software Ltd, L=Dublin, C=IE");
  EXPECT_EQ(c->Software_version, L"1.0.0.0");
  EXPECT_EQ(c->Process_name, L"Velscape.exe");
  EXPECT_EQ(c->Filesize, 0);
  EXPECT_TRUE(c->Md5.empty());
  EXPECT_EQ(c->MirrorUrls.size(), 2u);  // both package addresses are on the product's own host
  ASSERT_NE(pm.FindControl(L"ProductSize"), nullptr);
  SkinUI::CPaintManagerUI::Term();
}
