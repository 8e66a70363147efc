#include "Common/Startup.h"

#include <cstdio>

#include "Common/InstallUIMainWnd.h"
#include "Common/ProcessSlots.h"
#include "Common/TelemetryWiring.h"
#include "ui/UiTelemetry.h"
#include "FuntionImpl/RunOptions.h"
#include "log/Log.h"
#include "platform/Platform.h"
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

// The window of a running copy, found by the class keyed by the early id.
// Answers true when this process must leave at once.
bool SwitchToRunningCopy() {
  platform::Os& os = platform::os();
  std::string bytes;
  if (!os.LoadModuleResource(kSkinResourceType, kSkinResourceId, bytes) || bytes.empty()) return false;
  SkinUI::SkinPackage pkg;
  if (!pkg.Open(bytes)) return false;
  std::string xml;
  pkg.Extract(kConfigureEntry, xml);
  // The first three bytes are the byte-order mark, skipped unchecked.
  std::string text = xml.size() > 3 ? xml.substr(3) : std::string();
  std::wstring id = os.AnsiToWide(ExtractEarlyProductId(text));
  std::wstring className = L"ZQ_UI_Frame_" + id;
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
}  // namespace

std::string ExtractEarlyProductId(const std::string& text) {
  size_t key = text.find("Downloader_id");
  if (key == std::string::npos) return {};
  size_t eq = text.find('=', key);
  if (eq == std::string::npos || eq + 2 > text.size()) return {};
  size_t quote = text.find('"', eq + 2);
  if (quote == std::string::npos) return {};
  return text.substr(eq + 2, quote - (eq + 2));
}

int RunStub(const std::wstring& commandLine) {
  platform::Os& os = platform::os();
  if (commandLine == L"debug") os.AttachDebugConsole();
  std::fputs("test", stdout);
  std::fflush(stdout);

  if (SwitchToRunningCopy()) return 0;

  if (!os.ComInitialize()) return 0;
  SetUpToolkit();
  TelemetryWiring::Connect();
  os.AuthorizeFirewallApp(os.ModuleFileName());

  InstallUIMainWnd mainWnd;
  if (!mainWnd.Create(0, L"Lumevia", 0x800A0000u, 0, 0, 0, 600, 400)) {
    SkinUI::CPaintManagerUI::Term();
    os.ComUninitialize();
    return 0;
  }

  const int id = mainWnd.Config() ? mainWnd.Config()->Downloader_id : 0;
  wchar_t mutexName[64] = {};
  std::swprintf(mutexName, 64, L"KVR_Downloader_%d", id);
  platform::MutexResult mutex = os.CreateNamedMutex(mutexName, true);
  ProcessSlots::SetInstanceMutex(mutex.handle);
  if (!FuntionImpl::IsAutoRun() && mutex.alreadyExisted) {
    LOG(INFO) << " Already exist instance, id is: " << id;
    os.ReleaseAndCloseMutex(mutex.handle, false);
    ProcessSlots::SetInstanceMutex(0);
    // The window already queued its start-up reports: deliver them rather
    // than end the process under the delivery thread.
    CSingleUserLog::Instance().WaitThreadForExit();
    // The hidden window goes with the process; the toolkit still lets go of
    // its package first.
    SkinUI::CPaintManagerUI::Term();
    os.ComUninitialize();
    return 0;
  }

  if (mainWnd.IsNotSupport(false)) {
    mainWnd.ShowMessageBox(MsgNotSupportCountry, false);
    ui::UiEvent("Other", "CountryStartupForbided", "");
    mainWnd.SendMsg(SkinUI::kWmClose);
  } else {
    mainWnd.CenterWindow();
    mainWnd.ShowMainWindow();
    SkinUI::MessageLoop();
  }

  LOG(INFO) << " Wait exit 1";
  SkinUI::CPaintManagerUI::Term();
  os.ReleaseAndCloseMutex(ProcessSlots::InstanceMutex(), true);
  ProcessSlots::SetInstanceMutex(0);
  LOG(INFO) << " Wait exit 2";
  CSingleUserLog::Instance().WaitThreadForExit();
  LOG(INFO) << " Wait exit 3";
  os.ComUninitialize();
  return 0;
}

}  // namespace Startup
