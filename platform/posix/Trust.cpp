// The embedded Authenticode signature, checked by osslsigncode. Its answer is
// turned into the trust provider's numbers: 0 when the signed digest matches
// the file, TRUST_E_NOSIGNATURE for a program without a signature,
// TRUST_E_SUBJECT_FORM_UNKNOWN for a file that is no program,
// TRUST_E_BAD_DIGEST when the file changed after signing. The
// trusted roots of this stand-in are <root>/trust/roots.pem.
#include <sys/stat.h>

#include <cstdlib>
#include <sstream>

#include "platform/Utf.h"
#include "platform/SystemOps.h"
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

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return {};
  size_t b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

// The value after "label:" on the first line that starts with label.
bool FieldAfter(const std::string& output, const std::string& label, std::string& value) {
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    std::string t = Trim(line);
    if (t.compare(0, label.size(), label) != 0) continue;
    size_t colon = t.find(':', label.size());
    if (colon == std::string::npos) continue;
    value = Trim(t.substr(colon + 1));
    return true;
  }
  return false;
}

// OpenSSL's one-line names escape bytes outside ASCII as \xHH.
std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
      char* end = nullptr;
      std::string hex = s.substr(i + 2, 2);
      long byte = std::strtol(hex.c_str(), &end, 16);
      if (end && *end == '\0' && hex.size() == 2) {
        out += static_cast<char>(byte);
        i += 3;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

// The simple display name of "/CN=Name/O=Maker": the common name, else the
// organisation, else the whole subject.
std::wstring SimpleName(const std::string& subject) {
  std::string org;
  size_t at = 0;
  while (at < subject.size()) {
    size_t next = subject.find('/', at + 1);
    std::string part = subject.substr(at, next == std::string::npos ? std::string::npos : next - at);
    if (!part.empty() && part[0] == '/') part.erase(0, 1);
    if (part.compare(0, 3, "CN=") == 0) return WideFromUtf8(Unescape(part.substr(3)));
    if (part.compare(0, 2, "O=") == 0 && org.empty()) org = part.substr(2);
    if (next == std::string::npos) break;
    at = next;
  }
  return WideFromUtf8(Unescape(org.empty() ? subject : org));
}

// The signer's subject: the "Subject:" line after "Signer's certificate:".
std::string SignerSubject(const std::string& output) {
  size_t section = output.find("Signer's certificate:");
  if (section == std::string::npos) return {};
  std::string subject;
  return FieldAfter(output.substr(section), "Subject", subject) ? subject : std::string();
}

}  // namespace

TrustResult VerifyFileTrust(const std::wstring& path, bool fullChain) {
  TrustResult r;
  std::vector<std::string> argv = {"osslsigncode", "verify"};
  std::string roots = Root() + "/trust/roots.pem";
  struct stat st;
  bool haveRoots = stat(roots.c_str(), &st) == 0;
  if (haveRoots) argv.insert(argv.end(), {"-CAfile", roots});
  argv.insert(argv.end(), {"-in", PosixPath(path)});

  std::string output;
  int status = -1;
  if (!RunCaptured(argv, output, status)) {
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
    r.result = current == calculated ? 0 : kBadDigest;
  } else if (output.find("No signature found") != std::string::npos) {
    r.result = kNoSignature;
  } else if (output.find("unsupported input file type") != std::string::npos) {
    r.result = kFormUnknown;
  } else {
    r.result = kNotTrusted;
  }
  r.lastError = static_cast<unsigned long>(r.result);
  r.signer = SimpleName(SignerSubject(output));
  r.chainTrusted = fullChain && haveRoots && r.result == 0 && status == 0 &&
                   output.find("Signature verification: ok") != std::string::npos;
  return r;
}

}  // namespace sysops
}  // namespace platform
