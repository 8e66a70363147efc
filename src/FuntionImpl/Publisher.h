// The publishers whose signatures the stub accepts, named in the product
// configuration as distinguished names ("CN=Lumevia Ltd, O=Lumevia Ltd,
// C=DE", several separated by ";"), and the one rule that matches a
// signer's subject against them.
#pragma once
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace FuntionImpl {

using DistinguishedName = std::vector<platform::NameAttribute>;

// One name: attributes "TYPE=value" separated by "," (or "+" inside one
// part); TYPE is a short name (CN, O, OU, L, S or ST, C, E, STREET,
// SERIALNUMBER, DC, ...) or a dotted object identifier; a value may be
// quoted ("O=\"Lumevia, Ltd\"") or escape a character with "\" ("\," "\;"
// "\5C"). False, with out empty, when the text is not such a name.
bool ParseDistinguishedName(const std::wstring& text, DistinguishedName& out);

// The names of a ";"-separated list, in order. A name that does not parse is
// left out and its text added to refused (when given).
std::vector<DistinguishedName> ParsePublishers(const std::wstring& text, std::vector<std::wstring>* refused = nullptr);

// True when every attribute the publisher's name gives is among the
// subject's: the same type and the same text, ASCII letters compared without
// regard to case, leading, trailing and repeated blanks ignored. The subject
// may carry more attributes; a name without attributes matches nothing.
bool SubjectIsPublisher(const DistinguishedName& subject, const DistinguishedName& publisher);
bool SubjectIsAnyPublisher(const DistinguishedName& subject, const std::vector<DistinguishedName>& publishers);

// "CN=Lumevia Ltd, 2.5.4.97=X" for the log (short names where known).
std::string DescribeName(const DistinguishedName& name);

}  // namespace FuntionImpl
