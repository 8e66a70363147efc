#include "WorkerFixture.h"

#include "FuntionImpl/Md5.h"
#include "flow/ExceptionReport.h"
#include "platform/Utf.h"

namespace flowtest {

const char kPackageUrl[] = "http://pkg.test/files/Lumevia_setup.exe";
const wchar_t kPackageUrlW[] = L"http://pkg.test/files/Lumevia_setup.exe";

bool MapLabels::LabelText(const std::wstring& name, std::wstring& text) const {
  auto it = labels.find(name);
  if (it == labels.end()) return false;
  text = it->second;
  return true;
}

WorkerRun::WorkerRun()
    : os(dir.path()),
      scoped(os),
      package(SignedLookingPackage(kMiB + 4096, 3)),
      clients(std::make_shared<http::FakeHttpClientFactory>()),
      config(std::make_shared<CConfigure>()),
      state(std::make_shared<InstallState>()),
      host(std::make_shared<RecordingHost>()),
      observer(std::make_shared<RecordingObserver>()),
      labels(std::make_shared<MapLabels>()) {
  clients->web.serveFile(kPackageUrl, package);
  config->SetClientFactory(*clients);
  config->Update([&](ProductConfig& r) {
    r.LoadState = 2;
    r.LoadSource = 1;
    r.Downloader_id = 642;
    r.Software_name = L"Lumevia";
    r.Software_version = L"3.1.0";
    r.Download_url = kPackageUrlW;
    r.Extra_download_url = kPackageUrlW;
    r.MirrorUrls = {kPackageUrlW};
    r.Md5 = platform::WideFromUtf8(FuntionImpl::Md5Hex(package));
    r.Filesize = static_cast<int64_t>(package.size());
    r.NeedStart_flag = 1;
    r.Trusted_publisher = L"CN=Lumevia Test Publisher";
  });
  labels->labels = {{L"Extra_download_url", kPackageUrlW},
                    {L"Download_url", kPackageUrlW},
                    {L"Software_name", L"Lumevia"}};
  host->folderText = L"D:\\Apps\\Lumevia";

  setup.config = config;
  setup.state = state;
  setup.host = host;
  setup.observer = observer;
  setup.clients = clients;
  setup.labels = labels;
  setup.installFolderName = L"Lumevia";
  setup.stubPath = dir.file(L"LumeviaSetup_abc12.exe");
  setup.language = 0;
  setup.threadCount = 4;
}

std::wstring WorkerRun::downloadFolder() const { return platform::JoinPath(os.temp, L"Lumevia_setup"); }

std::wstring WorkerRun::packagePath() const {
  return platform::JoinPath(downloadFolder(), L"Lumevia_setup_3.1.0.exe");
}

std::vector<std::string> WorkerRun::reports() const {
  std::vector<std::string> bodies;
  for (const http::FakeRequest& r : clients->web.requests())
    if (r.method == "POST" && r.url == ExceptionReport::CollectorUrl()) bodies.push_back(r.body);
  return bodies;
}

std::vector<std::string> WorkerRun::flowRecords() const {
  std::vector<std::string> out;
  for (const std::string& r : events.all()) {
    if (r == "X Download|SliceDownloading||" || r.rfind("E DownloadSpeed|", 0) == 0 ||
        r.rfind("E Other|Download|", 0) == 0)
      continue;
    out.push_back(r);
  }
  return out;
}

}  // namespace flowtest
