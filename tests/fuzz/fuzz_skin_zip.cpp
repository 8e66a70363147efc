// The skin package reader over any bytes: the directory listed, every entry
// looked up and extracted.
#include <string>

#include "FuzzSupport.h"
#include "toolkit/SkinPackage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SkinUI::SkinPackage package;
  if (!package.Open(std::string(reinterpret_cast<const char*>(data), size))) {
    fuzz::Require(package.EntryNames().empty(), "a refused package has no entries");
    return 0;
  }
  for (const std::string& name : package.EntryNames()) {
    fuzz::Require(package.Contains(name), "every listed entry is found by its name");
    std::string bytes;
    package.Extract(name, bytes);
  }
  std::string bytes;
  package.Extract("configure/configure.xml", bytes);
  return 0;
}
