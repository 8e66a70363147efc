// A child for the process tests. It reads its raw command line the way an
// installer does (blanks separate, quotes group, no backslash escapes),
// writes that line and its current folder to the file named by /OUT=, then
// sleeps /SLEEP= milliseconds and exits with /EXIT= or crashes for /CRASH.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "child_probe.h"

namespace {

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> items;
  std::string cur;
  bool quoted = false, any = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (any) items.push_back(cur);
      cur.clear();
      any = false;
    } else {
      cur += c;
      any = true;
    }
  }
  if (any) items.push_back(cur);
  return items;
}

bool Value(const std::string& item, const char* key, std::string& value) {
  std::string k = key;
  if (item.size() < k.size()) return false;
  for (size_t i = 0; i < k.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(item[i])) != k[i]) return false;
  value = item.substr(k.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string line = RawCommandLine(argc, argv);
  std::vector<std::string> items = Split(line);
  std::string out, sleep, exitCode, v;
  bool crash = false;
  for (size_t i = 1; i < items.size(); ++i) {
    if (Value(items[i], "/OUT=", v)) out = v;
    else if (Value(items[i], "/SLEEP=", v)) sleep = v;
    else if (Value(items[i], "/EXIT=", v)) exitCode = v;
    else if (Value(items[i], "/CRASH", v)) crash = true;
  }
  if (!out.empty()) {
    // Written aside and renamed, so a watcher never reads half of it.
    std::string tmp = out + ".part";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return 90;
    std::fprintf(f, "%s\n%s\n", line.c_str(), CurrentFolder().c_str());
    std::fclose(f);
    std::remove(out.c_str());
    if (std::rename(tmp.c_str(), out.c_str()) != 0) return 91;
  }
  if (!sleep.empty()) SleepFor(static_cast<unsigned>(std::strtoul(sleep.c_str(), nullptr, 10)));
  if (crash) Crash();
  return exitCode.empty() ? 0 : std::atoi(exitCode.c_str());
}
