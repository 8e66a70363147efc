// Pieces of the POSIX stand-ins shared between their source files.
#pragma once
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace platform {
namespace posix {

// The folder that holds the stand-ins' state (LUMEVIA_POSIX_ROOT).
std::string Root();
// A path with "\" turned into "/".
std::string PosixPath(const std::wstring& w);
bool MakeDirs(const std::string& path);
// The descriptor behind a FileHandle of this stand-in (-1 for none).
inline int FdOf(FileHandle h) { return h == 0 ? -1 : static_cast<int>(h - 1); }
// Replaces a file's content whole: written beside it, then renamed.
bool ReplaceFile(const std::string& path, const std::string& data);

// Runs argv[0] (looked up in PATH) with standard output and error captured
// together; false when it could not be started.
bool RunCaptured(const std::vector<std::string>& argv, std::string& output, int& exitStatus);
// The program a Windows command line names: its first item, quoted or up to
// the first blank (CreateProcess's rule, no escapes).
std::wstring FirstCommandLineItem(const std::wstring& commandLine);

}  // namespace posix
}  // namespace platform
