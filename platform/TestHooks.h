// What only tests may change in the program: a faster clock for waits, an
// extra trusted CA, and the services' address. The answers come from one of
// two libraries, chosen per executable by its LUMEVIA_TEST_HOOKS property:
// lumevia_test_hooks_on (test programs and the stubs under tests/) reads the
// environment and the run options; lumevia_test_hooks_off (every shipped
// program) has none of that code, so no planted file or variable can change
// what a user's stub talks to or trusts.
#pragma once
#include <string>

namespace platform {
namespace hooks {

// LUMEVIA_TEST_CLOCK_RATE=N in the environment (1..100000): every WaitProcess
// and SleepMs lasts 1/N of its time. 1 when unset, not a number, or off.
unsigned ClockRate();

// LUMEVIA_TEST_CA_FILE in the environment: a CA file trusted instead of the
// system's store. Null when unset, empty, or off.
const char* TrustedCaFile();

// ServiceBase of the section Endpoints in the run options file at
// optionsPath ("http://127.0.0.1:8480"): the base every service address is
// sent to. Empty when the file or the key is missing, or off.
std::wstring ServiceBase(const std::wstring& optionsPath);

}  // namespace hooks
}  // namespace platform
