#include "SideFetchHarness.h"

#include "TestSupport.h"

namespace fuzz {

FetchOs& SideFetchRun::Os() {
  static testing_support::TempDir* dir = new testing_support::TempDir();
  static FetchOs* os = [] {
    auto* o = new FetchOs(dir->path());
    o->region = L"DE";
    return o;
  }();
  return *os;
}

void SetUpSideFetches() {
  QuietLog();
  static platform::ScopedOs* scoped = new platform::ScopedOs(SideFetchRun::Os());
  (void)scoped;
}

}  // namespace fuzz
