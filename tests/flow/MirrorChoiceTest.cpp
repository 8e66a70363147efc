// The mirror choice and the too-many-requests counter in the uninstall key.
#include <gtest/gtest.h>

#include "ChecksTestSupport.h"
#include "WorkerTestSupport.h"
#include "flow/MirrorChoice.h"
#include "platform/Utf.h"

using namespace flowtest;

namespace {

// In the 32-bit view, as the product's 32-bit installer keeps its key.
const wchar_t kKey[] =
    L"SoftWare\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumevia|RequestTooMuchTimes";

class Mirror : public ::testing::Test {
 protected:
  Mirror() : os(dir.path()), scoped(os) {}
  std::wstring counter() const {
    auto it = os.registry.find(kKey);
    return it == os.registry.end() ? L"<missing>" : it->second;
  }

  testing_support::TempDir dir;
  WorkerOs os;
  platform::ScopedOs scoped;
  checkstest::LogLines log;
};

}  // namespace

TEST_F(Mirror, ModeOneTakesTheFirstServiceAddressAndLogsTheChoice) {
  EXPECT_EQ(checkRemotePath({L"https://cdn.h.com/a.exe", L"https://get.h.com/a.exe"}, 1, L"Lumevia"),
            L"https://get.h.com/a.exe");
  EXPECT_TRUE(log.has(" isForbidCDN: 0"));
  EXPECT_TRUE(log.has(" UrlUsed: https://get.h.com/a.exe"));
  EXPECT_EQ(checkRemotePath({L"https://cdn.h.com/a.exe", L"https://dl.h.com/b.exe"}, 2, L"Lumevia"),
            L"https://cdn.h.com/a.exe");
}

TEST_F(Mirror, OnlyCdnAddressesGiveNothing) {
  EXPECT_EQ(checkRemotePath({L"https://dl.h.com/a.exe"}, 1, L"Lumevia"), L"");
  EXPECT_TRUE(log.has(" checkRemotePath fail: -1"));
  EXPECT_EQ(checkRemotePath({}, 1, L"Lumevia"), L"");
  EXPECT_EQ(checkRemotePath({L"https://get.h.com/a.exe"}, 3, L"Lumevia"), L"") << "no other mode picks anything";
}

TEST_F(Mirror, CounterOfFourOrMoreForbidsTheCdn) {
  const std::pair<const wchar_t*, bool> cases[] = {
      {L"3", false}, {L"4", true}, {L"17", true}, {L"abc", false}, {L"", false}, {L"4x", false},
      {L"99999999999999999999", true}};
  for (const auto& c : cases) {
    os.registry[kKey] = c.first;
    EXPECT_EQ(IsForbidCDN(L"Lumevia"), c.second) << platform::Utf8FromWide(c.first);
  }
  os.registry.erase(kKey);
  EXPECT_FALSE(IsForbidCDN(L"Lumevia"));
  // A value longer than the 260-byte buffer cannot be read.
  os.registry[kKey] = std::wstring(130, L'9');
  EXPECT_FALSE(IsForbidCDN(L"Lumevia"));
}

TEST_F(Mirror, IncrementStartsAtOne) {
  AddRequestTooMuchTimes(L"Lumevia");
  EXPECT_EQ(counter(), L"1");
  os.registry[kKey] = L"0";
  AddRequestTooMuchTimes(L"Lumevia");
  EXPECT_EQ(counter(), L"1");
  os.registry[kKey] = L"5";
  AddRequestTooMuchTimes(L"Lumevia");
  EXPECT_EQ(counter(), L"6");
}

TEST_F(Mirror, NameThatLeavesTheUninstallKeyIsRefused) {
  os.registry[L"SoftWare\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\..\\Other|RequestTooMuchTimes"] =
      L"9";
  os.registry[L"SoftWare\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumevia\\Sub|RequestTooMuchTimes"] =
      L"9";
  EXPECT_FALSE(IsForbidCDN(L"..\\Other"));
  EXPECT_FALSE(IsForbidCDN(L"Lumevia\\Sub"));
  const size_t before = os.registry.size();
  AddRequestTooMuchTimes(L"Lumevia\\Sub");
  AddRequestTooMuchTimes(L"");
  EXPECT_EQ(os.registry.size(), before);
  std::wstring v;
  EXPECT_FALSE(ReadUninstallValue(L"a/b", L"X", v));
  EXPECT_FALSE(WriteUninstallValue(L"C:x", L"X", L"1"));
  EXPECT_TRUE(WriteUninstallValue(L"Lumevia", L"X", L"1"));
  EXPECT_TRUE(ReadUninstallValue(L"Lumevia", L"X", v));
  EXPECT_EQ(v, L"1");
}
