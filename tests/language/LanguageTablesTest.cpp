#include <gtest/gtest.h>

#include <set>
#include <string>

#include "language/Language.h"

TEST(LanguageCode, EveryValueRoundTripsThroughItsCode) {
  std::set<std::string> codes;
  for (int i = 0; i < kLanguageCount; ++i) {
    std::string code = LanguageCode(static_cast<EnumLanguage>(i));
    EXPECT_TRUE(codes.insert(code).second) << code;
    EnumLanguage back = Lang_English;
    ASSERT_TRUE(LanguageFromCode(std::wstring(code.begin(), code.end()), back)) << code;
    EXPECT_EQ(back, i);
  }
  EXPECT_EQ(LanguageCode(Lang_Chinese), "zh-cn");
  EXPECT_EQ(LanguageCode(Lang_ChineseTrad), "zh-tw");
  EXPECT_EQ(LanguageCode(Lang_Malay), "my");
  EXPECT_EQ(LanguageCode(Lang_Swedish), "se");
  EXPECT_EQ(LanguageCode(Lang_Czech), "cz");
}

TEST(LanguageCode, ValuesOutsideTheRangeAreEnglish) {
  EXPECT_EQ(LanguageCode(static_cast<EnumLanguage>(20)), "en");
  EXPECT_EQ(LanguageCode(static_cast<EnumLanguage>(25)), "en");
  EXPECT_EQ(LanguageCode(static_cast<EnumLanguage>(-1)), "en");
  EXPECT_STREQ(LanguageTelemetryName(20), "English");
  EXPECT_STREQ(LanguageFileName(-3), "language_english.xml");
  EXPECT_STREQ(InstallerLanguageText(99, 0), "en");
}

TEST(LanguageCode, UnknownOrDifferentlyCasedCodesAreAbsent) {
  EnumLanguage lang = Lang_Thai;
  EXPECT_FALSE(LanguageFromCode(L"EN", lang));
  EXPECT_FALSE(LanguageFromCode(L"zh_cn", lang));
  EXPECT_FALSE(LanguageFromCode(L"sv", lang));
  EXPECT_FALSE(LanguageFromCode(L"", lang));
  EXPECT_EQ(lang, Lang_Thai);  // untouched
}

TEST(LanguageTables, RowsFollowTheLanguageOrder) {
  EXPECT_STREQ(LanguageTelemetryName(Lang_ChineseTrad), "ChineseTrad");
  EXPECT_STREQ(LanguageTelemetryName(Lang_Italiano), "Italiano");
  EXPECT_STREQ(LanguageTelemetryName(Lang_Czech), "Czech");
  EXPECT_STREQ(LanguageFileName(Lang_Nederlands), "language_nederland.xml");
  EXPECT_EQ(LanguageFilePath(Lang_Chinese), "language\\language_chinese.xml");
  EXPECT_STREQ(LicenseContainerName(Lang_Nederlands), L"license_nederlands");
  EXPECT_STREQ(LicenseContainerName(Lang_Italiano), L"license_italiano");
  EXPECT_STREQ(ProductUrlKey(Lang_Chinese), L"product_url_chinesesimp");
  EXPECT_STREQ(ProductUrlKey(Lang_Czech), L"product_url_czech");
  EXPECT_STREQ(GetLanguageFontName(Lang_Japanese), L"Meiryo UI");
  EXPECT_STREQ(GetLanguageFontName(Lang_Korean), L"batang");
  EXPECT_STREQ(GetLanguageFontName(Lang_Russian), L"Times New Roman");
  EXPECT_STREQ(GetLanguageFontName(Lang_Thai), L"Microsoft YaHei");
}

TEST(LanguageTables, ComboTextsMapBackWithOrWithoutTheirLeadingBlank) {
  for (int i = 0; i < kLanguageCount; ++i) {
    std::wstring text = LanguageComboText(i);
    ASSERT_EQ(text[0], L' ');
    EnumLanguage lang = Lang_English;
    ASSERT_TRUE(LanguageFromComboText(text, lang));
    EXPECT_EQ(lang, i);
    ASSERT_TRUE(LanguageFromComboText(text.substr(1), lang));
    EXPECT_EQ(lang, i);
  }
  EnumLanguage lang = Lang_English;
  EXPECT_FALSE(LanguageFromComboText(L" Klingon", lang));
  EXPECT_FALSE(LanguageFromComboText(L"   ", lang));
}

TEST(LanguageTables, InstallerSwitchSpellsChineseWithoutHyphenAndJapanesePerProduct) {
  EXPECT_STREQ(InstallerLanguageText(Lang_Chinese, 642), "zhcn");
  EXPECT_STREQ(InstallerLanguageText(Lang_ChineseTrad, 642), "zhtw");
  EXPECT_STREQ(InstallerLanguageText(Lang_Japanese, 121), "ja");
  EXPECT_STREQ(InstallerLanguageText(Lang_Japanese, 117), "jp");
  EXPECT_STREQ(InstallerLanguageText(Lang_Japanese, 125), "jp");
  EXPECT_STREQ(InstallerLanguageText(Lang_Japanese, 121), "ja");
  EXPECT_STREQ(InstallerLanguageText(Lang_Korean, 117), "ko");  // only Japanese changes
  EXPECT_STREQ(InstallerLanguageText(Lang_Czech, 0), "cz");
}

TEST(LcidCountryTable, SixtyFourEntriesSearchedInOrder) {
  const auto& table = LcidCountryTable();
  ASSERT_EQ(table.size(), 64u);
  EXPECT_EQ(table.front().lcid, 1041u);
  EXPECT_EQ(table.back().lcid, 1029u);
  std::set<uint32_t> seen;
  for (const auto& e : table) EXPECT_TRUE(seen.insert(e.lcid).second) << e.lcid;

  EXPECT_EQ(LanguageOfLangId(3076), Lang_ChineseTrad);
  EXPECT_STREQ(FindLcid(3076)->country, "HongKong");
  EXPECT_STREQ(FindLcid(7177)->country, "S. Africa\t");
  EXPECT_STREQ(FindLcid(2066)->country, "Korea (Johab)");
  EXPECT_EQ(LanguageOfLangId(2077), Lang_Swedish);   // Swedish, Finland
  EXPECT_EQ(LanguageOfLangId(2110), Lang_Malay);
  EXPECT_EQ(LanguageOfLangId(20490), Lang_Spanish);
  EXPECT_EQ(LanguageOfLangId(2064), Lang_Italiano);
  EXPECT_EQ(FindLcid(1045), nullptr);                 // Polish
  EXPECT_EQ(LanguageOfLangId(1045), Lang_English);
}

TEST(LangIdNameTable, KnownNamesAndTheHexFallback) {
  // Every classic locale name has its row (143 names, all distinct).
  EXPECT_EQ(LangIdNameCount(), 143u);
  EXPECT_EQ(LangIdName(0x0475), "0x0475_0x0475");
  EXPECT_EQ(LangIdName(0xabcd), "0xabcd_0xabcd");
  EXPECT_EQ(LangIdName(0), "Neutral_Neutral");
  EXPECT_EQ(LangIdName(1024), "Default_Default");
  EXPECT_EQ(LangIdName(1033), "English_United States");
  EXPECT_EQ(LangIdName(2052), "Chinese_PRC");
  EXPECT_EQ(LangIdName(1028), "Chinese_Taiwan");
  EXPECT_EQ(LangIdName(3076), "Chinese_Hong Kong SAR");
  EXPECT_EQ(LangIdName(1041), "Japanese_Japan");
  EXPECT_EQ(LangIdName(1044), "Norwegian_Norway (Bokm?l)");
  EXPECT_EQ(LangIdName(2087), "Classic Lithuanian_Lithuania");
  EXPECT_EQ(LangIdName(3082), "Spanish_Spain (International sort)");
  EXPECT_EQ(LangIdName(1034), "Spanish_Spain (Traditional sort)");
  EXPECT_EQ(LangIdName(0x500a), "Spanish_Puerto Rico");
  EXPECT_EQ(LangIdName(0x0465), "Divehi_Maldives");
}
