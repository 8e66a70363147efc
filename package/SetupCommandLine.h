// The command line of the demo installer, read the way a real silent
// installer reads its own: items separated by blanks, double quotes group
// blanks and are dropped, and a backslash is an ordinary character (so
// /DIR="C:\x\" ends at the quote and the folder keeps its backslash).
#pragma once
#include <string>
#include <vector>

namespace demo {

// The items of a raw command line, quotes removed.
std::vector<std::wstring> SplitSetupItems(const std::wstring& line);

struct SetupOptions {
  bool silent = false;       // /SILENT or /VERYSILENT
  bool verySilent = false;
  bool noRestart = false;
  bool noStartupPrompt = false;  // /SP-
  bool hasDir = false;
  std::wstring dir;          // as given, trailing separator kept
  std::wstring lang;         // empty when not given
  bool hasLog = false;       // /LOG alone or /LOG=file
  std::wstring logFile;      // empty: /LOG without a file
  bool hasTracking = false;
  std::wstring tracking;     // the item after /sptrack
};

// Switch names match without regard to case; unknown items are ignored. A
// first item that is not a switch names the program (GetCommandLineW gives
// it; a caller that passes only switches leaves it out).
SetupOptions ParseSetupCommandLine(const std::wstring& line);

// LUMEVIA_DEMO_SETUP: how a test wants this installer to behave.
struct DemoBehaviour {
  enum class Kind { Normal, Long, Crash, Exit, Hang } kind = Kind::Normal;
  unsigned value = 0;        // seconds for Long, the exit code for Exit
};
DemoBehaviour ParseDemoBehaviour(const std::string& text);

}  // namespace demo
