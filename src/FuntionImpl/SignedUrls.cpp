#include "FuntionImpl/SignedUrls.h"

#include "FuntionImpl/Md5.h"
#include "FuntionImpl/RunOptions.h"
#include "log/Log.h"
#include "platform/Platform.h"
#include "services/ServiceHosts.h"

namespace FuntionImpl {

namespace {
const char kSalt[] = "Vb93kPqT5mZx0Lc7";

int64_t NowSeconds() { return platform::os().UnixTimeMs() / 1000; }

// Origin of the data service in force (test host under TestEnv).
std::string DataOrigin() {
  return services::ServiceOrigin(IsTestEnv() ? services::Service::DataServiceTest : services::Service::DataService);
}

// origin + path + "?" + query + "&verify=" + signature, whole or not at all.
std::string Assemble(const char* path, const std::string& query, const std::string& verify) {
  std::string url = DataOrigin() + path + "?" + query + "&verify=" + verify;
  if (url.size() > kSignedUrlLimit) {
    LOG(INFO) << " Signed url too long: " << url.size() << ", " << path;
    return {};
  }
  return url;
}
}  // namespace

std::string SignQuery(const std::string& signingText) { return Md5Hex(signingText + kSalt); }

std::string GetPrivacyUrl(int parentPid) {
  const std::string query = "parent_pid=" + std::to_string(parentPid) + "&timestamp=" + std::to_string(NowSeconds());
  const std::string verify = SignQuery(query);
  LOG(INFO) << " TCP: " << query << "&verify=" << verify;
  return Assemble("/api/v1/user_privacy_info", query, verify);
}

std::string BannerPicUrlFor(int parentPid, const std::string& langCode) {
  const std::string query = "lang_code=" + langCode + "&parent_pid=" + std::to_string(parentPid) +
                            "&timestamp=" + std::to_string(NowSeconds()) + "&type=1";
  const std::string verify = SignQuery(query);
  LOG(INFO) << " BAN: " << query << "&verify=" << verify;
  return Assemble("/api/v1/banners", query, verify);
}

}  // namespace FuntionImpl
