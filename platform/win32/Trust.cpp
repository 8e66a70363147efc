// The embedded Authenticode signature, judged by WinVerifyTrust with the
// generic policy in full: hash, chain to a trusted root, code-signing use and
// revocation of the chain but its root. Revocation is learnt where it can
// be; a machine that cannot reach the revocation servers is not refused for
// that alone.
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

// The revocation state could not be learnt (offline, no revocation
// information); nothing is said about the rest of the policy.
bool RevocationUnknown(LONG result) {
  const DWORD r = static_cast<DWORD>(result);
  return r == static_cast<DWORD>(CRYPT_E_REVOCATION_OFFLINE) || r == static_cast<DWORD>(CRYPT_E_NO_REVOCATION_CHECK) ||
         r == static_cast<DWORD>(CERT_E_REVOCATION_FAILURE);
}

// The subject of a certificate as (object identifier, text) pairs in order;
// values that are not text are left out (they cannot equal a named one).
std::vector<NameAttribute> SubjectOf(PCCERT_CONTEXT cert) {
  std::vector<NameAttribute> out;
  CERT_NAME_INFO* info = nullptr;
  DWORD size = 0;
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_NAME, cert->pCertInfo->Subject.pbData,
                           cert->pCertInfo->Subject.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &info, &size))
    return out;
  for (DWORD i = 0; i < info->cRDN; ++i) {
    for (DWORD j = 0; j < info->rgRDN[i].cRDNAttr; ++j) {
      CERT_RDN_ATTR& a = info->rgRDN[i].rgRDNAttr[j];
      if (!a.pszObjId || a.dwValueType == CERT_RDN_ENCODED_BLOB || a.dwValueType == CERT_RDN_OCTET_STRING) continue;
      DWORD n = CertRDNValueToStrW(a.dwValueType, &a.Value, nullptr, 0);
      std::wstring text(n, L'\0');
      if (n > 0) n = CertRDNValueToStrW(a.dwValueType, &a.Value, &text[0], n);
      text.resize(n > 0 ? n - 1 : 0);
      out.push_back({a.pszObjId, text});
    }
  }
  LocalFree(info);
  return out;
}

// The first signer's certificate subject; the state of a verification must
// still be open.
std::vector<NameAttribute> SignerOf(HANDLE state) {
  CRYPT_PROVIDER_DATA* data = state ? WTHelperProvDataFromStateData(state) : nullptr;
  CRYPT_PROVIDER_SGNR* signer = data ? WTHelperGetProvSignerFromChain(data, 0, FALSE, 0) : nullptr;
  if (!signer || signer->csCertChain == 0 || !signer->pasCertChain || !signer->pasCertChain[0].pCert) return {};
  return SubjectOf(signer->pasCertChain[0].pCert);
}

// One verification through the open file, its state closed again.
LONG Verify(HANDLE file, const std::wstring& path, DWORD revocation, DWORD providerFlags, TrustResult* out) {
  WINTRUST_FILE_INFO info = {};
  info.cbStruct = sizeof info;
  info.pcwszFilePath = path.c_str();
  info.hFile = file;
  WINTRUST_DATA data = {};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = revocation;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &info;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  data.dwProvFlags = providerFlags;
  data.dwUIContext = WTD_UICONTEXT_EXECUTE;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  LONG result = WinVerifyTrust(nullptr, &action, &data);
  if (out) {
    out->lastError = GetLastError();
    out->signer = SignerOf(data.hWVTStateData);
  }
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  WinVerifyTrust(nullptr, &action, &data);
  return result;
}

}  // namespace

TrustResult VerifyFileTrust(FileHandle file, const std::wstring& path) {
  TrustResult r;
  HANDLE h = reinterpret_cast<HANDLE>(file);
  r.result = Verify(h, path, WTD_REVOKE_WHOLECHAIN, WTD_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT, &r);
  if (RevocationUnknown(r.result)) {
    // Only the revocation answer is let go: everything else must hold.
    const LONG rest = Verify(h, path, WTD_REVOKE_NONE, WTD_REVOCATION_CHECK_NONE, nullptr);
    r.revocationUnknown = rest == 0;
    r.result = rest;
  }
  return r;
}

}  // namespace sysops
}  // namespace platform
