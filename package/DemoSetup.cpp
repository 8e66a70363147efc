// The product's test package: one program that installs itself silently the
// way the product's real installer does (folder, the product's executable,
// the uninstall key, a log), and, once installed under the product's
// executable name, is the product (a window that says where it stands).
//
// Tests steer it through the environment, which the stub's child inherits:
//   LUMEVIA_DEMO_SETUP=long:N | crash | exit:N | hang
//   LUMEVIA_DEMO_SETUP_TRACE=<file>     the raw command line and what was read from it
//   LUMEVIA_DEMO_PRODUCT_SECONDS=N      the product closes itself after N seconds
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <cwchar>
#include <string>
#include <thread>
#include <utility>

#include "package/DemoHost.h"
#include "package/SetupCommandLine.h"
#include "platform/IniText.h"
#include "platform/Platform.h"
#include "platform/Utf.h"

#ifndef LUMEVIA_DEMO_PRODUCT
#define LUMEVIA_DEMO_PRODUCT "Lumevia"
#endif
#ifndef LUMEVIA_DEMO_PROCESS
#define LUMEVIA_DEMO_PROCESS "Velscape.exe"
#endif
#ifndef LUMEVIA_DEMO_VERSION
#define LUMEVIA_DEMO_VERSION "1.0.0.0"
#endif

namespace {

using platform::os;

const wchar_t kUninstallRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const wchar_t kInstalledIni[] = L"installed.ini";
// A real installer's code for a fatal error while installing.
const int kExitInstallFailed = 4;

std::wstring Wide(const char* s) { return platform::WideFromUtf8(s); }

std::wstring EnvText(const char* name) {
  const char* v = std::getenv(name);
  return v ? os().AnsiToWide(v) : std::wstring();
}

std::wstring TimeText() {
  const int64_t ms = os().UnixTimeMs();
  std::tm t = platform::LocalTime(static_cast<std::time_t>(ms / 1000));
  wchar_t buf[40];
  std::swprintf(buf, 40, L"%04d-%02d-%02d %02d:%02d:%02d.%03d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                t.tm_min, t.tm_sec, static_cast<int>(ms % 1000));
  return buf;
}

bool AppendText(const std::wstring& path, const std::wstring& text) {
  std::string data;
  os().ReadFile(path, data);  // a missing file starts empty
  return os().WriteFile(path, data + platform::Utf8FromWide(text));
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring WithoutTrailingSeparators(std::wstring path) {
  while (path.size() > 1 && IsSeparator(path.back())) path.pop_back();
  return path;
}

// What a test reads back: the line as it arrived and each value taken from it.
void Trace(const std::wstring& line, const demo::SetupOptions& o) {
  const std::wstring file = EnvText("LUMEVIA_DEMO_SETUP_TRACE");
  if (file.empty()) return;
  AppendText(file, L"raw=" + line + L"\nsilent=" + (o.verySilent ? L"very" : L"yes") + L"\ndir=" + o.dir +
                       L"\nlang=" + o.lang + L"\nlog=" + o.logFile + L"\nsptrack=" +
                       (o.hasTracking ? o.tracking : L"(none)") + L"\n");
}

// The installer's log: every line stamped, written whole at the end.
class SetupLog {
 public:
  void Line(const std::wstring& text) { text_ += TimeText() + L"   " + text + L"\r\n"; }
  void Save(const demo::SetupOptions& o) {
    if (!o.logFile.empty()) os().WriteFile(o.logFile, platform::Utf8FromWide(text_));
  }

 private:
  std::wstring text_;
};

// Runs what the test asked for before installing; true when the installer
// should go on, else code is the exit code.
bool RunBehaviour(int& code) {
  const char* env = std::getenv("LUMEVIA_DEMO_SETUP");
  const demo::DemoBehaviour b = demo::ParseDemoBehaviour(env ? env : "");
  // Real time on purpose: the stub's test clock rate must not shorten the
  // installer's own run.
  switch (b.kind) {
    case demo::DemoBehaviour::Kind::Long:
      std::this_thread::sleep_for(std::chrono::seconds(b.value));
      return true;
    case demo::DemoBehaviour::Kind::Crash:
      demo::CrashNow();
    case demo::DemoBehaviour::Kind::Exit:
      code = static_cast<int>(b.value);
      return false;
    case demo::DemoBehaviour::Kind::Hang:
      for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
    case demo::DemoBehaviour::Kind::Normal:
      break;
  }
  return true;
}

bool WriteUninstallKey(const std::wstring& appPath, const std::wstring& language) {
  const std::wstring key = kUninstallRoot + Wide(LUMEVIA_DEMO_PRODUCT) + L"_is1";
  const std::wstring location = appPath + platform::PathSeparator();
  const std::pair<const wchar_t*, std::wstring> values[] = {
      {L"Inno Setup: App Path", appPath},
      {L"InstallLocation", location},
      {L"Inno Setup: Language", language},
      {L"DisplayName", Wide(LUMEVIA_DEMO_PRODUCT)},
      {L"DisplayVersion", Wide(LUMEVIA_DEMO_VERSION)},
      {L"DisplayIcon", platform::JoinPath(appPath, Wide(LUMEVIA_DEMO_PROCESS))},
      {L"UninstallString", L"\"" + platform::JoinPath(appPath, L"unins000.exe") + L"\""},
  };
  for (const auto& v : values)
    if (!os().RegWriteString(platform::RegRoot::LocalMachine, key, v.first, v.second)) return false;
  return true;
}

int RunInstaller(const std::wstring& line, const demo::SetupOptions& o) {
  Trace(line, o);
  int code = 0;
  if (!RunBehaviour(code)) return code;

  SetupLog log;
  log.Line(L"Setup started: " + Wide(LUMEVIA_DEMO_PRODUCT) + L" " + Wide(LUMEVIA_DEMO_VERSION));
  log.Line(L"Setup program: " + os().ModuleFileName());
  log.Line(L"Command line: " + line);
  const std::wstring appPath =
      o.dir.empty() ? platform::JoinPath(os().SpecialFolderPath(platform::SpecialFolder::ProgramFiles),
                                         Wide(LUMEVIA_DEMO_PRODUCT))
                    : WithoutTrailingSeparators(o.dir);
  const std::wstring language = o.lang.empty() ? L"en" : o.lang;
  const std::wstring tracking = o.hasTracking ? o.tracking : L"null";
  log.Line(L"Installation folder: " + appPath);
  log.Line(L"Language: " + language);

  auto fail = [&](const std::wstring& what) {
    log.Line(L"Error: " + what);
    log.Line(L"Installation process failed.");
    log.Save(o);
    return kExitInstallFailed;
  };
  if (!os().CreateDirectories(appPath)) return fail(L"cannot create the folder " + appPath);

  const std::wstring exe = platform::JoinPath(appPath, Wide(LUMEVIA_DEMO_PROCESS));
  std::string self;
  if (!os().ReadFile(os().ModuleFileName(), self) || !os().WriteFile(exe, self))
    return fail(L"cannot copy the program to " + exe);
  demo::MarkRunnable(exe);
  log.Line(L"Installed file: " + exe);

  const std::wstring ini = platform::JoinPath(appPath, kInstalledIni);
  const std::wstring iniText = L"[Install]\r\nLanguage=" + language + L"\r\nFolder=" +
                               (o.dir.empty() ? appPath : o.dir) + L"\r\nTracking=" + tracking + L"\r\n";
  if (!os().WriteFile(ini, platform::Utf8FromWide(iniText))) return fail(L"cannot write " + ini);
  log.Line(L"Installed file: " + ini);

  if (!WriteUninstallKey(appPath, language)) return fail(L"cannot write the uninstall key");
  log.Line(L"Uninstall key written: " + Wide(LUMEVIA_DEMO_PRODUCT) + L"_is1");
  log.Line(L"Installation process succeeded.");
  log.Save(o);
  return 0;
}

// The installed product: reads what its installer left beside it.
int RunProduct(const std::wstring& line) {
  const std::wstring folder = platform::DirectoryOf(os().ModuleFileName());
  std::string ini, language, installedIn;
  os().ReadFile(folder + kInstalledIni, ini);
  platform::IniLookup(ini, "Install", "Language", language);
  platform::IniLookup(ini, "Install", "Folder", installedIn);
  AppendText(folder + L"started.txt", L"Started=" + TimeText() + L"\r\nCommandLine=" + line + L"\r\n");

  demo::ProductFacts facts;
  facts.title = Wide(LUMEVIA_DEMO_PROCESS);
  const size_t dot = facts.title.rfind(L'.');
  if (dot != std::wstring::npos) facts.title.erase(dot);
  facts.language = platform::WideFromUtf8(language);
  facts.folder = platform::WideFromUtf8(installedIn);
  const int seconds = platform::IniParseInt(platform::Utf8FromWide(EnvText("LUMEVIA_DEMO_PRODUCT_SECONDS")));
  return demo::RunProductWindow(facts, seconds > 0 ? static_cast<unsigned>(seconds) : 0);
}

}  // namespace

int main(int argc, char** argv) {
  const std::wstring line = demo::RawCommandLine(argc, argv);
  const demo::SetupOptions o = demo::ParseSetupCommandLine(line);
  return o.silent ? RunInstaller(line, o) : RunProduct(line);
}
