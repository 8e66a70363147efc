// The product configuration record and its sources: the hidden labels of the
// skin's "Product_config" layout, refreshed later from the download
// information service.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace SkinUI {
class CPaintManagerUI;
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
};

// A label source: the text of the control with the given name, when present.
class ILabelSource {
 public:
  virtual ~ILabelSource() = default;
  virtual bool LabelText(const std::wstring& name, std::wstring& text) const = 0;
};

class CConfigure : public ProductConfig {
 public:
  CConfigure() = default;
  CConfigure(const CConfigure&) = delete;
  CConfigure& operator=(const CConfigure&) = delete;

  // Quick label pass; leaves LoadState and LoadSource alone.
  void LoadFromLabels(SkinUI::CPaintManagerUI& pm);
  void LoadFromLabels(const ILabelSource& labels);
  // Full label pass: the fallback when the service gave nothing usable.
  int LoadAllFromLabels(SkinUI::CPaintManagerUI& pm);
  int LoadAllFromLabels(const ILabelSource& labels);
  // Appends the package addresses that are neither on "//cdn." nor "//dl." hosts.
  void AddMirrorUrls();
  void printContent();

  bool IsForbiddenCountry(const std::wstring& code) const;
  bool IsSpecialDownloader() const;
  bool IsSpecialSite() const;

  void SetLinkMapEntry(const std::string& lang, const std::wstring& privacy, const std::wstring& license);
  std::wstring GetLinkPrivacy(const std::string& lang);
  std::wstring GetLinkLicense(const std::string& lang);
  void SetBannerEntry(int key, const BannerEntry& entry);
  bool GetBannerEntry(int key, BannerEntry& entry);

  std::string GetLastQueryUrl();
  void SetLastQueryUrl(const std::string& url);
  // The Downloader element of the last service answer, if any.
  std::unique_ptr<std::string> DownloaderXml;

 private:
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
