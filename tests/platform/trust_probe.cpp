// Prints the platform's trust answer for each file named, checked through
// the file held open for it:
//   trust_probe FILE...
//   result=800b0100 lastError=800b0100 held=1 signer=2.5.4.3=Name|2.5.4.10=Maker
#include <cstdio>
#include <string>

#include "platform/OwnedHandles.h"
#include "platform/Platform.h"
#include "platform/Utf.h"

int main(int argc, char** argv) {
  std::vector<std::wstring> args = platform::CommandLineArguments(argc, argv);
  for (size_t i = 1; i < args.size(); ++i) {
    platform::OwnedFile held(platform::os().OpenFileForCheck(args[i]));
    platform::TrustResult t = platform::os().VerifyFileTrust(held.get(), args[i]);
    std::string signer;
    for (const platform::NameAttribute& a : t.signer)
      signer += (signer.empty() ? "" : "|") + a.oid + "=" + platform::Utf8FromWide(a.value);
    std::printf("result=%08lx lastError=%08lx held=%d signer=%s\n", static_cast<unsigned long>(t.result),
                t.lastError, held ? 1 : 0, signer.c_str());
  }
  return 0;
}
