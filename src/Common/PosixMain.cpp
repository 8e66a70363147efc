// Entry point of the native build: the arguments joined by blanks stand for
// the Windows command line.
#include <string>

#include "Common/Startup.h"
#include "platform/Utf.h"

int main(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  return Startup::RunStub(platform::WideFromUtf8(line));
}
