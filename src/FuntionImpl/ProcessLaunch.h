// Starting the installed program and checking a downloaded file's signature.
#pragma once
#include <string>
#include <vector>

namespace FuntionImpl {

// Starts mainCommand (a quoted path, possibly followed by arguments):
// directly when runDirect is not 0, else through Explorer (a quoted path
// only). subCommand, when longer than 6 characters, is started 2 s later the
// same way. 0 when the main program was started, -1 when not.
int StartTargetMainExe(const std::wstring& mainCommand, int runDirect, const std::wstring& subCommand);

// True only when the file carries an embedded signature that the system
// verifies, whose certificate table ends the file, and, when trusted
// publishers are configured, whose signer is one of them with a chain that
// verifies.
bool VerifyEmbeddedSignature(const std::wstring& filePath);
// The same against a given list of signer subjects (empty: any signer).
bool VerifyEmbeddedSignature(const std::wstring& filePath, const std::vector<std::wstring>& trustedPublishers);

// The signer subjects accepted (the build's LUMEVIA_TRUSTED_PUBLISHERS);
// empty: any signer whose hash verifies.
std::vector<std::wstring> TrustedPublishers();

}  // namespace FuntionImpl
