// The embedded Authenticode signature, judged by WinVerifyTrust with the
// generic policy.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <windows.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "platform/SystemOps.h"

namespace platform {
namespace sysops {

namespace {

// The subject's simple name of the first signer's certificate; the state of
// a verification must still be open.
std::wstring SignerName(HANDLE state) {
  CRYPT_PROVIDER_DATA* data = state ? WTHelperProvDataFromStateData(state) : nullptr;
  CRYPT_PROVIDER_SGNR* signer = data ? WTHelperGetProvSignerFromChain(data, 0, FALSE, 0) : nullptr;
  if (!signer || signer->csCertChain == 0 || !signer->pasCertChain || !signer->pasCertChain[0].pCert) return {};
  PCCERT_CONTEXT cert = signer->pasCertChain[0].pCert;
  DWORD n = CertGetNameStringW(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
  if (n <= 1) return {};
  std::wstring name(n, L'\0');
  n = CertGetNameStringW(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, &name[0], n);
  name.resize(n > 0 ? n - 1 : 0);
  return name;
}

// One verification with the given provider flags, its state closed again.
long Verify(const std::wstring& path, DWORD providerFlags, unsigned long* lastError, std::wstring* signer) {
  WINTRUST_FILE_INFO file = {};
  file.cbStruct = sizeof file;
  file.pcwszFilePath = path.c_str();
  WINTRUST_DATA data = {};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  data.dwProvFlags = providerFlags;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  LONG result = WinVerifyTrust(nullptr, &action, &data);
  if (lastError) *lastError = GetLastError();
  if (signer) *signer = SignerName(data.hWVTStateData);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  WinVerifyTrust(nullptr, &action, &data);
  return result;
}

}  // namespace

TrustResult VerifyFileTrust(const std::wstring& path, bool fullChain) {
  TrustResult r;
  r.result = Verify(path, WTD_HASH_ONLY_FLAG | WTD_REVOCATION_CHECK_END_CERT | WTD_NO_POLICY_USAGE_FLAG,
                    &r.lastError, &r.signer);
  if (fullChain)
    r.chainTrusted = Verify(path, WTD_REVOCATION_CHECK_END_CERT | WTD_NO_POLICY_USAGE_FLAG, nullptr, nullptr) == 0;
  return r;
}

}  // namespace sysops
}  // namespace platform
