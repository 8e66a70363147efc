// The download engine's entry point for the installer flow: downloads one
// URL to one file under supervision (network, stalls, failing CDN slices)
// and checks the MD5 digest of the result.
#pragma once
#include <string>

#include "engine/EngineCodes.h"
#include "engine/IDownloadOwner.h"
#include "http/IHttpClient.h"
#include "platform/Platform.h"

class CDownLoadImpl {
 public:
  // owner receives progress; null for none. threadCount 0 takes the default.
  // clients makes the HTTP clients (null: libcurl's); it outlives the object.
  explicit CDownLoadImpl(IDownloadOwner* owner = nullptr, int threadCount = 0,
                         http::IHttpClientFactory* clients = nullptr);

  // The largest size a server may announce for the file (the configuration's
  // when it names one); not positive: kMaxDownloadBytes. Larger gives
  // DOWNLOAD_TOO_LARGE before the file is made.
  void setSizeLimit(int64_t bytes) { sizeLimit_ = bytes; }

  // Blocks until the download ended; returns an EnumErrorCode number.
  int SuperDownloadFile(const std::wstring& url, const std::wstring& localPath, std::string& cdnResult,
                        bool reportSizeProbe, bool requireMinimumSize);

  // 1 when the file's MD5 equals expectedA or expectedB exactly, else 0. A
  // non-empty record is written with the digest to filePath + ".db".
  static int checkMD5(const std::wstring& filePath, const std::wstring& expectedA, const std::wstring& expectedB,
                      const std::wstring& record);
  // The same through a file already open (the verification holds the
  // package from its checks until it has started); filePath names it.
  static int checkMD5(platform::FileHandle file, const std::wstring& filePath, const std::wstring& expectedA,
                      const std::wstring& expectedB, const std::wstring& record);
  // MD5 of a file, 32 lower-case hexadecimal digits (of no data when unreadable).
  static std::string fileMd5(const std::wstring& filePath);
  static std::string fileMd5(platform::FileHandle file);

  // The larger of 4 and processors x 8 / 5.
  static int defaultThreadCount();
  static bool IsCdnUrl(const std::string& url);
  static bool IsCdnUrl(const std::wstring& url);

 private:
  IDownloadOwner* owner_;
  int threadCount_;
  int64_t sizeLimit_ = 0;
  http::IHttpClientFactory& clients_;
};
