#include "CConfigure/CConfigure.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "http/IHttpClient.h"
#include "log/Log.h"
#include "platform/Platform.h"
#include "toolkit/PaintManager.h"

namespace ConfigLabels {

// Decimal like atoi: leading blanks, an optional sign, digits up to the first
// other character; saturates instead of overflowing.
int64_t ParseInt64(const std::wstring& text) {
  std::string s = platform::os().WideToAnsi(text);
  size_t i = 0;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  int64_t v = 0;
  for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
    if (v > (INT64_MAX - 9) / 10) { v = INT64_MAX; break; }
    v = v * 10 + (s[i] - '0');
  }
  return neg ? -v : v;
}

int ParseInt(const std::wstring& text) {
  int64_t v = ParseInt64(text);
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int>(v);
}

uint32_t ParseColor(const std::wstring& text) {
  std::wstring t = text;
  if (!t.empty() && t[0] == L'#') t.erase(0, 1);
  return static_cast<uint32_t>(std::wcstoul(t.c_str(), nullptr, 16));
}

std::vector<std::wstring> SplitList(const std::wstring& text, wchar_t delimiter) {
  std::vector<std::wstring> items;
  if (text.empty()) return items;
  size_t start = 0;
  for (;;) {
    size_t pos = text.find(delimiter, start);
    items.push_back(text.substr(start, pos == std::wstring::npos ? std::wstring::npos : pos - start));
    if (pos == std::wstring::npos) break;
    start = pos + 1;
  }
  return items;
}

bool IsCdnUrl(const std::wstring& url) {
  return url.find(L"//cdn.") != std::wstring::npos || url.find(L"//dl.") != std::wstring::npos;
}

}  // namespace ConfigLabels

bool PaintManagerLabels::LabelText(const std::wstring& name, std::wstring& text) const {
  SkinUI::CControlUI* c = pm_.FindControl(name);
  if (!c) return false;
  text = c->GetText();
  return true;
}

namespace {

// Reads one label into a field; a missing label leaves the field as it is.
struct LabelReader {
  const ILabelSource& src;
  void Int(const wchar_t* name, int& field) const {
    std::wstring t;
    if (src.LabelText(name, t)) field = ConfigLabels::ParseInt(t);
  }
  void Int64(const wchar_t* name, int64_t& field) const {
    std::wstring t;
    if (src.LabelText(name, t)) field = ConfigLabels::ParseInt64(t);
  }
  void Text(const wchar_t* name, std::wstring& field) const {
    std::wstring t;
    if (src.LabelText(name, t)) field = t;
  }
  void Color(const wchar_t* name, uint32_t& field) const {
    std::wstring t;
    if (src.LabelText(name, t)) field = ConfigLabels::ParseColor(t);
  }
  void List(const wchar_t* name, std::vector<std::wstring>& field, wchar_t delim) const {
    std::wstring t;
    if (src.LabelText(name, t)) field = ConfigLabels::SplitList(t, delim);
  }
};

}  // namespace

int CConfigure::LoadAllFromLabels(ProductConfig& c, const ILabelSource& labels) {
  c.Filesize = 0;
  c.Software_id = 0;
  c.LoadState = 1;
  c.LoadSource = 0;
  c.Software_name.clear();
  c.Software_version.clear();
  c.Download_url.clear();
  c.Md5.clear();
  c.Process_name.clear();
  c.Install_url.clear();
  c.Banner_url.clear();
  c.Licensefile_url.clear();
  c.MirrorUrls.clear();

  LabelReader r{labels};
  r.Int(L"Downloader_id", c.Downloader_id);
  r.Int(L"Software_id", c.Software_id);
  r.Int(L"Site_id", c.Site_id);
  r.Int(L"Language_id", c.Language_id);
  r.Text(L"Software_name", c.Software_name);
  r.Text(L"Software_version", c.Software_version);
  r.Text(L"Process_name", c.Process_name);
  r.Text(L"Install_url", c.Install_url);
  r.Text(L"Download_url", c.Download_url);
  r.Text(L"Extra_download_url", c.Extra_download_url);
  r.Text(L"Banner_url", c.Banner_url);
  r.Text(L"Licensefile_url", c.Licensefile_url);
  r.Text(L"Md5", c.Md5);
  r.Int64(L"Filesize", c.Filesize);
  r.Text(L"Md5_extra", c.Md5_extra);
  r.Text(L"Cnet_download_url", c.Cnet_download_url);

  c.LoadState = 2;
  c.LoadSource = 2;
  c.Downloader_type = 1;
  c.AddMirrorUrls();
  return 1;
}

CConfigure::CConfigure()
    : current_(std::make_shared<const ProductConfig>()), clientFactory_(&http::DefaultClientFactory()) {}

std::shared_ptr<const ProductConfig> CConfigure::Snapshot() const {
  std::lock_guard<std::mutex> l(PublishMutex);
  return current_;
}

void CConfigure::Update(const std::function<void(ProductConfig&)>& edit) {
  std::lock_guard<std::mutex> l(WriteMutex);
  updateLocked(edit);
}

void CConfigure::updateLocked(const std::function<void(ProductConfig&)>& edit) {
  std::shared_ptr<ProductConfig> next = std::make_shared<ProductConfig>(*Snapshot());
  edit(*next);
  std::shared_ptr<const ProductConfig> published = std::move(next);
  std::lock_guard<std::mutex> l(PublishMutex);
  // The old record lives on in the snapshots still held; ours goes after the lock.
  current_.swap(published);
}


void CConfigure::LoadFromLabels(const ILabelSource& labels) {
  Update([&labels](ProductConfig& c) {
    LabelReader r{labels};
    r.Int(L"Downloader_id", c.Downloader_id);
    r.Int(L"Site_id", c.Site_id);
    r.Int(L"Language_id", c.Language_id);
    r.Int(L"Gif_duration", c.Gif_duration);
    r.Int(L"NeedStart_flag", c.NeedStart_flag);
    r.Int(L"admin_flag", c.admin_flag);
    r.Text(L"Software_name", c.Software_name);
    r.Text(L"Extra_download_url", c.Extra_download_url);
    r.Color(L"theme_color", c.theme_color);
    r.List(L"Language_str", c.Language_str, L'#');
    r.Int(L"MainPid", c.MainPid);
    r.Text(L"PrivacyUrl", c.PrivacyUrl);
    r.Text(L"LicenseUrl", c.LicenseUrl);
    r.Int(L"IsToolkit", c.IsToolkit);
    r.Int(L"StartSubProgram", c.StartSubProgram);
    r.List(L"ForbidCountries", c.ForbidCountries, L',');
    r.Text(L"Trusted_publisher", c.Trusted_publisher);
  });
}

void ProductConfig::AddMirrorUrls() {
  if (!Download_url.empty() && !ConfigLabels::IsCdnUrl(Download_url)) MirrorUrls.push_back(Download_url);
  if (!Extra_download_url.empty() && !ConfigLabels::IsCdnUrl(Extra_download_url))
    MirrorUrls.push_back(Extra_download_url);
}

void CConfigure::printContent(const ProductConfig& c) {
  auto a = [](const std::wstring& w) { return platform::os().WideToAnsi(w); };
  if (c.LoadSource == 2) LOG(INFO) << " Configure Load From File! ";
  else if (c.LoadSource == 1) LOG(INFO) << " Configure Load From XML! ";
  else LOG(INFO) << " Configure Load From Nothing! ";
  LOG(INFO) << " [File ContentLength]: " << c.Filesize;
  LOG(INFO) << " [Downloader Id]: " << c.Downloader_id;
  LOG(INFO) << " [SoftWare Id]: " << c.Software_id;
  LOG(INFO) << " [Site Id]: " << c.Site_id;
  LOG(INFO) << " [Language Id]: " << c.Language_id;
  LOG(INFO) << " [Software Name]: " << a(c.Software_name);
  LOG(INFO) << " [Software Version]: " << a(c.Software_version);
  LOG(INFO) << " [Remote Path]: " << a(c.Download_url);
  LOG(INFO) << " [MD5 String]: " << a(c.Md5);
  LOG(INFO) << " [Process Name]: " << a(c.Process_name);
  LOG(INFO) << " [Install Url]: " << a(c.Install_url);
  LOG(INFO) << " [Banner Url]: " << a(c.Banner_url);
  LOG(INFO) << " [Licensefile Url]: " << a(c.Licensefile_url);
  LOG(INFO) << " [Extra Download Url]: " << a(c.Extra_download_url);
  LOG(INFO) << " [Cnet Download Url]: " << a(c.Cnet_download_url);
  LOG(INFO) << " [MD5 Extra String]: " << a(c.Md5_extra);
}

int CConfigure::GetLoadState() const { return Snapshot()->LoadState; }

void CConfigure::SetLoadState(int state) {
  Update([state](ProductConfig& c) { c.LoadState = state; });
}

bool ProductConfig::IsForbiddenCountry(const std::wstring& code) const {
  return std::find(ForbidCountries.begin(), ForbidCountries.end(), code) != ForbidCountries.end();
}

bool ProductConfig::IsSpecialDownloader() const {
  static const int kIds[] = {67, 68, 69, 128, 135, 157, 169, 226, 263, 285};
  return std::find(std::begin(kIds), std::end(kIds), Downloader_id) != std::end(kIds);
}

bool ProductConfig::IsSpecialSite() const {
  static const int kSites[] = {54, 93, 118, 127, 133, 290};
  return std::find(std::begin(kSites), std::end(kSites), Site_id) != std::end(kSites);
}

void CConfigure::SetLinkMapEntry(const std::string& lang, const std::wstring& privacy, const std::wstring& license) {
  std::lock_guard<std::mutex> l(ConfigMutex);
  LinkMap[lang] = {privacy, license};
}

std::wstring CConfigure::GetLinkPrivacy(const std::string& lang) {
  std::lock_guard<std::mutex> l(ConfigMutex);
  auto it = LinkMap.find(lang);
  return it == LinkMap.end() ? std::wstring() : it->second.first;
}

std::wstring CConfigure::GetLinkLicense(const std::string& lang) {
  std::lock_guard<std::mutex> l(ConfigMutex);
  auto it = LinkMap.find(lang);
  return it == LinkMap.end() ? std::wstring() : it->second.second;
}

void CConfigure::SetBannerEntry(int key, const BannerEntry& entry) {
  std::lock_guard<std::mutex> l(ConfigMutex);
  BannerMap[key] = entry;
}

bool CConfigure::GetBannerEntry(int key, BannerEntry& entry) {
  std::lock_guard<std::mutex> l(ConfigMutex);
  auto it = BannerMap.find(key);
  if (it == BannerMap.end()) return false;
  entry = it->second;
  return true;
}

std::string CConfigure::GetLastQueryUrl() {
  std::lock_guard<std::mutex> l(ConfigMutex);
  return LastQueryUrl;
}

void CConfigure::SetLastQueryUrl(const std::string& url) {
  std::lock_guard<std::mutex> l(ConfigMutex);
  LastQueryUrl = url;
}
