// Shared pieces of the fuzz targets: a quiet log, input split into files,
// and the entry point every target defines (this file's source is part of
// every target and sets the log up before the first input).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace fuzz {

// Turns the log off: a target runs millions of times and its lines are noise.
void QuietLog();

// Several files in one input: the first is named firstName, each later one
// starts with a line "#file <name>". Names and contents are taken as they are.
std::vector<std::pair<std::string, std::string>> SplitFiles(const std::string& input, const std::string& firstName);

// Stops the run as a finding when an invariant of the code under test fails.
void Require(bool ok, const char* what);

}  // namespace fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
