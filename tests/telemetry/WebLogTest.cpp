// The web log without a sink: the client error log, empty queries and the
// per-thread answers of the HTTP client.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "platform/Platform.h"
#include "weblog/ClientErrorLog.h"
#include "weblog/CurlHttpClient.h"
#include "weblog/WebLogExports.h"

namespace {

// The executable seems to live in a folder of the test's own.
struct ExeInTemp : platform::ForwardingOs {
  std::wstring dir;
  std::wstring ModuleFileName() override { return platform::JoinPath(dir, L"LumeviaSetup.exe"); }
};

std::string ClosedPortUrl() { return "http://127.0.0.1:9/g/collect"; }  // discard port: nothing listens

}  // namespace

TEST(ClientErrorLog, FailedRequestsAreLoggedOnlyWhenTheFolderExists) {
  auto dir = std::filesystem::temp_directory_path() / "weblog-errlog";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  ExeInTemp fake;
  fake.dir = dir.wstring();
  platform::ScopedOs scoped(fake);

  weblog::CurlHttpClient client(2, 3);
  EXPECT_NE(client.Post(ClosedPortUrl(), "Content-Type:application/json; charset=utf-8", ""), 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "Logs")) << "nothing is written without the folder";

  std::filesystem::create_directories(dir / "Logs");
  int rc = client.Post(ClosedPortUrl(), "Content-Type:application/json; charset=utf-8", "");
  client.Post(ClosedPortUrl(), "Content-Type:application/json; charset=utf-8", "");
  std::string text;
  ASSERT_TRUE(platform::os().ReadFile(weblog::ClientErrorLogPath(), text));
  std::string line = "Failed to perform request [" + std::to_string(rc) + "]\n";
  size_t first = text.find(line);
  ASSERT_NE(first, std::string::npos) << text;
  EXPECT_NE(text.find(line, first + 1), std::string::npos) << "one line per request";
  EXPECT_EQ(text[0], '[');
  EXPECT_EQ(client.GetResponseCode(), 0) << "a failed request leaves no status";
  std::filesystem::remove_all(dir);
}

TEST(WebLogObject, EmptyQuerySendsNothingAndNullIsIgnored) {
  IWebLog* w = CreateExportObj();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->ReportGA4(""), 254);
  EXPECT_EQ(w->ReportGA4(nullptr), 254);
  DestroyExportObj(w);
  DestroyExportObj(nullptr);
}
