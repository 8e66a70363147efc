#include "Common/Startup.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

#include "Common/InstallUIMainWnd.h"
#include "Common/ProcessSlots.h"
#include "Common/SideFetches.h"
#include "Common/TelemetryWiring.h"
#include "ui/UiTelemetry.h"
#include "FuntionImpl/GuardedRun.h"
#include "FuntionImpl/RunOptions.h"
#include "http/Proxy.h"
#include "log/Log.h"
#include "platform/OwnedHandles.h"
#include "platform/Utf.h"
#include "telemetry/CSingleUserLog.h"
#include "toolkit/DialogBuilder.h"
#include "toolkit/PaintManager.h"
#include "toolkit/SkinPackage.h"
#include "toolkit/WindowWnd.h"
#include "ui/StubControls.h"

namespace Startup {

namespace {
constexpr int kSkinResourceId = 138;
const wchar_t kSkinResourceType[] = L"ZIPRES";
const char kConfigureEntry[] = "configure/configure.xml";

// What the window needs before the toolkit is set up, read from the packed
// configuration: the class name's id and the title (the product's name).
struct EarlyProduct {
  bool packaged = false;  // the package opened: without it there is no class to look for
  std::wstring id;
  std::wstring name = L"Lumevia";
};

EarlyProduct ReadEarlyProduct() {
  EarlyProduct product;
  std::string bytes;
  platform::Os& os = platform::os();
  if (!os.LoadModuleResource(kSkinResourceType, kSkinResourceId, bytes) || bytes.empty()) return product;
  SkinUI::SkinPackage pkg;
  if (!pkg.Open(bytes)) return product;
  product.packaged = true;
  std::string xml;
  pkg.Extract(kConfigureEntry, xml);
  // The first three bytes are the byte-order mark, skipped unchecked.
  std::string text = xml.size() > 3 ? xml.substr(3) : std::string();
  product.id = os.AnsiToWide(ExtractEarlyLabel(text, "Downloader_id"));
  std::wstring name = platform::WideFromUtf8(ExtractEarlyLabel(text, "Software_name"));
  if (!name.empty()) product.name = name;
  return product;
}

// The window of a running copy, found by the class keyed by the early id.
// Answers true when this process must leave at once.
bool SwitchToRunningCopy(const EarlyProduct& product) {
  if (!product.packaged) return false;
  platform::Os& os = platform::os();
  std::wstring className = L"ZQ_UI_Frame_" + product.id;
  ProcessSlots::SetMainWindowClassName(className);
  platform::WindowHandle running = os.FindTopLevelWindow(className);
  if (!FuntionImpl::IsAutoRun() && running) {
    os.SwitchToWindow(running);
    return true;
  }
  return false;
}

// Toolkit set-up: instance, resources from the package held in memory.
void SetUpToolkit() {
  platform::Os& os = platform::os();
  SkinUI::CPaintManagerUI::SetInstance(0);
  SkinUI::CPaintManagerUI::SetResourcePath(platform::DirectoryOf(os.ModuleFileName()) + L"skin" +
                                           platform::PathSeparator());
  std::string bytes;
  if (os.LoadModuleResource(kSkinResourceType, kSkinResourceId, bytes))
    SkinUI::CPaintManagerUI::SetResourceZip(bytes);
  RegisterStubControls();
}

// Side-fetches are not waited for, so one may still run when the start-up is
// done. The process's normal end would destroy the log and the telemetry
// queue under it (a use after free; under ASan with the leak check, a dead
// lock at exit); the process then ends here, skipping the static destructors.
void EndWhileSideFetchesRun() {
  if (FuntionImpl::RunningThreads() == 0) return;
  el::Loggers::flushAll();
  std::fflush(nullptr);
  std::_Exit(0);
}

int RunStartUp(const std::wstring& commandLine);
}  // namespace

std::string ExtractEarlyLabel(const std::string& text, const char* label) {
  size_t key = text.find(label);
  if (key == std::string::npos) return {};
  size_t eq = text.find('=', key);
  if (eq == std::string::npos || eq + 2 > text.size()) return {};
  size_t quote = text.find('"', eq + 2);
  if (quote == std::string::npos) return {};
  return text.substr(eq + 2, quote - (eq + 2));
}

void ShutDownSteps::Log(const char* line) { LOG(INFO) << line; }
void ShutDownSteps::TermToolkit() { SkinUI::CPaintManagerUI::Term(); }
void ShutDownSteps::ReleaseInstanceMutex() { ProcessSlots::TakeInstanceMutex().reset(); }
void ShutDownSteps::DrainTelemetry() { CSingleUserLog::Instance().WaitThreadForExit(); }
void ShutDownSteps::UninitializeCom() { platform::os().ComUninitialize(); }

ShutDownSteps& ShutDownSteps::Real() {
  static ShutDownSteps steps;
  return steps;
}

void ShutDown::Run() {
  const unsigned armed = std::exchange(armed_, 0u);
  auto line = [&](const char* text) {
    if (armed & kWaitLines) steps_.Log(text);
  };
  line(" Wait exit 1");
  if (armed & kToolkit) steps_.TermToolkit();
  if (armed & kInstanceMutex) steps_.ReleaseInstanceMutex();
  line(" Wait exit 2");
  if (armed & kTelemetry) steps_.DrainTelemetry();
  line(" Wait exit 3");
  if (armed & kCom) steps_.UninitializeCom();
}

int RunStub(const std::wstring& commandLine) {
  const int code = RunStartUp(commandLine);
  EndWhileSideFetchesRun();
  return code;
}

namespace {
int RunStartUp(const std::wstring& commandLine) {
  platform::Os& os = platform::os();
  // The windows' thread (the country check runs on it) never waits for a
  // proxy script: it takes a known answer or goes on without one.
  http::ProxyScriptsNotAwaited windowsThread;
  if (commandLine == L"debug") os.AttachDebugConsole();
  std::fputs("test", stdout);
  std::fflush(stdout);

  const EarlyProduct product = ReadEarlyProduct();
  if (SwitchToRunningCopy(product)) return 0;

  // Declared before the shut-down so that the window object outlives it, as
  // the shut-down runs on every return below.
  std::unique_ptr<InstallUIMainWnd> mainWnd;
  ShutDown shutDown;
  if (!os.ComInitialize()) return 0;
  shutDown.Arm(ShutDown::kCom);
  SetUpToolkit();
  shutDown.Arm(ShutDown::kToolkit);
  TelemetryWiring::Connect();
  os.AuthorizeFirewallApp(os.ModuleFileName());

  mainWnd = std::make_unique<InstallUIMainWnd>();
  if (!mainWnd->Create(0, product.name, 0x800A0000u, 0, 0, 0, 600, 400)) return 0;
  // The window queued its start-up reports: from here on they are delivered
  // rather than left to end with the process under the delivery thread.
  shutDown.Arm(ShutDown::kTelemetry);

  const int id = mainWnd->Config() ? mainWnd->Config()->Snapshot()->Downloader_id : 0;
  wchar_t mutexName[64] = {};
  std::swprintf(mutexName, 64, L"KVR_Downloader_%d", id);
  platform::MutexResult mutex = os.CreateNamedMutex(mutexName, true);
  if (!FuntionImpl::IsAutoRun() && mutex.alreadyExisted) {
    LOG(INFO) << " Already exist instance, id is: " << id;
    // Another copy holds it: close ours without releasing theirs.
    platform::OwnedMutex(mutex.handle).reset();
    return 0;
  }
  ProcessSlots::SetInstanceMutex(platform::HeldMutex(mutex.handle));
  shutDown.Arm(ShutDown::kInstanceMutex);

  if (mainWnd->IsNotSupport(false)) {
    mainWnd->ShowMessageBox(MsgNotSupportCountry, false);
    ui::UiEvent("Other", "CountryStartupForbided", "");
    mainWnd->SendMsg(SkinUI::kWmClose);
  } else {
    mainWnd->CenterWindow();
    mainWnd->ShowMainWindow();
    SkinUI::MessageLoop();
  }
  shutDown.Arm(ShutDown::kWaitLines);
  return 0;
}
}  // namespace

}  // namespace Startup
