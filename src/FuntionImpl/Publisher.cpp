#include "FuntionImpl/Publisher.h"

#include <algorithm>
#include <cctype>

#include "platform/Utf.h"

namespace FuntionImpl {

namespace {

struct AttributeType {
  const char* name;  // upper case
  const char* oid;
};

// Short names as Windows and OpenSSL print them; the first of an object
// identifier is the one the log shows.
const AttributeType kTypes[] = {
    {"CN", "2.5.4.3"},
    {"SN", "2.5.4.4"},
    {"SURNAME", "2.5.4.4"},
    {"SERIALNUMBER", "2.5.4.5"},
    {"C", "2.5.4.6"},
    {"L", "2.5.4.7"},
    {"S", "2.5.4.8"},
    {"ST", "2.5.4.8"},
    {"STREET", "2.5.4.9"},
    {"O", "2.5.4.10"},
    {"OU", "2.5.4.11"},
    {"T", "2.5.4.12"},
    {"TITLE", "2.5.4.12"},
    {"BUSINESSCATEGORY", "2.5.4.15"},
    {"POSTALCODE", "2.5.4.17"},
    {"G", "2.5.4.42"},
    {"GIVENNAME", "2.5.4.42"},
    {"E", "1.2.840.113549.1.9.1"},
    {"EMAIL", "1.2.840.113549.1.9.1"},
    {"EMAILADDRESS", "1.2.840.113549.1.9.1"},
    {"DC", "0.9.2342.19200300.100.1.25"},
    {"JURISDICTIONC", "1.3.6.1.4.1.311.60.2.1.3"},
    {"JURISDICTIONST", "1.3.6.1.4.1.311.60.2.1.2"},
    {"JURISDICTIONL", "1.3.6.1.4.1.311.60.2.1.1"},
};

bool IsDottedOid(const std::string& s) {
  if (s.empty() || s.front() == '.' || s.back() == '.' || s.find("..") != std::string::npos) return false;
  return s.find_first_not_of("0123456789.") == std::string::npos && s.find('.') != std::string::npos;
}

// The object identifier of a type name; empty when unknown.
std::string OidOf(std::string type) {
  for (char& c : type) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (type.compare(0, 4, "OID.") == 0) type.erase(0, 4);
  if (IsDottedOid(type)) return type;
  for (const AttributeType& t : kTypes)
    if (type == t.name) return t.oid;
  return {};
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Reads one value from text[i] on, up to an unescaped "," or "+" (or the
// end), as UTF-8: "\XX" is one byte of it, "\c" the character c.
bool ReadValue(const std::wstring& text, size_t& i, std::string& value) {
  value.clear();
  while (i < text.size() && IsBlank(text[i])) ++i;
  const bool quoted = i < text.size() && text[i] == L'"';
  if (quoted) ++i;
  size_t keptUpTo = 0;  // escaped characters survive the trimming of blanks
  bool closed = false;
  for (; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (quoted && c == L'"') {
      ++i;
      keptUpTo = value.size();
      closed = true;
      break;
    }
    if (!quoted && (c == L',' || c == L'+')) break;
    if (!quoted && c == L'"') return false;
    if (c == L'\\') {
      if (i + 1 >= text.size()) return false;
      if (i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
        value += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
        i += 2;
      } else {
        value += platform::Utf8FromWide(std::wstring(1, text[++i]));
      }
      keptUpTo = value.size();
      continue;
    }
    value += platform::Utf8FromWide(std::wstring(1, c));
    if (!IsBlank(c)) keptUpTo = value.size();
  }
  if (quoted && !closed) return false;
  value.resize(keptUpTo);
  while (i < text.size() && IsBlank(text[i])) ++i;
  return true;
}

// The text as compared: ASCII letters in lower case, blanks at the ends
// dropped and runs of blanks inside made one space.
std::string Normalized(const std::wstring& value) {
  std::string in = platform::ToLowerAscii(platform::Utf8FromWide(value)), out;
  bool blank = false;
  for (char c : in) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

}  // namespace

bool ParseDistinguishedName(const std::wstring& text, DistinguishedName& out) {
  out.clear();
  size_t i = 0;
  for (;;) {
    size_t eq = text.find(L'=', i);
    if (eq == std::wstring::npos) break;
    std::wstring type = text.substr(i, eq - i);
    type.erase(type.begin(), std::find_if(type.begin(), type.end(), [](wchar_t c) { return !IsBlank(c); }));
    while (!type.empty() && IsBlank(type.back())) type.pop_back();
    const std::string oid = OidOf(platform::Utf8FromWide(type));
    i = eq + 1;
    std::string value;
    if (oid.empty() || !ReadValue(text, i, value) || value.empty()) break;
    out.push_back({oid, platform::WideFromUtf8(value)});
    if (i == text.size()) return true;
    if (text[i] != L',' && text[i] != L'+') break;
    ++i;
  }
  out.clear();
  return false;
}

std::vector<DistinguishedName> ParsePublishers(const std::wstring& text, std::vector<std::wstring>* refused) {
  std::vector<DistinguishedName> names;
  std::wstring piece;
  bool quoted = false;
  auto finish = [&] {
    if (piece.find_first_not_of(L" \t\r\n") != std::wstring::npos) {
      DistinguishedName name;
      if (ParseDistinguishedName(piece, name))
        names.push_back(name);
      else if (refused)
        refused->push_back(piece);
    }
    piece.clear();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'\\' && i + 1 < text.size()) {
      piece += text.substr(i, 2);
      ++i;
      continue;
    }
    if (c == L'"') quoted = !quoted;
    if (c == L';' && !quoted) {
      finish();
      continue;
    }
    piece += c;
  }
  finish();
  return names;
}

bool SubjectIsPublisher(const DistinguishedName& subject, const DistinguishedName& publisher) {
  if (publisher.empty()) return false;
  for (const platform::NameAttribute& want : publisher) {
    const std::string value = Normalized(want.value);
    const bool found = std::any_of(subject.begin(), subject.end(), [&](const platform::NameAttribute& have) {
      return have.oid == want.oid && Normalized(have.value) == value;
    });
    if (!found) return false;
  }
  return true;
}

bool SubjectIsAnyPublisher(const DistinguishedName& subject, const std::vector<DistinguishedName>& publishers) {
  return std::any_of(publishers.begin(), publishers.end(),
                     [&](const DistinguishedName& p) { return SubjectIsPublisher(subject, p); });
}

std::string DescribeName(const DistinguishedName& name) {
  std::string text;
  for (const platform::NameAttribute& a : name) {
    if (!text.empty()) text += ", ";
    const AttributeType* known = std::find_if(std::begin(kTypes), std::end(kTypes),
                                              [&](const AttributeType& t) { return a.oid == t.oid; });
    text += (known != std::end(kTypes) ? std::string(known->name) : a.oid) + "=" + platform::Utf8FromWide(a.value);
  }
  return text;
}

}  // namespace FuntionImpl
