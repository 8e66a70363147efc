// The process entry: guards against a second copy, sets up the toolkit,
// runs the main window and takes the process down in a fixed order.
#pragma once
#include <string>

namespace Startup {

// The "Downloader_id" label text found by a plain text search of the
// configuration entry (before any XML parsing); empty when not found.
std::string ExtractEarlyProductId(const std::string& configureXml);

// Runs the whole start-up; always answers 0.
int RunStub(const std::wstring& commandLine);

}  // namespace Startup
