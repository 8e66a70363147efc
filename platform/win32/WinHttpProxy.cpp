// The user's Internet proxy settings and automatic configuration scripts,
// through WinHTTP. Its texts are GlobalAlloc'ed; each has an owner here.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <windows.h>
#include <winhttp.h>

#include <string>

#include "platform/Platform.h"
#include "platform/win32/Win32Handles.h"

namespace platform {
namespace win32 {

namespace {

struct GlobalTextTraits : NullIsNone<LPWSTR> {
  static void Close(Type h) { ::GlobalFree(h); }
};
using GlobalText = UniqueHandle<GlobalTextTraits>;

struct WinHttpTraits : NullIsNone<HINTERNET> {
  static void Close(Type h) { ::WinHttpCloseHandle(h); }
};
using WinHttpHandle = UniqueHandle<WinHttpTraits>;

std::wstring TextOf(const GlobalText& t) { return t ? std::wstring(t.get()) : std::wstring(); }

// Each step of fetching a script (name, connection, request, answer) gets
// this long instead of WinHTTP's defaults (up to a minute or more): a
// script host that does not answer only delays the transfers that asked.
constexpr int kScriptStepTimeoutMs = 3000;

}  // namespace

IEProxyConfig GetIEProxyConfig() {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG raw = {};
  IEProxyConfig c;
  c.ok = WinHttpGetIEProxyConfigForCurrentUser(&raw) != FALSE;
  c.lastError = GetLastError();
  // Owned at once, so every text is freed also when the call half failed.
  GlobalText script(raw.lpszAutoConfigUrl), proxy(raw.lpszProxy), bypass(raw.lpszProxyBypass);
  c.autoDetect = raw.fAutoDetect != FALSE;
  c.autoConfigUrl = TextOf(script);
  c.proxy = TextOf(proxy);
  c.proxyBypass = TextOf(bypass);
  return c;
}

ScriptProxy ProxyForUrl(const std::wstring& url, const std::wstring& scriptUrl) {
  ScriptProxy answer;
  WinHttpHandle session(WinHttpOpen(L"LumeviaSetup", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return answer;
  WinHttpSetTimeouts(session.get(), kScriptStepTimeoutMs, kScriptStepTimeoutMs, kScriptStepTimeoutMs,
                     kScriptStepTimeoutMs);
  WINHTTP_AUTOPROXY_OPTIONS options = {};
  options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
  options.lpszAutoConfigUrl = scriptUrl.c_str();
  options.fAutoLogonIfChallenged = TRUE;
  WINHTTP_PROXY_INFO info = {};
  BOOL ok = WinHttpGetProxyForUrl(session.get(), url.c_str(), &options, &info);
  GlobalText proxy(info.lpszProxy), bypass(info.lpszProxyBypass);
  if (!ok) return answer;
  answer.ok = true;
  if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY) {
    answer.proxy = TextOf(proxy);
    answer.proxyBypass = TextOf(bypass);
  }
  return answer;
}

}  // namespace win32
}  // namespace platform
