// The embedded Authenticode signature, checked by osslsigncode against the
// trusted roots of this stand-in, <root>/trust/roots.pem (none there: no
// chain verifies). Its answer is turned into the trust provider's numbers:
// 0 when the signed digest matches the file and the signer's chain reaches a
// trusted root with the code-signing use; TRUST_E_NOSIGNATURE for a program
// without a signature, TRUST_E_SUBJECT_FORM_UNKNOWN for a file that is no
// program, TRUST_E_BAD_DIGEST when the file changed after signing,
// CERT_E_WRONG_USAGE, CERT_E_EXPIRED or CERT_E_UNTRUSTEDROOT for a chain
// that does not hold. Revocation is not checked here. The signer's subject
// comes from its certificate in the signature, through openssl.
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <sstream>

#include "platform/SystemOps.h"
#include "platform/Utf.h"
#include "platform/posix/PosixSupport.h"

namespace platform {
namespace sysops {

using namespace posix;

namespace {

const long kNoSignature = static_cast<long>(0x800B0100L);      // TRUST_E_NOSIGNATURE
const long kFormUnknown = static_cast<long>(0x800B0003L);      // TRUST_E_SUBJECT_FORM_UNKNOWN
const long kBadDigest = static_cast<long>(0x80096010L);        // TRUST_E_BAD_DIGEST
const long kProviderUnknown = static_cast<long>(0x800B0001L);  // TRUST_E_PROVIDER_UNKNOWN
const long kNotTrusted = static_cast<long>(0x800B0004L);       // TRUST_E_SUBJECT_NOT_TRUSTED
const long kWrongUsage = static_cast<long>(0x800B0110L);       // CERT_E_WRONG_USAGE
const long kExpired = static_cast<long>(0x800B0101L);          // CERT_E_EXPIRED
const long kUntrustedRoot = static_cast<long>(0x800B0109L);    // CERT_E_UNTRUSTEDROOT

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return {};
  size_t b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

// The value after "label:" (or "label=") on the first line that starts with label.
bool FieldAfter(const std::string& output, const std::string& label, std::string& value, char sep = ':') {
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    std::string t = Trim(line);
    if (t.compare(0, label.size(), label) != 0) continue;
    size_t colon = t.find(sep, label.size());
    if (colon == std::string::npos || Trim(t.substr(label.size(), colon - label.size())) != "") continue;
    value = Trim(t.substr(colon + 1));
    return true;
  }
  return false;
}

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One value as openssl's RFC 2253 escaping printed it: "\," "\\" and "\0A".
std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 >= s.size()) {
      out += s[i];
      continue;
    }
    if (i + 2 < s.size() && HexDigit(s[i + 1]) >= 0 && HexDigit(s[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(s[i + 1]) * 16 + HexDigit(s[i + 2]));
      i += 2;
    } else {
      out += s[++i];
    }
  }
  return out;
}

// "subject=" followed by one line per name part, "    2.5.4.11=Ab + 2.5.4.3=Name"
// (openssl -nameopt sep_multiline,oid,utf8,esc_2253,esc_ctrl).
std::vector<NameAttribute> ParseSubjectLines(const std::string& text) {
  std::vector<NameAttribute> out;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.compare(0, 4, "    ") != 0) continue;
    line = line.substr(4);
    // The values of one part are joined by an unescaped " + ".
    std::vector<std::string> items(1);
    for (size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) {
        items.back() += line.substr(i, 2);
        ++i;
      } else if (line[i] == '+') {
        items.emplace_back();
      } else {
        items.back() += line[i];
      }
    }
    for (std::string item : items) {
      if (!item.empty() && item.front() == ' ') item.erase(0, 1);
      if (!item.empty() && item.back() == ' ' && (item.size() < 2 || item[item.size() - 2] != '\\')) item.pop_back();
      size_t eq = item.find('=');
      if (eq == std::string::npos) continue;
      out.push_back({item.substr(0, eq), WideFromUtf8(Unescape(item.substr(eq + 1)))});
    }
  }
  return out;
}

// A folder of its own for the few files the subject needs, removed after.
class ScratchDir {
 public:
  ScratchDir() {
    const char* t = std::getenv("TMPDIR");
    std::string pattern = std::string(t && *t ? t : "/tmp") + "/lumevia-trust-XXXXXX";
    if (mkdtemp(&pattern[0])) path_ = pattern;
  }
  ~ScratchDir() {
    if (path_.empty()) return;
    for (const std::string& f : files_) unlink(f.c_str());
    rmdir(path_.c_str());
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  bool ok() const { return !path_.empty(); }
  std::string file(const std::string& name) {
    files_.push_back(path_ + "/" + name);
    return files_.back();
  }

 private:
  std::string path_;
  std::vector<std::string> files_;
};

bool Run(const std::vector<std::string>& argv, std::string& output) {
  int status = -1;
  return RunCaptured(argv, output, status) && status == 0;
}

// The subject of the signer osslsigncode named (by subject, issuer and serial
// number), read from its certificate in the signature. Empty unless exactly
// one certificate there is that signer.
std::vector<NameAttribute> SignerSubject(const std::string& target, const std::string& verifyOutput) {
  size_t section = verifyOutput.find("Signer's certificate:");
  if (section == std::string::npos) return {};
  const std::string signer = verifyOutput.substr(section);
  std::string subject, issuer, serial;
  if (!FieldAfter(signer, "Subject", subject) || !FieldAfter(signer, "Issuer", issuer) ||
      !FieldAfter(signer, "Serial", serial))
    return {};

  ScratchDir dir;
  if (!dir.ok()) return {};
  const std::string der = dir.file("signature.der");
  std::string certs;
  if (!Run({"osslsigncode", "extract-signature", "-in", target, "-out", der}, certs) ||
      !Run({"openssl", "pkcs7", "-inform", "DER", "-in", der, "-print_certs"}, certs))
    return {};
  const std::string begin = "-----BEGIN CERTIFICATE-----", end = "-----END CERTIFICATE-----";
  std::string match;
  int matches = 0;
  for (size_t at = certs.find(begin); at != std::string::npos; at = certs.find(begin, at + 1)) {
    size_t stop = certs.find(end, at);
    if (stop == std::string::npos) break;
    const std::string pem = dir.file("cert" + std::to_string(at) + ".pem");
    if (!ReplaceFile(pem, certs.substr(at, stop + end.size() - at) + "\n")) return {};
    std::string names, s, i, n;
    if (!Run({"openssl", "x509", "-in", pem, "-noout", "-serial", "-issuer", "-subject", "-nameopt", "compat"}, names))
      continue;
    if (FieldAfter(names, "serial", n, '=') && FieldAfter(names, "issuer", i, '=') &&
        FieldAfter(names, "subject", s, '=') && SameText(n, serial) && i == issuer && s == subject) {
      ++matches;
      match = pem;
    }
  }
  std::string multiline;
  if (matches != 1 || !Run({"openssl", "x509", "-in", match, "-noout", "-subject", "-nameopt",
                            "sep_multiline,oid,utf8,esc_2253,esc_ctrl"},
                           multiline))
    return {};
  return ParseSubjectLines(multiline);
}

long ChainFailure(const std::string& output) {
  if (output.find("certificate purpose") != std::string::npos) return kWrongUsage;
  if (output.find("certificate has expired") != std::string::npos ||
      output.find("certificate is not yet valid") != std::string::npos)
    return kExpired;
  return kUntrustedRoot;
}

}  // namespace

TrustResult VerifyFileTrust(FileHandle file, const std::wstring& path) {
  TrustResult r;
  // Through the open file itself, whatever its path names by now.
  const std::string target = file ? "/proc/" + std::to_string(getpid()) + "/fd/" + std::to_string(FdOf(file))
                                  : PosixPath(path);
  std::string roots = Root() + "/trust/roots.pem";
  struct stat st;
  if (stat(roots.c_str(), &st) != 0) roots = "/dev/null";
  std::string output;
  int status = -1;
  if (!RunCaptured({"osslsigncode", "verify", "-CAfile", roots, "-in", target}, output, status)) {
    r.result = kProviderUnknown;
    r.lastError = static_cast<unsigned long>(kProviderUnknown);
    return r;
  }
  std::string current, calculated;
  bool digests = FieldAfter(output, "Current message digest", current) &&
                 FieldAfter(output, "Calculated message digest", calculated);
  if (digests) {
    // A mismatch is marked after the digest ("MISMATCH!!!"): compare the hex only.
    current = current.substr(0, current.find(' '));
    calculated = calculated.substr(0, calculated.find(' '));
    if (current != calculated)
      r.result = kBadDigest;
    else if (status == 0 && output.find("Signature verification: ok") != std::string::npos)
      r.result = 0;
    else
      r.result = ChainFailure(output);
    r.signer = SignerSubject(target, output);
  } else if (output.find("No signature found") != std::string::npos) {
    r.result = kNoSignature;
  } else if (output.find("unsupported input file type") != std::string::npos) {
    r.result = kFormUnknown;
  } else {
    r.result = kNotTrusted;
  }
  r.lastError = static_cast<unsigned long>(r.result);
  return r;
}

}  // namespace sysops
}  // namespace platform
