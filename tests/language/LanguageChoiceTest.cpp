#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "language/Language.h"
#include "platform/Platform.h"

namespace {

// The combo of the shipped layout: every language in value order.
std::vector<std::wstring> LayoutCombo() {
  std::vector<std::wstring> codes;
  for (int i = 0; i < kLanguageCount; ++i) {
    std::string c = LanguageCode(static_cast<EnumLanguage>(i));
    codes.emplace_back(c.begin(), c.end());
  }
  return codes;
}

// What the window does: remove the items in the order given.
std::vector<std::wstring> Restrict(const std::vector<std::wstring>& languageStr) {
  std::vector<std::wstring> combo = LayoutCombo();
  size_t previous = combo.size();
  for (size_t index : ComboItemsToRemove(combo, languageStr)) {
    EXPECT_LT(index, previous) << "indices must come highest first";
    previous = index;
    combo.erase(combo.begin() + static_cast<long>(index));
  }
  return combo;
}

std::vector<std::wstring> Split(const std::wstring& list) {
  std::vector<std::wstring> out;
  size_t start = 0;
  while (start <= list.size()) {
    size_t hash = list.find(L'#', start);
    if (hash == std::wstring::npos) hash = list.size();
    if (hash > start) out.push_back(list.substr(start, hash - start));
    start = hash + 1;
  }
  return out;
}

}  // namespace

TEST(ComboRestriction, KeepsLayoutOrderWhateverTheConfigurationOrder) {
  std::vector<std::wstring> expected = {L"en", L"ja", L"zh-tw", L"ko", L"id"};
  EXPECT_EQ(Restrict(Split(L"zh-tw#en#ja#ko#id")), expected);
  EXPECT_EQ(Restrict(Split(L"id#ko#ja#en#zh-tw")), expected);
}

TEST(ComboRestriction, EmptyListKeepsEveryItemAndCodesMatchExactly) {
  EXPECT_EQ(Restrict({}), LayoutCombo());
  EXPECT_TRUE(ComboItemsToRemove(LayoutCombo(), {}).empty());
  EXPECT_EQ(Restrict({L"EN", L"ja "}), std::vector<std::wstring>{});
  EXPECT_EQ(Restrict({L"se", L"cz", L"my"}), (std::vector<std::wstring>{L"my", L"se", L"cz"}));
}

TEST(InitialLanguage, HongKongSelectsTraditionalChineseWhenEnabled) {
  InitialLanguage all = ChooseInitialLanguage(3076, LayoutCombo());
  EXPECT_EQ(all.comboIndex, 10);
  EXPECT_EQ(all.language, Lang_ChineseTrad);

  std::vector<std::wstring> combo = Restrict(Split(L"zh-tw#en#ja#ko#id"));
  InitialLanguage some = ChooseInitialLanguage(3076, combo);
  EXPECT_EQ(combo[static_cast<size_t>(some.comboIndex)], L"zh-tw");
  EXPECT_EQ(some.language, Lang_ChineseTrad);
}

TEST(InitialLanguage, BritishEnglishFollowsTheEnabledSet) {
  std::vector<std::wstring> combo = Restrict(Split(L"zh-tw#en#ja#ko#id"));
  InitialLanguage withEnglish = ChooseInitialLanguage(2057, combo);
  EXPECT_EQ(withEnglish.comboIndex, 0);
  EXPECT_EQ(withEnglish.language, Lang_English);

  // English not enabled: the first remaining item in layout order.
  combo = Restrict(Split(L"ko#ja"));
  ASSERT_EQ(combo, (std::vector<std::wstring>{L"ja", L"ko"}));
  InitialLanguage without = ChooseInitialLanguage(2057, combo);
  EXPECT_EQ(without.comboIndex, 0);
  EXPECT_EQ(without.language, Lang_Japanese);
}

TEST(InitialLanguage, UnlistedSystemLanguageGivesEnglish) {
  InitialLanguage polish = ChooseInitialLanguage(1045, LayoutCombo());
  EXPECT_EQ(polish.comboIndex, 0);
  EXPECT_EQ(polish.language, Lang_English);

  InitialLanguage polishNoEnglish = ChooseInitialLanguage(1045, Restrict(Split(L"de#fr")));
  EXPECT_EQ(polishNoEnglish.comboIndex, 0);
  EXPECT_EQ(polishNoEnglish.language, Lang_German);
}

TEST(InitialLanguage, EmptyComboStillSpeaksTheSystemLanguage) {
  std::vector<std::wstring> combo = Restrict(Split(L"xx#yy"));
  ASSERT_TRUE(combo.empty());
  InitialLanguage german = ChooseInitialLanguage(1031, combo);
  EXPECT_EQ(german.comboIndex, -1);
  EXPECT_EQ(german.language, Lang_German);
  EXPECT_EQ(ChooseInitialLanguage(1045, combo).language, Lang_English);
}

TEST(InitialLanguage, ReadsTheUserLanguageThroughThePlatform) {
  struct FakeOs : platform::ForwardingOs {
    unsigned id = 0;
    unsigned UserDefaultUILanguage() override { return id; }
  } fake;
  platform::ScopedOs scoped(fake);
  fake.id = 0x0475;
  EXPECT_EQ(UserDefaultUiLanguage(), 0x0475u);
  EXPECT_EQ(GetUiLanguageName(), "0x0475_0x0475");
  fake.id = 2052;
  EXPECT_EQ(GetUiLanguageName(), "Chinese_PRC");
  EXPECT_EQ(ChooseInitialLanguage(UserDefaultUiLanguage(), LayoutCombo()).language, Lang_Chinese);
}
