#include "engine/CDownLoadImpl.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "FuntionImpl/Md5.h"
#include "FuntionImpl/SystemInfo.h"
#include "engine/CDownloadTaskManager.h"
#include "engine/CDownloader.h"
#include "engine/IEngineEvents.h"
#include "log/Log.h"
#include "platform/OwnedHandles.h"
#include "platform/Platform.h"

namespace {

constexpr uint64_t kStallMs = 30000;        // no new bytes for this long ends the download
constexpr int kDriverWaitMs = 180000;        // wait for the driver after a stop
constexpr int kWatchPauseMs = 100;           // between watch passes; the driver's end cuts it short
constexpr int64_t kMinimumPackage = 1048576; // a real package is at least 1 MiB

platform::Os& Os() { return platform::os(); }

}  // namespace

CDownLoadImpl::CDownLoadImpl(IDownloadOwner* owner, int threadCount, http::IHttpClientFactory* clients)
    : owner_(owner),
      threadCount_(threadCount > 0 ? threadCount : defaultThreadCount()),
      clients_(clients ? *clients : http::DefaultClientFactory()) {}

int CDownLoadImpl::defaultThreadCount() {
  int n = static_cast<int>(std::thread::hardware_concurrency()) * 8 / 5;
  return n < 4 ? 4 : n;
}

bool CDownLoadImpl::IsCdnUrl(const std::string& url) {
  return url.find("//cdn.") != std::string::npos || url.find("//dl.") != std::string::npos;
}

bool CDownLoadImpl::IsCdnUrl(const std::wstring& url) {
  return url.find(L"//cdn.") != std::wstring::npos || url.find(L"//dl.") != std::wstring::npos;
}

int CDownLoadImpl::SuperDownloadFile(const std::wstring& url, const std::wstring& localPath, std::string& cdnResult,
                                     bool reportSizeProbe, bool requireMinimumSize) {
  // Only the address is narrowed, for libcurl. Files are opened by their
  // wide paths, so a folder whose name the code page cannot spell works too;
  // nor is a path cut to a fixed buffer, which would name another file.
  const std::string narrowUrl = Os().WideToAnsi(url);
  const std::wstring taskFile = localPath + L".xml";
  const bool isCdn = IsCdnUrl(url);

  // A local file of another size than the remote one is stale.
  if (Os().FileExists(localPath)) {
    CDownloadTaskManager probe(narrowUrl, L"", L"", clients_);
    CURLcode code;
    std::string tag;
    int64_t remote = probe.getContentLength(code, tag);
    if (FuntionImpl::GetFileSize64(localPath) != remote) {
      Os().RemoveFile(localPath);
      if (Os().FileExists(taskFile)) Os().RemoveFile(taskFile);
    }
  }

  auto downloader = std::make_unique<CDownloader>(narrowUrl, localPath, taskFile, threadCount_, clients_);
  auto finish = [&](int code) {
    downloader->stopDownload();
    if (!downloader->waitDriver(kDriverWaitMs)) LOG(INFO) << " driver still running after the stop, waiting on";
    cdnResult = downloader->getCdnResult();
    downloader->resetDownloader();
    return code;
  };

  downloader->setSizeLimit(sizeLimit_);
  int r = downloader->downloadInit(isCdn, reportSizeProbe ? "Download" : "");
  if (r != DOWNLOAD_SUCCESS) return finish(r);

  downloader->startDownload();
  engineEvents().funnelEx("Download", "SliceDownloading", "", "");
  uint64_t lastTick = Os().TickCount();
  int64_t lastBytes = 0;

  for (;;) {
    if (!Os().IsNetworkAlive()) {
      LOG(INFO) << "network is  no  alive";
      return finish(DOWNLOAD_NO_NETWORK);
    }
    DownloadInfo info = downloader->info();
    if (info.downloaded > lastBytes) {
      lastBytes = info.downloaded;
      lastTick = info.tick;
    } else if (info.downloaded == lastBytes && info.tick >= lastTick && info.tick - lastTick >= kStallMs) {
      LOG(INFO) << "too long no speed:" << (info.tick - lastTick);
      return finish(DOWNLOAD_STALLED);
    }
    int32_t slices = downloader->tasksCount();
    if (isCdn && info.requestTimes > 3 * slices) {
      LOG(INFO) << " ---cdn fail:" << info.requestTimes << " > 3 * " << slices;
      return finish(DOWNLOAD_CDN_FAILING);
    }
    if (downloader->state() == DOWNLOAD_STOP) {
      if (!downloader->waitDriver(kDriverWaitMs)) LOG(INFO) << " driver still running after the stop, waiting on";
      cdnResult = downloader->getCdnResult();
      const int64_t total = downloader->contentLength();
      const bool dispatched = downloader->downloading();
      downloader->resetDownloader();  // joins the driver
      DownloadInfo last = downloader->info();
      // The file itself must hold every byte: another program may have cut
      // it after the workers wrote their slices.
      int64_t size = FuntionImpl::GetFileSize64(localPath);
      if (last.downloaded < total || size < total) {
        LOG(INFO) << " Download incomplete: " << last.downloaded << " of " << total << " bytes, file size " << size;
        return DOWNLOAD_INCOMPLETE;
      }
      if (requireMinimumSize && size < kMinimumPackage) return DOWNLOAD_TOO_SMALL;
      if (dispatched) {
        double mb = std::floor(static_cast<double>(last.getAverageSpeed()) / 1048576 * 100) / 100;
        char text[64];
        std::snprintf(text, sizeof text, "%.1fMB/s", mb);
        LOG(INFO) << " Average speed: " << text;
        engineEvents().event("DownloadSpeed", isCdn ? "CDN" : "Server", text);
        return DOWNLOAD_SUCCESS;
      }
      if (owner_) owner_->OnDownloadProgress(total, total);
      return DOWNLOAD_SUCCESS;
    }
    if (owner_) owner_->OnDownloadProgress(info.downloaded, downloader->contentLength());
    downloader->waitDriver(kWatchPauseMs);
  }
}

std::string CDownLoadImpl::fileMd5(const std::wstring& filePath) {
  platform::OwnedFile file(platform::os().OpenFileForRead(filePath));
  return fileMd5(file.get());
}

std::string CDownLoadImpl::fileMd5(platform::FileHandle file) {
  FuntionImpl::Md5 md5;
  if (file) {
    std::vector<char> buf(1 << 16);
    int64_t at = 0;
    while (size_t got = platform::os().ReadFileAt(file, at, buf.data(), buf.size())) {
      md5.Update(buf.data(), got);
      at += static_cast<int64_t>(got);
    }
  }
  return md5.FinalHex();
}

int CDownLoadImpl::checkMD5(const std::wstring& filePath, const std::wstring& expectedA,
                            const std::wstring& expectedB, const std::wstring& record) {
  platform::OwnedFile file(platform::os().OpenFileForRead(filePath));
  return checkMD5(file.get(), filePath, expectedA, expectedB, record);
}

int CDownLoadImpl::checkMD5(platform::FileHandle file, const std::wstring& filePath, const std::wstring& expectedA,
                            const std::wstring& expectedB, const std::wstring& record) {
  std::wstring digest = Os().AnsiToWide(fileMd5(file));
  if (!record.empty()) Os().WriteFile(filePath + L".db", Os().WideToAnsi(record) + "###" + Os().WideToAnsi(digest));
  int result = (digest == expectedA || digest == expectedB) ? 1 : 0;
  LOG(INFO) << " MD5 of file " << Os().WideToAnsi(filePath) << " is " << Os().WideToAnsi(digest) << ", result "
            << result;
  return result;
}
