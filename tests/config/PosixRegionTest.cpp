// The POSIX stand-in of the user's region: the territory of the locale.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "platform/Platform.h"

namespace {

// Sets the three locale variables for one test and restores them after.
class LocaleVars {
 public:
  LocaleVars() {
    for (int i = 0; i < 3; ++i) {
      const char* v = getenv(kNames[i]);
      had_[i] = v != nullptr;
      if (v) saved_[i] = v;
    }
  }
  ~LocaleVars() {
    for (int i = 0; i < 3; ++i) set(kNames[i], had_[i] ? saved_[i].c_str() : nullptr);
  }
  static void set(const char* name, const char* value) {
    if (value) setenv(name, value, 1);
    else unsetenv(name);
  }
  static std::wstring region(const char* all, const char* messages, const char* lang) {
    set("LC_ALL", all);
    set("LC_MESSAGES", messages);
    set("LANG", lang);
    return platform::nativeOs().UserRegionCode();
  }

 private:
  static constexpr const char* kNames[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  bool had_[3] = {};
  std::string saved_[3];
};

TEST(PosixRegion, TerritoryOfTheFirstLocaleVariableSet) {
  LocaleVars vars;
  EXPECT_EQ(LocaleVars::region("de_AT.UTF-8", "ja_JP.UTF-8", "en_US.UTF-8"), L"AT");
  EXPECT_EQ(LocaleVars::region(nullptr, "ja_JP.UTF-8", "en_US.UTF-8"), L"JP");
  EXPECT_EQ(LocaleVars::region("", "", "sr_rs@latin"), L"RS");
  EXPECT_EQ(LocaleVars::region("C.UTF-8", nullptr, "en_US.UTF-8"), L"") << "LC_ALL decides even without a territory";
  EXPECT_EQ(LocaleVars::region(nullptr, nullptr, "es_419.UTF-8"), L"") << "not a two-letter country";
  EXPECT_EQ(LocaleVars::region(nullptr, nullptr, nullptr), L"");
}

}  // namespace
