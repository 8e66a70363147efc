#include "http/Proxy.h"

#include <cctype>
#include <chrono>
#include <cstdlib>

#include "log/Log.h"
#include "platform/Utf.h"

namespace http {

namespace {

// The entries of a Windows list: ";" or blanks between them.
std::vector<std::string> Entries(const std::string& list) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : list) {
    if (c == ';' || std::isspace(static_cast<unsigned char>(c))) {
      if (!cur.empty()) out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

// "*" matches any run of characters; text and pattern already in lower case.
bool GlobMatch(const char* pattern, const char* text) {
  if (*pattern == '\0') return *text == '\0';
  if (*pattern == '*') {
    for (;; ++text) {
      if (GlobMatch(pattern + 1, text)) return true;
      if (*text == '\0') return false;
    }
  }
  return *pattern == *text && GlobMatch(pattern + 1, text + 1);
}

int DefaultPort(const std::string& scheme) {
  if (scheme == "https") return 443;
  if (scheme == "ftp") return 21;
  return 80;
}

std::string Narrow(const std::wstring& w) { return platform::os().WideToAnsi(w); }

thread_local bool t_scriptsNotAwaited = false;

// "host:port" into its parts; an IPv6 literal keeps its colons ("[::1]:80").
// port stays empty when none is named.
void SplitHostPort(const std::string& text, std::string& host, std::string& port) {
  host = text;
  port.clear();
  size_t colon = text.rfind(':');
  if (colon == std::string::npos) return;
  size_t close = text.rfind(']');
  bool v6 = !text.empty() && text[0] == '[';
  if (v6 ? close == std::string::npos || colon < close : text.find(':') != colon) return;
  host = text.substr(0, colon);
  port = text.substr(colon + 1);
}

}  // namespace

bool SplitUrl(const std::string& url, UrlParts& out) {
  size_t sep = url.find("://");
  if (sep == std::string::npos || sep == 0) return false;
  out.scheme = platform::ToLowerAscii(url.substr(0, sep));
  size_t start = sep + 3;
  size_t end = url.find_first_of("/?#", start);
  std::string authority = url.substr(start, end == std::string::npos ? std::string::npos : end - start);
  size_t at = authority.rfind('@');
  if (at != std::string::npos) authority.erase(0, at + 1);
  std::string host, port;
  SplitHostPort(authority, host, port);
  if (host.empty()) return false;
  out.host = platform::ToLowerAscii(host);
  out.port = port.empty() ? DefaultPort(out.scheme) : std::atoi(port.c_str());
  return out.port > 0 && out.port < 65536;
}

std::string ProxyForScheme(const std::string& list, const std::string& scheme) {
  std::string own, bare, socks;
  for (const std::string& entry : Entries(list)) {
    size_t eq = entry.find('=');
    if (eq == std::string::npos) {
      if (bare.empty()) bare = entry;
      continue;
    }
    std::string key = platform::ToLowerAscii(entry.substr(0, eq)), value = entry.substr(eq + 1);
    if (value.empty()) continue;
    if (key == scheme && own.empty()) own = value;
    if (key == "socks" && socks.empty()) socks = value.find("://") == std::string::npos ? "socks4://" + value : value;
  }
  if (!own.empty()) return own;
  return bare.empty() ? socks : bare;
}

bool Bypassed(const std::string& list, const UrlParts& url) {
  for (std::string entry : Entries(platform::ToLowerAscii(list))) {
    if (entry == "<local>") {
      if (url.host.find_first_of(".:") == std::string::npos) return true;
      continue;
    }
    if (size_t sep = entry.find("://"); sep != std::string::npos) {
      if (entry.compare(0, sep, url.scheme) != 0) continue;
      entry.erase(0, sep + 3);
    }
    std::string hostPattern, portPattern;
    SplitHostPort(entry, hostPattern, portPattern);
    if (portPattern.empty()) portPattern = "*";
    if (GlobMatch(hostPattern.c_str(), url.host.c_str()) &&
        GlobMatch(portPattern.c_str(), std::to_string(url.port).c_str()))
      return true;
  }
  return false;
}

ProxySettings::ProxySettings(const platform::IEProxyConfig& config)
    : script_(Narrow(config.autoConfigUrl)), list_(Narrow(config.proxy)), bypass_(Narrow(config.proxyBypass)) {}

std::optional<platform::ScriptProxy> ProxySettings::ScriptAnswer(const UrlParts& u, const std::string& url) {
  const std::string origin = u.scheme + "://" + u.host + ":" + std::to_string(u.port);
  std::promise<platform::ScriptProxy> mine;
  std::shared_future<platform::ScriptProxy> answer;
  bool runHere = false;
  {
    std::lock_guard<std::mutex> g(lock_);
    auto it = answers_.find(origin);
    if (it != answers_.end()) {
      answer = it->second;
    } else if (!t_scriptsNotAwaited) {
      answer = mine.get_future().share();
      answers_.emplace(origin, answer);
      runHere = true;
    } else {
      return std::nullopt;
    }
  }
  if (!runHere) {
    if (t_scriptsNotAwaited && answer.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
      return std::nullopt;
    return answer.get();
  }
  // The script runs once per address, with no lock held: other addresses
  // are not held up, and the platform bounds the run's own waiting.
  platform::ScriptProxy result;
  try {
    result = platform::os().ProxyForUrl(platform::os().AnsiToWide(url), platform::os().AnsiToWide(script_));
  } catch (...) {
    result = platform::ScriptProxy();  // waiters get "not run" rather than an exception
  }
  if (!result.ok) LOG(INFO) << " Proxy script not used for " << origin << ": " << script_;
  mine.set_value(result);
  return result;
}

std::string ProxySettings::ProxyFor(const std::string& url) {
  UrlParts u;
  if ((script_.empty() && list_.empty()) || !SplitUrl(url, u)) return {};
  if (!script_.empty()) {
    std::optional<platform::ScriptProxy> answer = ScriptAnswer(u, url);
    if (answer && answer->ok) {
      std::string list = Narrow(answer->proxy);
      if (list.empty() || Bypassed(Narrow(answer->proxyBypass), u)) return {};
      return ProxyForScheme(list, u.scheme);
    }
    // A script that cannot be run (or not awaited here) leaves the server
    // list, as browsers do.
  }
  if (list_.empty() || Bypassed(bypass_, u)) return {};
  return ProxyForScheme(list_, u.scheme);
}

ProxyScriptsNotAwaited::ProxyScriptsNotAwaited() : previous_(t_scriptsNotAwaited) { t_scriptsNotAwaited = true; }
ProxyScriptsNotAwaited::~ProxyScriptsNotAwaited() { t_scriptsNotAwaited = previous_; }

ProxySettings& SystemProxy() {
  // Never destroyed: transfers on threads that outlive main may still ask.
  static ProxySettings* settings = new ProxySettings(platform::os().GetIEProxyConfig());
  return *settings;
}

std::vector<std::string> IEProxyConfigLines(const platform::IEProxyConfig& config, int& result) {
  std::vector<std::string> lines;
  lines.push_back(" Get proxy: " + std::to_string(config.ok ? 1 : 0) + ", " + std::to_string(config.lastError));
  result = 0;
  const std::wstring* texts[] = {&config.autoConfigUrl, &config.proxy, &config.proxyBypass};
  for (int i = 0; i < 3; ++i) {
    if (texts[i]->empty()) continue;
    result = i + 1;
    lines.push_back(" Proxy info" + std::to_string(i + 1) + ": " + Narrow(*texts[i]));
  }
  return lines;
}

int LogIEProxyConfig() {
  int result = 0;
  for (const std::string& line : IEProxyConfigLines(platform::os().GetIEProxyConfig(), result)) LOG(INFO) << line;
  return result;
}

}  // namespace http
