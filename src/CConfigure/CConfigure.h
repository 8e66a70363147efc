// The product configuration record and its sources: the hidden labels of the
// skin's "Product_config" layout, refreshed later from the download
// information service.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace SkinUI {
class CPaintManagerUI;
}
namespace http {
class IHttpClientFactory;
}

struct BannerEntry {
  std::wstring pictureUrl;
  std::wstring jumpUrl;
  std::wstring promptText;
  std::wstring localFile;
  int sort = 0;
};

struct ProductConfig {
  int LoadState = 1;   // 1 = not loaded or the last parse failed; 2 = loaded
  int LoadSource = 0;  // 0 = nothing, 1 = service XML, 2 = full label pass
  int64_t Filesize = 0;
  int Downloader_id = 0;
  int Software_id = 0;
  int Site_id = 0;
  int Language_id = 0;
  int Gif_duration = 0;
  int NeedStart_flag = 0;
  int admin_flag = 0;
  int MainPid = 0;
  int IsToolkit = 0;
  int StartSubProgram = 0;
  uint32_t theme_color = 0;
  std::wstring Software_name;
  std::wstring Software_version;
  std::wstring Process_name;
  std::wstring Install_url;
  std::wstring Extra_download_url;
  std::wstring Banner_url;
  std::wstring Licensefile_url;
  std::wstring Md5;
  std::wstring Download_url;
  std::wstring Cnet_download_url;
  std::wstring Md5_extra;
  std::vector<std::wstring> Language_str;
  std::vector<std::wstring> ForbidCountries;
  std::vector<std::wstring> MirrorUrls;
  int Downloader_type = 3;
  std::wstring PrivacyUrl;
  std::wstring LicenseUrl;
  // The publishers whose signatures are accepted, distinguished names
  // separated by ";" (FuntionImpl::ParsePublishers). Only the packed
  // configuration names them: the service's answer never does.
  std::wstring Trusted_publisher;

  bool IsForbiddenCountry(const std::wstring& code) const;
  bool IsSpecialDownloader() const;
  bool IsSpecialSite() const;
  // Appends the package addresses that are neither on "//cdn." nor "//dl." hosts.
  void AddMirrorUrls();
};

// A label source: the text of the control with the given name, when present.
class ILabelSource {
 public:
  virtual ~ILabelSource() = default;
  virtual bool LabelText(const std::wstring& name, std::wstring& text) const = 0;
};

// The labels of a loaded layout; read on the window's thread only.
class PaintManagerLabels final : public ILabelSource {
 public:
  explicit PaintManagerLabels(SkinUI::CPaintManagerUI& pm) : pm_(pm) {}
  bool LabelText(const std::wstring& name, std::wstring& text) const override;

 private:
  SkinUI::CPaintManagerUI& pm_;
};

// Calls around the install worker's synchronous request (the window runs its
// progress timer in between); either may be empty.
struct RefreshHooks {
  std::function<void()> beforeRequest;
  std::function<void()> afterRequest;
};

// The record is published whole and never changed afterwards: a writer (the
// background refresh, the install worker, the window's first label pass)
// copies the current record, changes the copy and publishes it. A reader keeps
// the record it took for one step (a window handler, a side-fetch, a worker
// run), so that the step sees one consistent record, whatever is published
// meanwhile.
class CConfigure {
 public:
  CConfigure();
  CConfigure(const CConfigure&) = delete;
  CConfigure& operator=(const CConfigure&) = delete;

  // The record as last published.
  std::shared_ptr<const ProductConfig> Snapshot() const;
  // Copies the record, lets edit change the copy and publishes it. Writers
  // take turns, so that none loses another's change; edit must not call the
  // writers of this object.
  void Update(const std::function<void(ProductConfig&)>& edit);

  // Quick label pass; leaves LoadState and LoadSource alone.
  void LoadFromLabels(const ILabelSource& labels);
  // Full label pass onto a record: the fallback when the service gave
  // nothing usable. Always 1.
  static int LoadAllFromLabels(ProductConfig& record, const ILabelSource& labels);
  // Writes a record to the log, one line per field (the install step's print).
  static void printContent(const ProductConfig& record);

  // Asks the download information service (sync: the install worker; else
  // the background refresh) and keeps the answer's Downloader element.
  // 1 when one was found and kept; LoadState is left alone.
  int getDownloadInfoXml(bool sync);
  // Applies the kept element to the record; 1 on success (LoadState 2,
  // LoadSource 1), else 0 with LoadState 1 and the record otherwise untouched.
  int ParseDownloaderXml();
  // The install worker's step: when not loaded, ask, parse and fall back to
  // the full label pass; print when loaded. Returns LoadState afterwards.
  int RefreshForInstall(const ILabelSource& labels, const RefreshHooks& hooks = {});
  // 10 the maker's own hosts, 11 any other, 12 the Alibaba-cloud CDN, 13 the AWS CDN.
  static int GetDownloadHostKind(const std::wstring& address);
  // The user's region, two letters ("AT"); empty when unknown.
  static std::wstring GetSystemRegion();

  int GetLoadState() const;
  void SetLoadState(int state);
  // Where the service request gets its client (libcurl's by default).
  void SetClientFactory(http::IHttpClientFactory& factory);

  void SetLinkMapEntry(const std::string& lang, const std::wstring& privacy, const std::wstring& license);
  std::wstring GetLinkPrivacy(const std::string& lang);
  std::wstring GetLinkLicense(const std::string& lang);
  void SetBannerEntry(int key, const BannerEntry& entry);
  bool GetBannerEntry(int key, BannerEntry& entry);

  std::string GetLastQueryUrl();
  void SetLastQueryUrl(const std::string& url);

 private:
  // The ...Locked steps expect WriteMutex held.
  void updateLocked(const std::function<void(ProductConfig&)>& edit);
  int parseLocked(ProductConfig& record);
  // The full label pass onto a record.

  // Writers take turns under WriteMutex; it also guards DownloaderXml and
  // clientFactory_. The published pointer has its own short lock, so that a
  // reader never waits for a parse.
  std::mutex WriteMutex;
  mutable std::mutex PublishMutex;
  std::shared_ptr<const ProductConfig> current_;
  // The Downloader element of the last service answer, if any.
  std::unique_ptr<std::string> DownloaderXml;
  http::IHttpClientFactory* clientFactory_;
  std::mutex ConfigMutex;
  std::map<int, BannerEntry> BannerMap;
  std::map<std::string, std::pair<std::wstring, std::wstring>> LinkMap;
  std::string LastQueryUrl;
};

namespace ConfigLabels {
// Label text rules, shared with the service parser.
int ParseInt(const std::wstring& text);
int64_t ParseInt64(const std::wstring& text);
uint32_t ParseColor(const std::wstring& text);
std::vector<std::wstring> SplitList(const std::wstring& text, wchar_t delimiter);
bool IsCdnUrl(const std::wstring& url);
}  // namespace ConfigLabels
