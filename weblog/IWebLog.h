// The web-log library's interface: one object hides the network side of
// telemetry. The caller hands it a finished GA4 event query or a finished
// funnel record; the object adds the identifiers, picks the endpoint, posts
// once and reduces the answer to an integer (0 = delivered).
#pragma once

// The slot order is part of the binary interface that script installers
// use through the executable's exports: never reorder, only append.
class IWebLog {
 public:
  // 1. Legacy usage report (product, action).
  virtual int UsageReport(const char* product, const char* action) = 0;
  // 2. Tools query: the answer text of the tools service for a product.
  virtual int QueryTools(const char* product, char* out, int outSize) = 0;
  // 3. Downloader-version query by language, software and site.
  virtual int QueryDownloaderVersion(int languageId, int softwareId, int siteId, char* out, int outSize) = 0;
  // 4. Upload of an error log file.
  virtual int UploadErrorLog(const wchar_t* filePath) = 0;
  // 5. Customer feedback ticket.
  virtual int FeedbackTicket(const char* email, const char* content) = 0;
  // 6. Universal Analytics (version 1) event report.
  virtual int ReportUAEvent(const char* category, const char* action, const char* label) = 0;
  // 7. A funnel record (JSON text) to the analytics collector. 0 when the
  //    collector answered 200, status - 200 for another status, else the
  //    libcurl code of the failed transfer.
  virtual int SoftDataReport(const char* funnelRecord) = 0;
  // 8. A GA4 event query. 254 empty query, 253 transfer failed, 0 for
  //    status 204, -1 for any other status.
  virtual int ReportGA4(const char* eventQuery) = 0;
  // 9. Proxy self-test: 0 when a request through the proxy of "proxy.txt" works.
  virtual int ProxySelfTest() = 0;

 protected:
  virtual ~IWebLog() = default;  // destroyed through DestroyExportObj only
  friend void DestroyWebLogObject(IWebLog*);
};

// Deletes an object made by CreateExportObj (DestroyExportObj calls this).
void DestroyWebLogObject(IWebLog* obj);
