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

namespace {
class PaintManagerLabels : public ILabelSource {
 public:
  explicit PaintManagerLabels(SkinUI::CPaintManagerUI& pm) : pm_(pm) {}
  bool LabelText(const std::wstring& name, std::wstring& text) const override {
    SkinUI::CControlUI* c = pm_.FindControl(name);
    if (!c) return false;
    text = c->GetText();
    return true;
  }

 private:
  SkinUI::CPaintManagerUI& pm_;
};

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

CConfigure::CConfigure() : clientFactory_(&http::DefaultClientFactory()) {}

void CConfigure::LoadFromLabels(SkinUI::CPaintManagerUI& pm) { LoadFromLabels(PaintManagerLabels(pm)); }

void CConfigure::LoadFromLabels(const ILabelSource& labels) {
  std::lock_guard<std::mutex> l(RecordMutex);
  LabelReader r{labels};
  r.Int(L"Downloader_id", Downloader_id);
  r.Int(L"Site_id", Site_id);
  r.Int(L"Language_id", Language_id);
  r.Int(L"Gif_duration", Gif_duration);
  r.Int(L"NeedStart_flag", NeedStart_flag);
  r.Int(L"admin_flag", admin_flag);
  r.Text(L"Software_name", Software_name);
  r.Text(L"Extra_download_url", Extra_download_url);
  r.Color(L"theme_color", theme_color);
  r.List(L"Language_str", Language_str, L'#');
  r.Int(L"MainPid", MainPid);
  r.Text(L"PrivacyUrl", PrivacyUrl);
  r.Text(L"LicenseUrl", LicenseUrl);
  r.Int(L"IsToolkit", IsToolkit);
  r.Int(L"StartSubProgram", StartSubProgram);
  r.List(L"ForbidCountries", ForbidCountries, L',');
  r.Text(L"Trusted_publisher", Trusted_publisher);
}

int CConfigure::LoadAllFromLabels(SkinUI::CPaintManagerUI& pm) { return LoadAllFromLabels(PaintManagerLabels(pm)); }

int CConfigure::LoadAllFromLabels(const ILabelSource& labels) {
  std::lock_guard<std::mutex> l(RecordMutex);
  return loadAllLocked(labels);
}

int CConfigure::RefreshForInstall(SkinUI::CPaintManagerUI& pm, const RefreshHooks& hooks) {
  return RefreshForInstall(PaintManagerLabels(pm), hooks);
}

int CConfigure::loadAllLocked(const ILabelSource& labels) {
  Filesize = 0;
  Software_id = 0;
  LoadState = 1;
  LoadSource = 0;
  Software_name.clear();
  Software_version.clear();
  Download_url.clear();
  Md5.clear();
  Process_name.clear();
  Install_url.clear();
  Banner_url.clear();
  Licensefile_url.clear();
  MirrorUrls.clear();

  LabelReader r{labels};
  r.Int(L"Downloader_id", Downloader_id);
  r.Int(L"Software_id", Software_id);
  r.Int(L"Site_id", Site_id);
  r.Int(L"Language_id", Language_id);
  r.Text(L"Software_name", Software_name);
  r.Text(L"Software_version", Software_version);
  r.Text(L"Process_name", Process_name);
  r.Text(L"Install_url", Install_url);
  r.Text(L"Download_url", Download_url);
  r.Text(L"Extra_download_url", Extra_download_url);
  r.Text(L"Banner_url", Banner_url);
  r.Text(L"Licensefile_url", Licensefile_url);
  r.Text(L"Md5", Md5);
  r.Int64(L"Filesize", Filesize);
  r.Text(L"Md5_extra", Md5_extra);
  r.Text(L"Cnet_download_url", Cnet_download_url);

  LoadState = 2;
  LoadSource = 2;
  Downloader_type = 1;
  AddMirrorUrls();
  return 1;
}

void CConfigure::AddMirrorUrls() {
  if (!Download_url.empty() && !ConfigLabels::IsCdnUrl(Download_url)) MirrorUrls.push_back(Download_url);
  if (!Extra_download_url.empty() && !ConfigLabels::IsCdnUrl(Extra_download_url))
    MirrorUrls.push_back(Extra_download_url);
}

void CConfigure::printContent() {
  std::lock_guard<std::mutex> l(RecordMutex);
  printLocked();
}

void CConfigure::printLocked() {
  auto a = [](const std::wstring& w) { return platform::os().WideToAnsi(w); };
  if (LoadSource == 2) LOG(INFO) << " Configure Load From File! ";
  else if (LoadSource == 1) LOG(INFO) << " Configure Load From XML! ";
  else LOG(INFO) << " Configure Load From Nothing! ";
  LOG(INFO) << " [File ContentLength]: " << Filesize;
  LOG(INFO) << " [Downloader Id]: " << Downloader_id;
  LOG(INFO) << " [SoftWare Id]: " << Software_id;
  LOG(INFO) << " [Site Id]: " << Site_id;
  LOG(INFO) << " [Language Id]: " << Language_id;
  LOG(INFO) << " [Software Name]: " << a(Software_name);
  LOG(INFO) << " [Software Version]: " << a(Software_version);
  LOG(INFO) << " [Remote Path]: " << a(Download_url);
  LOG(INFO) << " [MD5 String]: " << a(Md5);
  LOG(INFO) << " [Process Name]: " << a(Process_name);
  LOG(INFO) << " [Install Url]: " << a(Install_url);
  LOG(INFO) << " [Banner Url]: " << a(Banner_url);
  LOG(INFO) << " [Licensefile Url]: " << a(Licensefile_url);
  LOG(INFO) << " [Extra Download Url]: " << a(Extra_download_url);
  LOG(INFO) << " [Cnet Download Url]: " << a(Cnet_download_url);
  LOG(INFO) << " [MD5 Extra String]: " << a(Md5_extra);
}

ProductConfig CConfigure::Snapshot() {
  std::lock_guard<std::mutex> l(RecordMutex);
  return static_cast<const ProductConfig&>(*this);
}

int CConfigure::GetLoadState() {
  std::lock_guard<std::mutex> l(RecordMutex);
  return LoadState;
}

void CConfigure::SetLoadState(int state) {
  std::lock_guard<std::mutex> l(RecordMutex);
  LoadState = state;
}

bool CConfigure::IsForbiddenCountry(const std::wstring& code) const {
  return std::find(ForbidCountries.begin(), ForbidCountries.end(), code) != ForbidCountries.end();
}

bool CConfigure::IsSpecialDownloader() const {
  static const int kIds[] = {67, 68, 69, 128, 135, 157, 169, 226, 263, 285};
  return std::find(std::begin(kIds), std::end(kIds), Downloader_id) != std::end(kIds);
}

bool CConfigure::IsSpecialSite() const {
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
