// The identifiers the reports carry, built from the machine's facts.
#pragma once
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "weblog/MachineInfo.h"

namespace weblog {

// The adapter whose MAC the reports carry: the one of the best interface to
// 8.8.8.8, else the first physical-looking one; null when none qualifies.
const AdapterInfo* ChooseAdapter(const std::vector<AdapterInfo>& adapters, bool haveBest, uint32_t bestIndex);
// Twelve uppercase hexadecimal digits; empty without an adapter.
std::string MacText(IMachineInfo& info);
// Volume serial ("%X") followed by the MAC text.
std::string ClientId(IMachineInfo& info);
// MD5 of the Windows volume GUID text; empty when there is none.
std::string MachineId(IMachineInfo& info);
// 32 hexadecimal digits of a new GUID; empty when none can be made.
std::string MakeSessionId(IMachineInfo& info);
// The system's name by its true version numbers.
std::string OsNameFor(const platform::OsVersion& nt, const platform::OsVersion& legacy);
// The name followed by " x64" or " x32".
std::string OsVersionText();

}  // namespace weblog
