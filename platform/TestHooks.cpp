// Compiled twice: with LUMEVIA_TEST_HOOKS=1 for test programs, with 0 for
// the shipped ones (platform/CMakeLists.txt).
#include "platform/TestHooks.h"

#if LUMEVIA_TEST_HOOKS
#include <cstdlib>

#include "platform/Platform.h"
#endif

namespace platform {
namespace hooks {

#if LUMEVIA_TEST_HOOKS

unsigned ClockRate() {
  static const unsigned rate = [] {
    const char* text = std::getenv("LUMEVIA_TEST_CLOCK_RATE");
    if (!text || !*text) return 1u;
    char* end = nullptr;
    unsigned long n = std::strtoul(text, &end, 10);
    return (*end == '\0' && n >= 1 && n <= 100000) ? static_cast<unsigned>(n) : 1u;
  }();
  return rate;
}

const char* TrustedCaFile() {
  const char* file = std::getenv("LUMEVIA_TEST_CA_FILE");
  return file && *file ? file : nullptr;
}

std::wstring ServiceBase(const std::wstring& optionsPath) {
  Os& o = os();
  if (!o.FileExists(optionsPath)) return {};
  return o.ProfileString(optionsPath, L"Endpoints", L"ServiceBase", L"");
}

#else

unsigned ClockRate() { return 1; }
const char* TrustedCaFile() { return nullptr; }
std::wstring ServiceBase(const std::wstring&) { return {}; }

#endif

}  // namespace hooks
}  // namespace platform
