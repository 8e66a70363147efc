#include "package/SetupCommandLine.h"

#include <cstdlib>
#include <cwctype>

namespace demo {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

std::wstring Upper(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towupper(c));
  return s;
}

// "/NAME=value": true with the value when item starts with the prefix (any case).
bool TakeValue(const std::wstring& item, const std::wstring& upperPrefix, std::wstring& value) {
  if (item.size() < upperPrefix.size() || Upper(item.substr(0, upperPrefix.size())) != upperPrefix) return false;
  value = item.substr(upperPrefix.size());
  return true;
}

bool ParseUnsigned(const std::string& s, unsigned& out) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  out = static_cast<unsigned>(std::strtoul(s.c_str(), nullptr, 10));
  return true;
}

}  // namespace

std::vector<std::wstring> SplitSetupItems(const std::wstring& line) {
  std::vector<std::wstring> items;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) break;
    std::wstring item;
    bool quoted = false;
    for (; i < line.size() && (quoted || !IsBlank(line[i])); ++i) {
      if (line[i] == L'"')
        quoted = !quoted;
      else
        item += line[i];
    }
    items.push_back(item);
  }
  return items;
}

SetupOptions ParseSetupCommandLine(const std::wstring& line) {
  SetupOptions o;
  std::vector<std::wstring> items = SplitSetupItems(line);
  size_t i = 0;
  if (!items.empty() && (items[0].empty() || items[0][0] != L'/')) i = 1;
  for (; i < items.size(); ++i) {
    const std::wstring& item = items[i];
    const std::wstring upper = Upper(item);
    std::wstring value;
    if (upper == L"/VERYSILENT") {
      o.silent = o.verySilent = true;
    } else if (upper == L"/SILENT") {
      o.silent = true;
    } else if (upper == L"/NORESTART") {
      o.noRestart = true;
    } else if (upper == L"/SP-") {
      o.noStartupPrompt = true;
    } else if (upper == L"/LOG") {
      o.hasLog = true;
    } else if (upper == L"/SPTRACK") {
      // The tracking value is the next item, whatever it looks like.
      if (i + 1 < items.size()) {
        o.hasTracking = true;
        o.tracking = items[++i];
      }
    } else if (TakeValue(item, L"/DIR=", value)) {
      o.hasDir = true;
      o.dir = value;
    } else if (TakeValue(item, L"/LANG=", value)) {
      o.lang = value;
    } else if (TakeValue(item, L"/LOG=", value)) {
      o.hasLog = true;
      o.logFile = value;
    }
  }
  return o;
}

DemoBehaviour ParseDemoBehaviour(const std::string& text) {
  DemoBehaviour b;
  const size_t colon = text.find(':');
  const std::string word = text.substr(0, colon);
  const std::string arg = colon == std::string::npos ? std::string() : text.substr(colon + 1);
  unsigned n = 0;
  if (word == "crash" && colon == std::string::npos) {
    b.kind = DemoBehaviour::Kind::Crash;
  } else if (word == "hang" && colon == std::string::npos) {
    b.kind = DemoBehaviour::Kind::Hang;
  } else if (word == "long" && ParseUnsigned(arg, n)) {
    b.kind = DemoBehaviour::Kind::Long;
    b.value = n;
  } else if (word == "exit" && ParseUnsigned(arg, n)) {
    b.kind = DemoBehaviour::Kind::Exit;
    b.value = n;
  }
  return b;
}

}  // namespace demo
