// The 20 interface languages and every table that converts between them and
// the outside world: locale codes, Windows language ids, telemetry names,
// fonts, skin files and the installed product's language setting.
// Values outside 0..19 count as English in every conversion.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum EnumLanguage : int32_t {
  Lang_English = 0,
  Lang_Japanese = 1,
  Lang_Chinese = 2,
  Lang_Spanish = 3,
  Lang_German = 4,
  Lang_French = 5,
  Lang_Russian = 6,
  Lang_Portuguese = 7,
  Lang_Arabic = 8,
  Lang_Italiano = 9,
  Lang_ChineseTrad = 10,
  Lang_Korean = 11,
  Lang_Nederlands = 12,
  Lang_Indonesian = 13,
  Lang_Turkish = 14,
  Lang_Hindi = 15,
  Lang_Thai = 16,
  Lang_Malay = 17,
  Lang_Swedish = 18,
  Lang_Czech = 19,
};

constexpr int kLanguageCount = 20;

// Any value, clamped: 0..19 stay, everything else becomes Lang_English.
EnumLanguage NormalizeLanguage(int value);

// Locale code ("en", "zh-cn", "my", "se", "cz", ...) as used in Language_str,
// the combo's user data and the data-service queries.
std::string LanguageCode(EnumLanguage lang);
// Code to value; false when the code is not one of the 20 (exact, case-sensitive).
bool LanguageFromCode(const std::wstring& code, EnumLanguage& out);

// Label of the "Other"/"SetLanguage" event ("English", "ChineseTrad", ...).
const char* LanguageTelemetryName(int lang);
// Text of the language's item in "language_combox", leading blank included.
const wchar_t* LanguageComboText(int lang);
// Combo text (with or without the leading blank) to value; false when unknown.
bool LanguageFromComboText(const std::wstring& text, EnumLanguage& out);
// Face for texts the program creates itself in that language (slide captions).
const wchar_t* GetLanguageFontName(int lang);

// Skin tables.
const char* LanguageFileName(int lang);          // "language_english.xml"
std::string LanguageFilePath(int lang);          // "language\\language_english.xml"
const wchar_t* LicenseContainerName(int lang);   // "license_english"
const wchar_t* ProductUrlKey(int lang);          // "product_url_english"

// Value of the silent installer's "/LANG=" switch; Japanese is "jp" for the
// downloader ids 117, 118, 119, 120, 122, 123, 124 and 125.
const char* InstallerLanguageText(int lang, int downloaderId);

// ---- Locale tables ---------------------------------------------------------

struct LcidCountryEntry {
  uint32_t lcid;        // Windows LCID (16-bit value)
  const char* country;  // country text as the telemetry knows it
  EnumLanguage language;
};
// The 64 entries, in search order.
const std::vector<LcidCountryEntry>& LcidCountryTable();
// First entry with the LCID, or nullptr.
const LcidCountryEntry* FindLcid(uint32_t lcid);
// The language of a system UI language id: the table's value, else English.
EnumLanguage LanguageOfLangId(uint32_t langId);

// "Language_Country" in Windows' classic English naming; unknown ids give
// "0x%.4x_0x%.4x".
std::string LangIdName(uint16_t langId);
size_t LangIdNameCount();  // rows of the name table
// LangIdName of the user's default UI language.
std::string GetUiLanguageName();

// ---- Language choice of the main window (pure) ----------------------------
//
// The main window, when it sets up "language_combox":
//   1. removes the items ComboItemsToRemove(item codes, Language_str) names,
//      in the order given;
//   2. c = ChooseInitialLanguage(UserDefaultUiLanguage(), remaining codes);
//      selects item c.comboIndex, or, when the combo is empty (-1), shows
//      LanguageComboText(c.language) as the combo's text and disables it;
//   3. applies c.language (SetLanguage).
// An "itemselect" maps the item's code (LanguageFromCode) or its text
// (LanguageFromComboText) to the language to apply.

// Indices of the combo items to remove, highest first (the order to remove
// them in): every item whose code is not in languageStr. An empty
// languageStr removes nothing.
std::vector<size_t> ComboItemsToRemove(const std::vector<std::wstring>& itemCodes,
                                       const std::vector<std::wstring>& languageStr);

struct InitialLanguage {
  int comboIndex = -1;                 // item to select; -1 when the combo is empty
  EnumLanguage language = Lang_English;  // language to apply
};
// Initial choice for a system UI language id over the combo's remaining
// item codes (layout order). With an empty combo the system's language (or
// English) is still applied, so the window shows a language the user reads.
InitialLanguage ChooseInitialLanguage(uint32_t systemLangId, const std::vector<std::wstring>& itemCodes);

// The user's default UI language id (platform::os()).
uint32_t UserDefaultUiLanguage();

// Hands the chosen language to the installed product through the registry:
// 1 on success, 0 when a key cannot be opened or the value not written, or
// when softwareName is not a safe name (FuntionImpl/SafeName).
int WriteInstallLanguage(int downloaderId, const std::wstring& softwareName, EnumLanguage lang);
