#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "language/Language.h"
#include "platform/Platform.h"

namespace {

struct RegWrite {
  platform::RegRoot root;
  std::wstring key, value, data;
};

// A registry of 64-bit Windows that holds the keys a test names (by their
// native names) and records every write.
struct RegistryOs : platform::ForwardingOs {
  std::set<std::wstring> existingKeys;
  bool writesFail = false;
  std::vector<RegWrite> writes;
  bool RegKeyExists(platform::RegRoot r, const std::wstring& k, platform::RegView view) override {
    return existingKeys.count(platform::NativeKeyName(r, k, view)) != 0;
  }
  bool RegWriteString(platform::RegRoot r, const std::wstring& k, const std::wstring& v, const std::wstring& d,
                      platform::RegView view) override {
    if (writesFail) return false;
    writes.push_back({r, platform::NativeKeyName(r, k, view), v, d});
    return true;
  }
};

const wchar_t kWowUninstall[] = L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const wchar_t kUninstall[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

}  // namespace

TEST(WriteInstallLanguage, ConvextraGetsChineseOrEnglish) {
  RegistryOs reg;
  platform::ScopedOs scoped(reg);
  EXPECT_EQ(WriteInstallLanguage(104, L"Lumevia", Lang_Chinese), 1);
  EXPECT_EQ(WriteInstallLanguage(104, L"Lumevia", Lang_ChineseTrad), 1);
  ASSERT_EQ(reg.writes.size(), 2u);
  EXPECT_EQ(reg.writes[0].root, platform::RegRoot::CurrentUser);
  EXPECT_EQ(reg.writes[0].key, L"Software\\Tallumen\\Convextra");
  EXPECT_EQ(reg.writes[0].value, L"kCurrentLanguage");
  EXPECT_EQ(reg.writes[0].data, L"Chinese");
  EXPECT_EQ(reg.writes[1].data, L"English");
}

TEST(WriteInstallLanguage, OrvaneFamilyGetsLocaleNames) {
  RegistryOs reg;
  platform::ScopedOs scoped(reg);
  const std::pair<EnumLanguage, const wchar_t*> cases[] = {
      {Lang_English, L"en_US"}, {Lang_Japanese, L"ja_JP"}, {Lang_Portuguese, L"pt_BR"},
      {Lang_ChineseTrad, L"zh_TW"}, {Lang_Arabic, L"en_US"}, {static_cast<EnumLanguage>(40), L"en_US"}};
  for (int id : {113, 114, 115}) {
    for (const auto& c : cases) {
      reg.writes.clear();
      EXPECT_EQ(WriteInstallLanguage(id, L"Lumevia", c.first), 1);
      ASSERT_EQ(reg.writes.size(), 1u);
      EXPECT_EQ(reg.writes[0].key, L"Software\\Marlowgate\\Orvane");
      EXPECT_EQ(reg.writes[0].value, L"Lang");
      EXPECT_EQ(reg.writes[0].data, c.second) << id << " " << c.first;
    }
  }
}

// The product's installer is a 32-bit program: its key is in the 32-bit view.
TEST(WriteInstallLanguage, InnoSetupKeyIsInThe32BitView) {
  RegistryOs reg;
  reg.existingKeys = {kWowUninstall, kUninstall};
  platform::ScopedOs scoped(reg);
  EXPECT_EQ(WriteInstallLanguage(642, L"Lumevia", Lang_ChineseTrad), 1);
  EXPECT_EQ(WriteInstallLanguage(642, L"Lumevia", Lang_Malay), 1);
  ASSERT_EQ(reg.writes.size(), 2u);
  EXPECT_EQ(reg.writes[0].root, platform::RegRoot::LocalMachine);
  EXPECT_EQ(reg.writes[0].key, std::wstring(kWowUninstall) + L"\\{Lumevia}_is1");
  EXPECT_EQ(reg.writes[0].value, L"Inno Setup: Language");
  EXPECT_EQ(reg.writes[0].data, L"zhtw");
  EXPECT_EQ(reg.writes[1].data, L"my");

  // The 64-bit view's key alone is not the installer's.
  reg.existingKeys = {kUninstall};
  reg.writes.clear();
  EXPECT_EQ(WriteInstallLanguage(642, L"Lumevia", Lang_Malay), 0);
  EXPECT_TRUE(reg.writes.empty());
}

TEST(WriteInstallLanguage, RegistryFailuresAnswerZero) {
  RegistryOs reg;
  platform::ScopedOs scoped(reg);
  EXPECT_EQ(WriteInstallLanguage(642, L"Lumevia", Lang_German), 0);  // no uninstall key at all
  EXPECT_TRUE(reg.writes.empty());
  reg.existingKeys = {kWowUninstall};
  reg.writesFail = true;
  EXPECT_EQ(WriteInstallLanguage(642, L"Lumevia", Lang_German), 0);
  EXPECT_EQ(WriteInstallLanguage(104, L"Lumevia", Lang_German), 0);
  EXPECT_EQ(WriteInstallLanguage(114, L"Lumevia", Lang_German), 0);
}

TEST(WriteInstallLanguage, ValueReadsBackThroughThePlatformRegistry) {
  // The platform's own registry (files under LUMEVIA_POSIX_ROOT natively,
  // Wine's registry on Windows): the written text must read back whole.
  std::string root = ::testing::TempDir() + "lumevia-language-registry";
#if defined(_WIN32)
  _putenv_s("LUMEVIA_POSIX_ROOT", root.c_str());
#else
  setenv("LUMEVIA_POSIX_ROOT", root.c_str(), 1);
#endif
  platform::Os& os = platform::nativeOs();
  std::wstring key = L"Software\\Marlowgate\\Orvane";
  ASSERT_EQ(WriteInstallLanguage(113, L"Lumevia", Lang_Russian), 1);
  std::wstring text;
  ASSERT_TRUE(os.RegReadString(platform::RegRoot::CurrentUser, key, L"Lang", text));
  EXPECT_EQ(text, L"ru_RU");
  EXPECT_TRUE(os.RegKeyExists(platform::RegRoot::CurrentUser, key));
  EXPECT_FALSE(os.RegKeyExists(platform::RegRoot::CurrentUser, L"Software\\Marlowgate\\NoSuchKeyHere"));
}
