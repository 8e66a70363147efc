// Prints the platform's trust answer for each file named:
//   trust_probe [--full] FILE...
//   result=800b0100 lastError=800b0100 chain=0 signer=<name>
#include <cstdio>

#include "platform/Platform.h"
#include "platform/Utf.h"

int main(int argc, char** argv) {
  std::vector<std::wstring> args = platform::CommandLineArguments(argc, argv);
  bool full = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == L"--full") {
      full = true;
      continue;
    }
    platform::TrustResult t = platform::os().VerifyFileTrust(args[i], full);
    std::printf("result=%08lx lastError=%08lx chain=%d signer=%s\n", static_cast<unsigned long>(t.result),
                t.lastError, t.chainTrusted ? 1 : 0, platform::Utf8FromWide(t.signer).c_str());
  }
  return 0;
}
