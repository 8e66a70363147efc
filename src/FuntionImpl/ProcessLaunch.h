// Starting the installed program and checking a downloaded file's signature.
#pragma once
#include <string>
#include <vector>

#include "FuntionImpl/Publisher.h"
#include "platform/Platform.h"

namespace FuntionImpl {

// Starts mainCommand (a quoted path, possibly followed by arguments):
// directly when runDirect is not 0, else through Explorer (a quoted path
// only). subCommand, when longer than 6 characters, is started 2 s later the
// same way. 0 when the main program was started, -1 when not.
int StartTargetMainExe(const std::wstring& mainCommand, int runDirect, const std::wstring& subCommand);

// True only when the file held open as `file` (OpenFileForCheck) carries an
// embedded signature the system trusts under the full Authenticode policy,
// its certificate table holds that one signature and ends the file, and its
// signer is one of the publishers. No publisher named: nothing passes.
bool VerifyEmbeddedSignature(platform::FileHandle file, const std::wstring& filePath,
                             const std::vector<DistinguishedName>& publishers);

}  // namespace FuntionImpl
