#include "Common/SideFetches.h"

#include <json/json.h>

#include <chrono>
#include <exception>
#include <functional>
#include <thread>
#include <vector>

#include "CConfigure/CConfigure.h"
#include "Common/InstallUIMainWnd.h"
#include "FuntionImpl/GuardedRun.h"
#include "FuntionImpl/RunOptions.h"
#include "FuntionImpl/SafeName.h"
#include "FuntionImpl/SignedUrls.h"
#include "engine/CDownLoadImpl.h"
#include "log/Events.h"
#include "log/Log.h"
#include "platform/Platform.h"
#include "platform/Utf.h"
#include "services/ServiceHosts.h"
#include "telemetry/Ga4Query.h"
#include "toolkit/Backend.h"

void WindowLink::Post(unsigned msg) {
  std::lock_guard<std::mutex> l(lock_);
  if (hwnd_) SkinUI::backend::PostToWindow(hwnd_, msg, 0, 0);
}

bool WindowLink::RegisterImage(const std::wstring& path) {
  SkinUI::Size size;
  return SkinUI::backend::ImageSize(path, size);
}

void WindowLink::Detach() {
  std::lock_guard<std::mutex> l(lock_);
  hwnd_ = 0;
}

namespace FuntionImpl {
std::string GetBannerPicUrl(int parentPid, EnumLanguage language) {
  return BannerPicUrlFor(parentPid, LanguageCode(language));
}
}  // namespace FuntionImpl

namespace SideFetches {

namespace {
// No service answer of ours comes near this; a bigger one is refused unread.
constexpr size_t kMaxAnswer = 1 << 20;
constexpr int64_t kMaxBannerBytes = 16 << 20;  // a picture for a 600-pixel window
constexpr size_t kKitUrlLimit = 511;

std::wstring FromAnsi(const std::string& s) { return platform::os().AnsiToWide(s); }
std::wstring FromUtf8(const std::string& s) { return platform::WideFromUtf8(s); }

bool ParseJson(const std::string& text, Json::Value& root, std::string& error) {
  if (text.size() > kMaxAnswer) {
    error = "answer of " + std::to_string(text.size()) + " bytes";
    return false;
  }
  Json::CharReaderBuilder builder;
  builder["stackLimit"] = 64;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  try {
    return reader->parse(text.data(), text.data() + text.size(), &root, &error) && error.empty();
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

// A member that must be a text when present; absent counts as empty.
bool Text(const Json::Value& obj, const char* key, std::string& out) {
  const Json::Value& v = obj[key];
  out = v.isString() ? v.asString() : std::string();
  return v.isNull() || v.isString();
}

// A member that must be a 32-bit integer when present; absent counts as 0.
bool Int(const Json::Value& obj, const char* key, int& out) {
  const Json::Value& v = obj[key];
  out = v.isInt() ? v.asInt() : 0;
  return v.isNull() || v.isInt();
}

// An answer that names "code" is an error unless its code is 200.
bool IsErrorAnswer(const std::string& text, const Json::Value& root) {
  if (text.find("\"code\"") == std::string::npos) return false;
  if (!root.isObject()) return true;
  const Json::Value& code = root["code"];
  // isIntegral holds for numbers past int64 too, which asInt64 throws on.
  return !(code.isInt64() && code.asInt64() == 200);
}

// Up to 3 GETs until one gives a non-empty answer, then the parse and the
// code rule. tag is "tcp" (privacy) or "Ban" (banners).
bool FetchSigned(const SideFetchContext& c, const std::string& url, const char* tag, Json::Value& root) {
  if (url.empty()) return false;
  std::unique_ptr<http::IHttpClient> client = c.clients->create();
  std::string answer;
  bool got = false;
  for (int attempt = 0; attempt < 3 && !got; ++attempt) {
    answer.clear();
    CURLcode code = client->httpGet(url, answer, false);
    LOG(INFO) << " Get Cbs " << tag << "1: " << attempt << ", " << code << ", " << url.size() << ", " << answer.size();
    got = code == CURLE_OK && !answer.empty();
    if (!got) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (!got) return false;
  std::string error;
  bool parsed = ParseJson(answer, root, error);
  LOG(INFO) << " Get Cbs " << tag << "2: " << (parsed ? 1 : 0) << ", " << error.size();
  if (!parsed) return false;
  if (IsErrorAnswer(answer, root)) {
    LOG(INFO) << " Get Cbs " << tag << " fail: " << answer;
    return false;
  }
  return true;
}

// Every element an object whose members have the types the walk reads;
// anything else fails the whole answer, so a half-garbled one stores nothing.
template <class ElementCheck>
bool EveryElement(const Json::Value& list, ElementCheck check) {
  if (!list.isArray()) return false;
  for (const Json::Value& e : list)
    if (!e.isObject() || !check(e)) return false;
  return true;
}

bool PrivacyShapeOk(const Json::Value& root) {
  std::string s;
  return EveryElement(root, [&](const Json::Value& e) {
    const Json::Value& urls = e["urls"];
    return Text(e, "lang_code", s) && (urls.isNull() || EveryElement(urls, [&](const Json::Value& u) {
                                         return Text(u, "field", s) && Text(u, "url", s);
                                       }));
  });
}

bool BannerShapeOk(const Json::Value& root) {
  std::string s;
  int n = 0;
  return EveryElement(root, [&](const Json::Value& e) {
    return Text(e, "banner_url", s) && Text(e, "jump_url", s) && Text(e, "prompt", s) && Int(e, "sort", n);
  });
}

bool SubProgramShapeOk(const Json::Value& e) {
  std::string s;
  int n = 0;
  for (const char* key : {"download", "file_size", "file_md5", "launch_name", "install_dir", "country_limit", "version"})
    if (!Text(e, key, s)) return false;
  return Int(e, "pid", n) && Int(e, "parent_pid", n);
}

// "…/a.png?x" -> ".png?x"; no "." -> "".
std::wstring ExtensionOf(const std::wstring& name) {
  size_t dot = name.rfind(L'.');
  return dot == std::wstring::npos ? std::wstring() : name.substr(dot);
}

// Why an element of the kit answer is left out; empty when it is kept.
std::string CountryLimitSkip(const SideFetchContext& c, const std::wstring& limit) {
  if (limit.empty() || FuntionImpl::IsSkipLimit()) return {};
  IsNotSupport(c, true);
  const std::wstring country = c.state->CountryCode();
  if (!country.empty() && limit.find(country) != std::wstring::npos) return "country";
  const std::wstring region = c.config->GetSystemRegion();
  if (!region.empty() && limit.find(region) != std::wstring::npos) return "region";
  return {};
}

void AddSubProgram(const SideFetchContext& c, size_t k, const Json::Value& e) {
  std::string download, size, md5, launch, dir, limit, version;
  int pid = 0, parentPid = 0;
  Text(e, "download", download);
  Text(e, "file_size", size);
  Text(e, "file_md5", md5);
  Text(e, "launch_name", launch);
  Text(e, "install_dir", dir);
  Text(e, "country_limit", limit);
  Text(e, "version", version);
  Int(e, "pid", pid);
  Int(e, "parent_pid", parentPid);

  std::string skip = CountryLimitSkip(c, FromUtf8(limit));
  const std::wstring url = FromAnsi(download);
  size_t slash = url.rfind(L'/');
  const std::wstring fileName = slash == std::wstring::npos ? url : url.substr(slash + 1);
  const std::wstring wVersion = FromUtf8(version), wDir = FromUtf8(dir), wLaunch = FromUtf8(launch);
  size_t dot = fileName.rfind(L'.');
  const std::wstring stem = dot == std::wstring::npos ? fileName : fileName.substr(0, dot);
  const std::wstring newName = stem + L"_" + wVersion + ExtensionOf(fileName);
  if (skip.empty()) {
    // The folder and the launch name end up in the installer's quoted /DIR=
    // and in the program start: names, never paths.
    for (const std::wstring* part : {&fileName, &newName, &wDir, &wLaunch})
      if (!FuntionImpl::IsSafeName(*part)) skip = "unsafe name " + platform::Utf8FromWide(*part);
  }
  if (!skip.empty()) {
    LOG(INFO) << " GetSubProgramInfo skip " << k << ", " << skip;
    return;
  }
  SubProgramRecord r;
  r.id = pid;
  r.parentId = parentPid;
  r.downloadUrl = url;
  r.fileSize = FromUtf8(size);
  r.md5 = FromUtf8(md5);
  r.launchName = wLaunch;
  r.folderName = wDir;
  r.localPath = platform::JoinPath(c.installFolder, newName);
  c.state->subPrograms.Append(r);
  LOG(INFO) << " GetSubProgramInfo add " << k << ", " << platform::Utf8FromWide(newName);
}
}  // namespace

std::wstring ClickIdOf(const std::wstring& fileName, bool& separated) {
  size_t us = fileName.rfind(L'_');
  separated = us != std::wstring::npos;
  if (!separated) return {};
  size_t dot = fileName.rfind(L'.');
  std::wstring tag = fileName.substr(us + 1, dot != std::wstring::npos && dot > us ? dot - us - 1 : std::wstring::npos);
  return tag.size() > 20 && tag[0] == L'2' ? tag.substr(20) : std::wstring();
}

void GetCbsPrivacy(const SideFetchContext& c) {
  Json::Value root;
  if (!FetchSigned(c, FuntionImpl::GetPrivacyUrl(c.config->Snapshot()->MainPid), "tcp", root)) return;
  if (!PrivacyShapeOk(root)) {
    LOG(INFO) << " Get Cbs tcp fail: unexpected shape";
    return;
  }
  for (const Json::Value& e : root) {
    std::string lang, field, url;
    Text(e, "lang_code", lang);
    std::wstring privacy, terms;
    const Json::Value& urls = e["urls"];
    for (Json::ArrayIndex j = 0; urls.isArray() && j < urls.size(); ++j) {
      Text(urls[j], "field", field);
      Text(urls[j], "url", url);
      LOG(INFO) << " Get Cbs tcp3: " << j << ", " << field << ", " << url.size();
      if (field == "tc") {
        if (url.empty()) events().event("Other", "FlowError", "DL005");
        else terms = FromAnsi(url);
      } else if (field == "p") {
        if (url.empty()) events().event("Other", "FlowError", "DL004");
        else privacy = FromAnsi(url);
      }
    }
    c.config->SetLinkMapEntry(lang, privacy, terms);
  }
}

void GetCbsBanner(const SideFetchContext& c) {
  Json::Value root;
  if (!FetchSigned(c, FuntionImpl::GetBannerPicUrl(c.config->Snapshot()->MainPid, c.language), "Ban", root)) return;
  if (!BannerShapeOk(root)) {
    LOG(INFO) << " Get Cbs Ban fail: unexpected shape";
    return;
  }
  const Json::ArrayIndex n = root.size();
  Json::ArrayIndex loaded = 0;
  platform::os().CreateDirectories(c.downloadFolder);
  for (Json::ArrayIndex i = 0; i < n; ++i) {
    const Json::Value& e = root[i];
    std::string pictureUrl, jumpUrl, prompt;
    int sort = 0;
    Text(e, "banner_url", pictureUrl);
    Text(e, "jump_url", jumpUrl);
    Text(e, "prompt", prompt);
    Int(e, "sort", sort);
    LOG(INFO) << " Get Cbs Ban3: " << pictureUrl.size() << ", " << i << "/" << n;
    if (pictureUrl.empty()) continue;
    const std::wstring wideUrl = FromAnsi(pictureUrl);
    const std::wstring name = std::to_wstring(sort) + ExtensionOf(wideUrl);
    if (!FuntionImpl::IsSafeName(name)) {
      LOG(INFO) << " Get Cbs Ban skip " << i << ", unsafe name " << platform::Utf8FromWide(name);
      continue;
    }
    const std::wstring local = platform::JoinPath(c.downloadFolder, name);
    for (int attempt = 0; attempt < 3; ++attempt) {
      LOG(INFO) << " Get Cbs Ban4: " << i << "/" << n << ", " << attempt << "/3";
      CDownLoadImpl download(nullptr, 0, c.clients.get());
      download.setSizeLimit(kMaxBannerBytes);
      std::string cdnResult;
      int r = download.SuperDownloadFile(wideUrl, local, cdnResult, false, false);
      LOG(INFO) << " Get Cbs Ban5: " << r;
      if (r != 1) continue;
      if (c.window->RegisterImage(local)) {
        ++loaded;
        LOG(INFO) << " Get Cbs Ban " << loaded << " Success";
        BannerEntry entry{wideUrl, FromAnsi(jumpUrl), FromUtf8(prompt), local, sort};
        c.config->SetBannerEntry(sort, entry);
      } else {
        LOG(INFO) << " Get Cbs Ban " << loaded << " Fail";
      }
      break;
    }
  }
  if (n != 0 && loaded == n) c.window->Post(WM_BANNER_READY);
}

void GetSubProgramInfo(const SideFetchContext& c) {
  // The install worker waits for the list, however this ends.
  struct ReadyAtEnd {
    SubProgramList& list;
    ~ReadyAtEnd() { list.SetReady(); }
  } ready{c.state->subPrograms};
  if (!c.toolkit) {
    LOG(INFO) << " GetSubProgramInfo is not toolkit";
    return;
  }
  LOG(INFO) << " GetSubProgramInfo start";
  bool separated = false;
  const std::wstring clickId = ClickIdOf(platform::FileNameOf(platform::os().ModuleFileName()), separated);
  if (!separated) {
    LOG(INFO) << " GetSubProgramInfo get separate fail";
    return;
  }
  if (clickId.empty()) {
    LOG(INFO) << " Symbol is empty";
    LOG(INFO) << " GetSubProgramInfo end";
    return;
  }
  LOG(INFO) << " GetSubProgramInfo get rnclid success";
  const services::Service host =
      c.config->Snapshot()->IsSpecialSite() ? services::Service::KitDownloads : services::Service::KitDownloadsBrand2;
  const std::string url = services::ServiceOrigin(host) + "/kitDownloads?t=" +
                          telemetry::PercentEncodeValue(platform::os().WideToAnsi(clickId)) +
                          (platform::os().Is64BitSystem() ? "&package_type=2" : "&package_type=1");
  if (url.size() > kKitUrlLimit) {
    LOG(INFO) << " GetSubProgramInfo url too long: " << url.size();
    return;
  }
  if (FuntionImpl::IsFullLog()) LOG(INFO) << " GetSubProgramInfo the get url is:" << url;
  LOG(INFO) << " GetSubProgramInfo get from url";
  std::string answer;
  CURLcode code = c.clients->create()->httpGet(url, answer, true);
  LOG(INFO) << " GetSubProgramInfo finish ret:" << code << ", reslength" << answer.size();
  if (code != CURLE_OK || answer.empty()) return;

  Json::Value root;
  std::string error;
  bool parsed = ParseJson(answer, root, error);
  LOG(INFO) << " GetSubProgramInfo parse: " << (parsed ? 1 : 0) << ", " << error;
  if (!parsed) return;
  int status = 0;
  std::string msg;
  if (!root.isObject() || !Int(root, "status", status) || !Text(root, "msg", msg) ||
      !EveryElement(root["data"], SubProgramShapeOk)) {
    LOG(INFO) << " GetSubProgramInfo unexpected shape";
    return;
  }
  const Json::Value& data = root["data"];
  LOG(INFO) << " GetSubProgramInfo ret code: " << status << ", cnt:" << data.size();
  for (Json::ArrayIndex k = 0; k < data.size(); ++k) AddSubProgram(c, k, data[k]);
  LOG(INFO) << " GetSubProgramInfo end";
}

void AsyncGetCbsInfo(const SideFetchContext& c) {
  c.config->getDownloadInfoXml(false);
  if (c.state->workerStarted) {
    LOG(INFO) << " GetDownloaderInfo(Async) abandon";
    return;
  }
  c.config->ParseDownloaderXml();
}

bool IsNotSupport(const SideFetchContext& c, bool force) {
  if (FuntionImpl::IsSkipLimit()) return false;
  // One record for the whole check, whatever the refresh publishes meanwhile.
  const std::shared_ptr<const ProductConfig> cfg = c.config ? c.config->Snapshot() : nullptr;
  if (!force && (!cfg || cfg->ForbidCountries.empty())) return false;
  if (c.state->CountryCode().empty()) {
    std::string answer;
    CURLcode code =
        c.clients->create()->httpGet(services::ServiceOrigin(services::Service::IpCountry) + "/json", answer, false);
    LOG(INFO) << "Get IP address ret: " << code << "  content: "
              << (answer.size() > 4096 ? answer.substr(0, 4096) + "..." : answer);
    // A failed lookup leaves the region to decide: an unreachable service
    // must not open a forbidden region.
    Json::Value root;
    std::string error, country;
    if (code != CURLE_OK || answer.empty()) {
    } else if (!ParseJson(answer, root, error) || !root.isObject() || !Text(root, "countryCode", country)) {
      LOG(INFO) << "IP address parse fail";
    } else {
      LOG(INFO) << "IP address parse success";
      c.state->SetCountryCode(FromUtf8(country));
      LOG(INFO) << "current country code : " << country;
    }
  }
  const std::wstring country = c.state->CountryCode();
  const bool ipLimited = !country.empty() && cfg && cfg->IsForbiddenCountry(country);
  const std::wstring region = cfg ? CConfigure::GetSystemRegion() : std::wstring();
  const bool regionLimited = !region.empty() && cfg->IsForbiddenCountry(region);
  LOG(INFO) << " Limit result is : " << ipLimited << ", " << regionLimited;
  return ipLimited || regionLimited;
}

unsigned RunJob(void* p, void (*job)(const SideFetchContext&)) {
  std::unique_ptr<std::shared_ptr<SideFetchContext>> context(static_cast<std::shared_ptr<SideFetchContext>*>(p));
  if (context && *context) job(**context);
  return 0;
}

void StartDetached(unsigned (*entry)(void*), const std::shared_ptr<SideFetchContext>& context) {
  auto* held = new std::shared_ptr<SideFetchContext>(context);
  if (!FuntionImpl::StartCounted("Side fetch", [entry, held] { entry(held); })) delete held;
}

}  // namespace SideFetches
