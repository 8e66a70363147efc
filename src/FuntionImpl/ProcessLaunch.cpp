#include "FuntionImpl/ProcessLaunch.h"

#include <cstdint>
#include <cwchar>

#include "FuntionImpl/PeSignature.h"
#include "FuntionImpl/SystemInfo.h"
#include "log/Events.h"
#include "log/Log.h"
#include "platform/Platform.h"
#include "platform/UniqueHandle.h"

using platform::os;

namespace FuntionImpl {

namespace {

struct ProcessTraits {
  using Type = platform::ProcessHandle;
  static Type Invalid() { return 0; }
  static void Close(Type h) { os().CloseProcess(h); }
};
using OwnedProcess = platform::UniqueHandle<ProcessTraits>;

// A second program is named only when its command is longer than this (an
// empty path quoted is two characters).
constexpr size_t kShortestSubCommand = 6;
constexpr unsigned kSubProgramDelayMs = 2000;
constexpr intptr_t kShellSuccessAbove = 32;

void ReportStartError(const std::string& label) { events().event("Other", "StartWindowError", label); }

// The folder of a quoted command: after the opening quote up to and with the
// last backslash of the whole line (arguments included, as the product always did).
std::wstring WorkingDirectoryOf(const std::wstring& command) {
  size_t last = command.find_last_of(L'\\');
  if (last == std::wstring::npos || last < 1) return {};
  return command.substr(1, last);
}

bool StartDirect(const std::wstring& command, unsigned long& error) {
  platform::ProcessStart started = os().StartProcess(L"", command, WorkingDirectoryOf(command));
  OwnedProcess process(started.handle);  // not waited for
  error = started.error;
  return static_cast<bool>(process);
}

platform::ShellResult OpenWithExplorer(const std::wstring& command) {
  const std::wstring explorer = platform::ExplorerPath();
  if (explorer.empty()) return {2, 2};  // as the shell answers a missing file
  return os().ShellExec(L"open", explorer, L"/e, " + command);
}

// Trust provider answers (HRESULTs) named in the messages.
constexpr uint32_t kNoSignature = 0x800B0100;          // TRUST_E_NOSIGNATURE
constexpr uint32_t kSubjectFormUnknown = 0x800B0003;   // TRUST_E_SUBJECT_FORM_UNKNOWN
constexpr uint32_t kProviderUnknown = 0x800B0001;      // TRUST_E_PROVIDER_UNKNOWN
constexpr uint32_t kExplicitDistrust = 0x800B0111;     // TRUST_E_EXPLICIT_DISTRUST
constexpr uint32_t kSubjectNotTrusted = 0x800B0004;    // TRUST_E_SUBJECT_NOT_TRUSTED
constexpr uint32_t kSecuritySettings = 0x80092026;     // CRYPT_E_SECURITY_SETTINGS
constexpr size_t kMessageLimit = 255;

std::wstring TrustMessage(uint32_t result, uint32_t lastError, const std::wstring& path) {
  switch (result) {
    case 0: return L"The file \"" + path + L"\" is signed and the signature was verified.";
    case kNoSignature:
      if (lastError == kNoSignature || lastError == kSubjectFormUnknown || lastError == kProviderUnknown)
        return L"The file \"" + path + L"\" is not signed.";
      return L"An unknown error occurred trying to verify the signature of the \"" + path + L"\" file.";
    case kExplicitDistrust: return L"The signature is present, but specifically disallowed.";
    case kSubjectNotTrusted: return L"The signature is present, but not trusted.";
    case kSecuritySettings:
      return L"CRYPT_E_SECURITY_SETTINGS - The hash representing the subject or the publisher wasn't explicitly "
             L"trusted by the admin and admin policy has disabled user trust. No signature, publisher or timestamp "
             L"errors.";
    default: {
      wchar_t text[32];
      std::swprintf(text, sizeof text / sizeof text[0], L"Error is: 0x%x.", static_cast<unsigned>(result));
      return text;
    }
  }
}

// The system's check skips the certificate table and whatever follows it.
bool CertificateTableIsTheSignature(platform::FileHandle file) {
  PeCertificateTable table = FindCertificateTableInFile(file);
  if (table.status == PeCertificateTable::Status::EndsFile) return true;
  LOG(INFO) << " VerifyEmbeddedSignature refused: certificate table at " << table.offset << ", " << table.size
            << " bytes, file size " << table.fileSize << " (status " << static_cast<int>(table.status) << ")";
  return false;
}

bool SignerIsPublisher(const platform::TrustResult& trust, const std::vector<DistinguishedName>& publishers) {
  if (SubjectIsAnyPublisher(trust.signer, publishers)) return true;
  LOG(INFO) << " VerifyEmbeddedSignature refused: signer \"" << DescribeName(trust.signer) << "\" is "
            << (publishers.empty() ? "not checked, no publisher is configured" : "not a trusted publisher");
  return false;
}

}  // namespace

int StartTargetMainExe(const std::wstring& mainCommand, int runDirect, const std::wstring& subCommand) {
  LOG(INFO) << " [StartTargetMainExe]: " << runDirect << ", " << os().WideToAnsi(mainCommand) << ", "
            << os().WideToAnsi(subCommand);
  const bool withSub = subCommand.size() > kShortestSubCommand;
  if (runDirect != 0) {
    unsigned long error = 0;
    if (!StartDirect(mainCommand, error)) {
      LOG(INFO) << "CreateProcess failed3 (" << error << ")";
      ReportStartError(std::to_string(error));
      return -1;
    }
    if (withSub) {
      os().SleepMs(kSubProgramDelayMs);
      StartDirect(subCommand, error);  // the product runs without it
    }
    return 0;
  }

  // Through Explorer: the program then runs as the desktop user.
  const std::wstring path = mainCommand.size() >= 2 ? mainCommand.substr(1, mainCommand.size() - 2) : L"";
  if (!os().FileExists(path)) {
    LOG(INFO) << " CreateProcess failed1 (" << 2 << ")";
    ReportStartError("2");
    return -1;
  }
  // The shell's own answer decides; the thread's last error may be stale.
  platform::ShellResult shell = OpenWithExplorer(mainCommand);
  if (shell.code <= kShellSuccessAbove) {
    const std::string label =
        shell.lastError != 0 ? std::to_string(shell.lastError) : std::to_string(static_cast<long long>(shell.code));
    LOG(INFO) << " CreateProcess failed2 (" << label << ")";
    ReportStartError(label);
    return -1;
  }
  if (withSub) {
    os().SleepMs(kSubProgramDelayMs);
    OpenWithExplorer(subCommand);
  }
  return 0;
}

bool VerifyEmbeddedSignature(platform::FileHandle file, const std::wstring& filePath,
                             const std::vector<DistinguishedName>& publishers) {
  if (!file) {
    LOG(INFO) << " VerifyEmbeddedSignature refused: " << os().WideToAnsi(filePath) << " could not be held for the check";
    return false;
  }
  platform::TrustResult trust = os().VerifyFileTrust(file, filePath);
  const uint32_t result = static_cast<uint32_t>(trust.result);
  std::wstring message = TrustMessage(result, static_cast<uint32_t>(trust.lastError), filePath);
  if (message.size() > kMessageLimit) message.resize(kMessageLimit);
  LOG(INFO) << " VerifyEmbeddedSignature result is " << static_cast<int32_t>(result) << ", "
            << os().WideToAnsi(message);
  if (result != 0) return false;
  if (trust.revocationUnknown) LOG(INFO) << " VerifyEmbeddedSignature: revocation state unknown (offline), not held against it";
  return CertificateTableIsTheSignature(file) && SignerIsPublisher(trust, publishers);
}

}  // namespace FuntionImpl
