// The one rule for text from the maker's services that becomes part of a
// file name, folder, registry key or command line, and the one rule for the
// links the window opens. The services are not trusted to stay data.
#pragma once
#include <string>

namespace FuntionImpl {

// True when text can be one name inside a folder and nothing more: not
// empty; no path separator, drive colon, "..", quote, wildcard, redirection
// or control character; not a device name (CON, NUL, COM1... with any
// extension); no trailing dot or blank, which Windows drops, so two texts
// would name one file.
bool IsSafeName(const std::wstring& text);

// True for an absolute http or https address with a host; anything else
// (file:, a UNC path, a protocol handler) is never handed to the shell.
bool IsWebLink(const std::wstring& url);

}  // namespace FuntionImpl
