// The GA4 event query: fields in fixed order, each value percent-encoded.
#pragma once
#include <string>

#include "telemetry/RunFacts.h"

namespace telemetry {

// Longest query before encoding; longer values are cut (see BuildGa4Query).
constexpr size_t kGa4QueryMax = 4095;

// Copies 0-9 A-Z a-z ! ' ( ) * - . _ ~ and writes every other byte as "%xx"
// (lower-case hexadecimal). "&" and "=" inside a value are encoded too, so a
// value can never add or split a field.
std::string PercentEncodeValue(const std::string& value);

// The query after "?v=2&cid=<client id>". When the unencoded query would pass
// kGa4QueryMax bytes, the longest value is cut (at a UTF-8 character
// boundary, the label first among equals) until it fits; nothing is dropped.
std::string BuildGa4Query(const BaseFacts& base, const UserFacts& user, const std::string& category,
                          const std::string& action, const std::string& label);

}  // namespace telemetry
