// The proxy choice: Windows proxy and bypass lists, scripts through the
// platform, the window's log lines.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "http/Proxy.h"
#include "platform/Platform.h"

namespace {

http::UrlParts Url(const std::string& text) {
  http::UrlParts u;
  EXPECT_TRUE(http::SplitUrl(text, u)) << text;
  return u;
}

TEST(SplitUrl, SchemeHostAndPort) {
  http::UrlParts u = Url("HTTPS://User:pw@Dl.Example.COM/pkg/a.exe?x=1");
  EXPECT_EQ("https", u.scheme);
  EXPECT_EQ("dl.example.com", u.host);
  EXPECT_EQ(443, u.port);
  EXPECT_EQ(8480, Url("http://127.0.0.1:8480").port);
  EXPECT_EQ(80, Url("http://h?q=a:1").port);
  u = Url("http://[::1]:81/x");
  EXPECT_EQ("[::1]", u.host);
  EXPECT_EQ(81, u.port);
  EXPECT_EQ(80, Url("http://[::1]/x").port);
  http::UrlParts bad;
  EXPECT_FALSE(http::SplitUrl("no scheme", bad));
  EXPECT_FALSE(http::SplitUrl("http:///path", bad));
  EXPECT_FALSE(http::SplitUrl("http://h:0/", bad));
  EXPECT_FALSE(http::SplitUrl("http://h:70000/", bad));
}

TEST(ProxyList, PerSchemeBareAndSocks) {
  const std::string list = "http=web:80;https=secure:443 ftp=f:21";
  EXPECT_EQ("web:80", http::ProxyForScheme(list, "http"));
  EXPECT_EQ("secure:443", http::ProxyForScheme(list, "https"));
  // A scheme without an entry goes direct when there is no bare entry.
  EXPECT_EQ("", http::ProxyForScheme("http=web:80", "https"));
  EXPECT_EQ("all:3128", http::ProxyForScheme("all:3128", "https"));
  EXPECT_EQ("first:1", http::ProxyForScheme(" first:1 ; second:2 ", "http"));
  // The scheme's own entry wins over a bare one, in whatever order.
  EXPECT_EQ("own:2", http::ProxyForScheme("bare:1;HTTP=own:2", "http"));
  EXPECT_EQ("socks4://s:1080", http::ProxyForScheme("socks=s:1080;http=web:80", "https"));
  EXPECT_EQ("socks5://s:1080", http::ProxyForScheme("socks=socks5://s:1080", "http"));
  EXPECT_EQ("http://p:8", http::ProxyForScheme("https=;http://p:8", "https"));
  EXPECT_EQ("", http::ProxyForScheme("", "http"));
  EXPECT_EQ("", http::ProxyForScheme(";  ;", "http"));
}

TEST(BypassList, LocalGlobsSchemesAndPorts) {
  EXPECT_TRUE(http::Bypassed("<local>", Url("http://intranet/x")));
  EXPECT_FALSE(http::Bypassed("<local>", Url("http://127.0.0.1/x")));  // loopback is not implied
  EXPECT_FALSE(http::Bypassed("<local>", Url("http://[::1]/x")));
  EXPECT_TRUE(http::Bypassed("*.example.com", Url("http://dl.EXAMPLE.com/a")));
  EXPECT_FALSE(http::Bypassed("*.example.com", Url("http://example.com/a")));
  EXPECT_TRUE(http::Bypassed("10.*;*.corp", Url("http://10.1.2.3/")));
  EXPECT_TRUE(http::Bypassed("a.test b.test", Url("http://b.test/")));
  EXPECT_TRUE(http::Bypassed("a*b*c", Url("http://axxbyyc/")));
  EXPECT_FALSE(http::Bypassed("a*b*c", Url("http://axxbyy/")));
  EXPECT_TRUE(http::Bypassed("https://secure.test", Url("https://secure.test/")));
  EXPECT_FALSE(http::Bypassed("https://secure.test", Url("http://secure.test/")));
  EXPECT_TRUE(http::Bypassed("127.0.0.1:8480", Url("http://127.0.0.1:8480/")));
  EXPECT_FALSE(http::Bypassed("127.0.0.1:8480", Url("http://127.0.0.1:9000/")));
  EXPECT_TRUE(http::Bypassed("[::1]:81", Url("http://[::1]:81/")));
  EXPECT_FALSE(http::Bypassed("", Url("http://a/")));
  EXPECT_FALSE(http::Bypassed("example.com", Url("http://www.example.com/")));
}

// The platform whose scripts answer from a table and count their runs; a
// run for an address that contains `held` waits until it is let go.
class ScriptOs final : public platform::ForwardingOs {
 public:
  platform::ScriptProxy ProxyForUrl(const std::wstring& url, const std::wstring& script) override {
    std::unique_lock<std::mutex> l(m_);
    asked.push_back(url);
    scripts.push_back(script);
    cv_.notify_all();
    if (!held.empty() && url.find(held) != std::wstring::npos) cv_.wait(l, [this] { return !holding_; });
    return answer;
  }
  void letGo() {
    std::lock_guard<std::mutex> l(m_);
    holding_ = false;
    cv_.notify_all();
  }
  // Waits (at most 10 s) until n runs have begun.
  bool runsBegun(size_t n) {
    std::unique_lock<std::mutex> l(m_);
    return cv_.wait_for(l, std::chrono::seconds(10), [&] { return asked.size() >= n; });
  }
  size_t runs() {
    std::lock_guard<std::mutex> l(m_);
    return asked.size();
  }
  platform::ScriptProxy answer;
  std::wstring held;
  std::vector<std::wstring> asked, scripts;

 private:
  std::mutex m_;
  std::condition_variable cv_;
  bool holding_ = true;
};

platform::IEProxyConfig Config(const wchar_t* script, const wchar_t* list, const wchar_t* bypass) {
  platform::IEProxyConfig c;
  c.ok = true;
  c.autoConfigUrl = script;
  c.proxy = list;
  c.proxyBypass = bypass;
  return c;
}

// The script cases: the system runs the script and answers as `os` says.
class ProxyScript : public ::testing::Test {
 protected:
  ProxyScript() { os.answer.ok = true; }
  static http::ProxySettings Settings(const wchar_t* list, const wchar_t* bypass = L"") {
    return http::ProxySettings(Config(L"http://wpad/proxy.pac", list, bypass));
  }
  ScriptOs os;
  platform::ScopedOs scoped{os};
};

TEST(ProxySettings, ServerListWithBypass) {
  http::ProxySettings s(Config(L"", L"http=p:8080;https=q:8443", L"<local>;*.lan"));
  EXPECT_EQ("p:8080", s.ProxyFor("http://cdn.example.com/a"));
  EXPECT_EQ("q:8443", s.ProxyFor("https://cdn.example.com/a"));
  EXPECT_EQ("", s.ProxyFor("http://nas.lan/a"));
  EXPECT_EQ("", s.ProxyFor("http://intranet/a"));
  EXPECT_EQ("", s.ProxyFor("ftp://cdn.example.com/a"));  // no entry: none named
}

TEST(ProxySettings, NothingSetLeavesLibcurlDefaults) {
  http::ProxySettings s(Config(L"", L"", L"*"));
  EXPECT_EQ("", s.ProxyFor("http://a/"));
  http::ProxySettings list(Config(L"", L"p:1", L""));
  EXPECT_EQ("", list.ProxyFor("not an address"));
}

TEST_F(ProxyScript, AnswerPerAddressAskedOnce) {
  os.answer.proxy = L"pac:3128;backup:3128";
  http::ProxySettings s = Settings(L"static:1");
  EXPECT_EQ("pac:3128", s.ProxyFor("http://dl.example.com/a"));
  EXPECT_EQ("pac:3128", s.ProxyFor("http://dl.example.com/b?c"));
  ASSERT_EQ(1u, os.asked.size());
  EXPECT_EQ(L"http://dl.example.com/a", os.asked[0]);
  EXPECT_EQ(L"http://wpad/proxy.pac", os.scripts[0]);
  s.ProxyFor("https://dl.example.com/a");  // another scheme, another answer
  s.ProxyFor("http://dl.example.com:81/a");
  EXPECT_EQ(3u, os.asked.size());
}

TEST_F(ProxyScript, DirectAndBypassedAnswers) {
  // No proxy named: none, not the server list.
  http::ProxySettings direct = Settings(L"static:1");
  EXPECT_EQ("", direct.ProxyFor("http://a.test/"));
  os.answer.proxy = L"pac:1";
  os.answer.proxyBypass = L"*.test";
  http::ProxySettings bypassed = Settings(L"");
  EXPECT_EQ("", bypassed.ProxyFor("http://a.test/"));
  EXPECT_EQ("pac:1", bypassed.ProxyFor("http://a.example/"));
}

// A script run holds up no other address and runs once for its own: later
// callers for it wait for that answer. A thread that must not wait (the
// windows') takes the server list meanwhile and starts no run of its own.
TEST_F(ProxyScript, RunsOncePerAddressOutsideAnyLock) {
  os.answer.proxy = L"pac:3128";
  os.held = L"slow.test";
  http::ProxySettings s = Settings(L"static:1");
  auto first = std::async(std::launch::async, [&] { return s.ProxyFor("http://slow.test/a"); });
  EXPECT_TRUE(os.runsBegun(1));
  auto second = std::async(std::launch::async, [&] { return s.ProxyFor("http://slow.test/b"); });
  auto other = std::async(std::launch::async, [&] { return s.ProxyFor("http://fast.test/"); });
  const bool otherDone = other.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  std::string window, unknown;
  {
    http::ProxyScriptsNotAwaited windowsThread;
    window = s.ProxyFor("http://slow.test/c");
    unknown = s.ProxyFor("http://new.test/");
  }
  const size_t runsWhileHeld = os.runs();
  os.letGo();
  EXPECT_TRUE(otherDone) << "another address waited for the running script";
  EXPECT_EQ("pac:3128", other.get());
  EXPECT_EQ("static:1", window);
  EXPECT_EQ("static:1", unknown);
  EXPECT_EQ(2u, runsWhileHeld);  // slow.test and fast.test; the window's thread started none
  EXPECT_EQ("pac:3128", first.get());
  EXPECT_EQ("pac:3128", second.get());
  EXPECT_EQ(2u, os.runs());
  // Once known, the answer serves the window's thread too.
  http::ProxyScriptsNotAwaited windowsThread;
  EXPECT_EQ("pac:3128", s.ProxyFor("http://slow.test/d"));
  EXPECT_EQ(2u, os.runs());
}

TEST_F(ProxyScript, ThatCannotRunFallsBackToTheList) {
  os.answer.ok = false;
  http::ProxySettings withList = Settings(L"static:1", L"b.test");
  EXPECT_EQ("static:1", withList.ProxyFor("http://a.test/"));
  EXPECT_EQ("", withList.ProxyFor("http://b.test/"));
  http::ProxySettings alone = Settings(L"");
  EXPECT_EQ("", alone.ProxyFor("http://a.test/"));
}

TEST(IEProxyConfigLines, ResultIsTheLastTextSet) {
  int result = -1;
  platform::IEProxyConfig none;
  none.lastError = 87;
  EXPECT_EQ(std::vector<std::string>{" Get proxy: 0, 87"}, http::IEProxyConfigLines(none, result));
  EXPECT_EQ(0, result);

  std::vector<std::string> all = http::IEProxyConfigLines(Config(L"http://w/p.pac", L"p:1", L"<local>"), result);
  EXPECT_EQ((std::vector<std::string>{" Get proxy: 1, 0", " Proxy info1: http://w/p.pac", " Proxy info2: p:1",
                                      " Proxy info3: <local>"}),
            all);
  EXPECT_EQ(3, result);

  http::IEProxyConfigLines(Config(L"http://w/p.pac", L"", L""), result);
  EXPECT_EQ(1, result);
  std::vector<std::string> two = http::IEProxyConfigLines(Config(L"", L"p:1", L""), result);
  EXPECT_EQ(2, result);
  EXPECT_EQ(2u, two.size());
}

}  // namespace
