// Drives the real queue and web log against a local sink for the
// integration tests (tests/telemetry/test_telemetry_sink.py).
//
//   telemetry_probe events [--site N] [--toolkit 0|1] [--galog DIR] [--date Y-M-D]
//                          [--timeouts CONNECT TOTAL] [--exit-wait MS] [--count N]
//   telemetry_probe ga4 QUERY | funnel TEXT     one direct call, prints its answer
//   telemetry_probe ids                          the identifiers of this machine
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Utf.h"
#include "telemetry/CSingleUserLog.h"
#include "weblog/Identifiers.h"
#include "weblog/WebLog.h"
#include "weblog/WebLogExports.h"

namespace {

struct Args {
  std::string command, text;
  int site = 84, count = 1;
  bool toolkit = false;
  std::string galog, date;
  long connectS = 0, totalS = 0;
  unsigned exitWaitMs = 600000;
};

Args Parse(int argc, char** argv) {
  Args a;
  a.command = argc > 1 ? argv[1] : "";
  for (int i = 2; i < argc; ++i) {
    std::string k = argv[i];
    auto next = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
    if (k == "--site") a.site = std::atoi(next().c_str());
    else if (k == "--toolkit") a.toolkit = next() == "1";
    else if (k == "--galog") a.galog = next();
    else if (k == "--date") a.date = next();
    else if (k == "--count") a.count = std::atoi(next().c_str());
    else if (k == "--exit-wait") a.exitWaitMs = static_cast<unsigned>(std::atol(next().c_str()));
    else if (k == "--timeouts") {
      a.connectS = std::atol(next().c_str());
      a.totalS = std::atol(next().c_str());
    } else a.text = k;
  }
  return a;
}

std::shared_ptr<IWebLog> MakeWebLog(const Args& a) {
  if (a.connectS > 0) {
    IWebLog* w = new weblog::WebLog(weblog::CreateSystemMachineInfo(), a.connectS, a.totalS);
    return std::shared_ptr<IWebLog>(w, DestroyWebLogObject);
  }
  // The exported factory, as the installer itself uses it.
  return std::shared_ptr<IWebLog>(CreateExportObj(), DestroyExportObj);
}

struct Window : telemetry::IMainWindowFacts {
  std::string ProductVersion() const override { return "3.2.1"; }
  std::string LanguageCode() const override { return "en"; }
};

int Events(const Args& a) {
  CSingleUserLog::Options o;
  o.makeWebLog = [&] { return MakeWebLog(a); };
  o.exitWaitMs = a.exitWaitMs;
  o.baseFacts = [] {
    telemetry::BaseFacts b;
    b.toolsVersion = "1.0.0.0";
    b.fileTag = "1234";
    b.osText = "Windows 10 64bit";
    telemetry::SplitUiLocale("English_United States", b.uiLanguage, b.uiCountry);
    return b;
  };
  if (!a.date.empty()) {
    telemetry::LocalDate d;
    std::sscanf(a.date.c_str(), "%d-%d-%d", &d.year, &d.month, &d.day);
    o.today = [d] { return d; };
  }
  auto start = std::chrono::steady_clock::now();
  int results[7];
  {
    CSingleUserLog log(o);
    static Window wnd;
    log.SetUserInfo(7, a.site, 0, "Lumevia", "https://dl.example.com/lumevia_setup.exe", a.toolkit,
                    platform::WideFromUtf8(a.galog), 42, &wnd);
    std::printf("is_new=%d\n", log.UserFactsNow().isNew);
    for (int i = 0; i < a.count; ++i) {
      results[0] = log.AddUserLog("DownloadTime", "CDN", "[21~30s]");
      results[1] = log.AddUserLog("Download", "1.Launch", "");
    }
    results[2] = log.AddUserLog("Other", "FlowError", "DL010");
    results[3] = log.AddUserLog("Other", "FlowError", "DL011");
    results[4] = log.AddUserLog("CrashRate", "Close", "");
    results[5] = log.AddUserLog_funnelEx("Download", "DownloadConfigReady", "DownloadConfigReadyCDN", "Download_url",
                                         false, false);
    results[6] = log.AddUserLog_funnel("CoreFuncEvent", "Downloading", 1, "Download", "Downloading_3", "null", false,
                                       true);
    log.WaitThreadForExit();
    std::printf("pending=%zu,%zu\n", log.PendingGa4(), log.PendingFunnel());
  }
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  std::printf("results=");
  for (int r : results) std::printf("%d,", r);
  std::printf("\nexit_ms=%lld\n", static_cast<long long>(ms));
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Args a = Parse(argc, argv);
  if (a.command == "events") return Events(a);
  if (a.command == "ga4" || a.command == "funnel") {
    std::shared_ptr<IWebLog> w = MakeWebLog(a);
    int rc = a.command == "ga4" ? w->ReportGA4(a.text.c_str()) : w->SoftDataReport(a.text.c_str());
    std::printf("rc=%d\n", rc);
    return 0;
  }
  if (a.command == "ids") {
    auto m = weblog::CreateSystemMachineInfo();
    std::printf("cid=%s\nuid=%s\nmac=%s\nsession=%s\nos=%s\n", weblog::ClientId(*m).c_str(),
                weblog::MachineId(*m).c_str(), weblog::MacText(*m).c_str(), weblog::MakeSessionId(*m).c_str(),
                weblog::OsVersionText().c_str());
    return 0;
  }
  std::fprintf(stderr, "usage: telemetry_probe events|ga4|funnel|ids ...\n");
  return 2;
}
