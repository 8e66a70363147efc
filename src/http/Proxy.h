// The system's proxy for every transfer: the user's Internet settings (a
// server list with its bypass list, or an automatic configuration script),
// read once per process, and the choice for one address.
#pragma once
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace http {

// The parts of an address the choice looks at; host in lower case, port
// filled in from the scheme when the address names none.
struct UrlParts {
  std::string scheme;
  std::string host;
  int port = 0;
};
bool SplitUrl(const std::string& url, UrlParts& out);

// The proxy a Windows proxy list names for a scheme, in libcurl's syntax:
// "http=a:1;https=b:2" gives the scheme's own entry, a bare "a:1" serves every
// scheme, "socks=c:3" is the last resort. Empty when the list names none.
std::string ProxyForScheme(const std::string& list, const std::string& scheme);

// Whether an address may skip the proxy by a Windows bypass list: entries
// separated by ";" or blanks, "*" matching any run of characters, case
// ignored, "<local>" for names without a dot; an entry may carry a scheme
// ("http://...") and a port ("...:8080"), which must match too.
bool Bypassed(const std::string& list, const UrlParts& url);

// One set of proxy settings and the choices made from it.
class ProxySettings {
 public:
  explicit ProxySettings(const platform::IEProxyConfig& config);

  // The proxy for url in libcurl's syntax; "" when the settings name none
  // for it (none set, bypassed, direct): libcurl's defaults, the
  // environment's proxy variables, then apply.
  // A script's answer is asked once per scheme, host and port, with no lock
  // held; callers for the same address wait for that one answer, except on
  // a thread that must not wait (ProxyScriptsNotAwaited), which takes the
  // answer when it is known and otherwise goes on as if the script could
  // not be run.
  std::string ProxyFor(const std::string& url);

 private:
  // None: not known yet, and this thread does not wait.
  std::optional<platform::ScriptProxy> ScriptAnswer(const UrlParts& u, const std::string& url);

  std::string script_, list_, bypass_;
  std::mutex lock_;  // guards the table only, never a script run
  std::map<std::string, std::shared_future<platform::ScriptProxy>> answers_;
};

// While one lives, transfers on its thread never wait for an automatic
// configuration script: the windows' thread holds one.
class ProxyScriptsNotAwaited {
 public:
  ProxyScriptsNotAwaited();
  ~ProxyScriptsNotAwaited();
  ProxyScriptsNotAwaited(const ProxyScriptsNotAwaited&) = delete;
  ProxyScriptsNotAwaited& operator=(const ProxyScriptsNotAwaited&) = delete;

 private:
  bool previous_;
};

// The process's settings, read from the system on first use.
ProxySettings& SystemProxy();

// The log lines of the user's proxy settings and the result: 0 none set;
// 1 a script, 2 a server list, 3 a bypass list, the last of these that is set.
std::vector<std::string> IEProxyConfigLines(const platform::IEProxyConfig& config, int& result);

// Reads the settings afresh, logs their lines, returns the result.
int LogIEProxyConfig();

}  // namespace http
