#include "language/Language.h"

#include <map>

namespace {

// One row per EnumLanguage value, in value order.
struct LanguageRow {
  const char* code;           // locale code (Language_str, combo user data, services)
  const char* telemetryName;  // label of the "Other"/"SetLanguage" event
  const wchar_t* comboText;   // item text of "language_combox", leading blank included
  const wchar_t* fontName;    // face for texts the program creates itself
  const char* fileName;       // language file in the skin's "language" folder
  const wchar_t* licenseName; // container of "License.xml" with the licence text
  const wchar_t* productUrl;  // configuration label with the product page
  const char* installerLang;  // "/LANG=" value of the silent installer
};

const LanguageRow kRows[kLanguageCount] = {
    {"en", "English", L" English", L"Microsoft YaHei", "language_english.xml", L"license_english",
     L"product_url_english", "en"},
    {"ja", "Japanese", L" \u65E5\u672C\u8A9E", L"Meiryo UI", "language_japanese.xml", L"license_japanese",
     L"product_url_japanese", "ja"},
    {"zh-cn", "Chinese", L" \u7B80\u4F53\u4E2D\u6587", L"Microsoft YaHei", "language_chinese.xml",
     L"license_chinese", L"product_url_chinesesimp", "zhcn"},
    {"es", "Spanish", L" Espa\u00F1ol", L"Times New Roman", "language_spanish.xml", L"license_spanish",
     L"product_url_spanish", "es"},
    {"de", "German", L" Deutsch", L"Times New Roman", "language_german.xml", L"license_german",
     L"product_url_german", "de"},
    {"fr", "French", L" Fran\u00E7ais", L"Times New Roman", "language_french.xml", L"license_french",
     L"product_url_french", "fr"},
    {"ru", "Russian", L" \u0420\u0443\u0441\u0441\u043A\u0438\u0439", L"Times New Roman", "language_russian.xml",
     L"license_russian", L"product_url_russian", "ru"},
    {"pt", "Portuguese", L" Portugu\u00EAs", L"Times New Roman", "language_portuguese.xml", L"license_portuguese",
     L"product_url_portuguese", "pt"},
    {"ar", "Arabic", L" \u0627\u0644\u0639\u0631\u0628\u064A\u0629", L"Times New Roman", "language_arabic.xml",
     L"license_arabic", L"product_url_arabic", "ar"},
    {"it", "Italiano", L" Italiano", L"Times New Roman", "language_italiano.xml", L"license_italiano",
     L"product_url_italiano", "it"},
    {"zh-tw", "ChineseTrad", L" \u7E41\u9AD4\u4E2D\u6587", L"Microsoft YaHei", "language_chinesetrad.xml",
     L"license_chinesetrad", L"product_url_chinesetrad", "zhtw"},
    {"ko", "Korean", L" \uD55C\uAD6D\uC5B4", L"batang", "language_korean.xml", L"license_korean",
     L"product_url_korean", "ko"},
    {"nl", "Nederlands", L" Nederlands", L"Microsoft YaHei", "language_nederland.xml", L"license_nederlands",
     L"product_url_nederlands", "nl"},
    {"id", "Indonesian", L" Bahasa Indonesia", L"Microsoft YaHei", "language_indonesian.xml",
     L"license_indonesian", L"product_url_indonesian", "id"},
    {"tr", "Turkish", L" T\u00FCrk\u00E7e", L"Microsoft YaHei", "language_turkish.xml", L"license_turkish",
     L"product_url_turkish", "tr"},
    {"hi", "Hindi", L" \u0939\u093F\u0902\u0926\u0940", L"Microsoft YaHei", "language_hindi.xml", L"license_hindi",
     L"product_url_hindi", "hi"},
    {"th", "Thai", L" \u0E20\u0E32\u0E29\u0E32\u0E44\u0E17\u0E22", L"Microsoft YaHei", "language_thai.xml",
     L"license_thai", L"product_url_thai", "th"},
    {"my", "Malay", L" Bahasa Melayu", L"Microsoft YaHei", "language_malay.xml", L"license_malay",
     L"product_url_malay", "my"},
    {"se", "Swedish", L" Svenska", L"Microsoft YaHei", "language_swedish.xml", L"license_swedish",
     L"product_url_swedish", "se"},
    {"cz", "Czech", L" \u010Ce\u0161tina", L"Microsoft YaHei", "language_czech.xml", L"license_czech",
     L"product_url_czech", "cz"},
};

const LanguageRow& Row(int lang) { return kRows[NormalizeLanguage(lang)]; }

std::wstring Widen(const char* ascii) { return std::wstring(ascii, ascii + std::char_traits<char>::length(ascii)); }

// Built once on first use and never changed: safe to share between threads
// and usable from other modules' static initialisers.
const std::map<std::wstring, EnumLanguage>& CodeMap() {
  static const std::map<std::wstring, EnumLanguage> map = [] {
    std::map<std::wstring, EnumLanguage> m;
    for (int i = 0; i < kLanguageCount; ++i) m[Widen(kRows[i].code)] = static_cast<EnumLanguage>(i);
    return m;
  }();
  return map;
}

}  // namespace

EnumLanguage NormalizeLanguage(int value) {
  return value >= 0 && value < kLanguageCount ? static_cast<EnumLanguage>(value) : Lang_English;
}

std::string LanguageCode(EnumLanguage lang) { return Row(lang).code; }

bool LanguageFromCode(const std::wstring& code, EnumLanguage& out) {
  auto it = CodeMap().find(code);
  if (it == CodeMap().end()) return false;
  out = it->second;
  return true;
}

const char* LanguageTelemetryName(int lang) { return Row(lang).telemetryName; }
const wchar_t* LanguageComboText(int lang) { return Row(lang).comboText; }

bool LanguageFromComboText(const std::wstring& text, EnumLanguage& out) {
  size_t start = text.find_first_not_of(L' ');
  if (start == std::wstring::npos) return false;
  for (int i = 0; i < kLanguageCount; ++i) {
    if (text.compare(start, std::wstring::npos, kRows[i].comboText + 1) == 0) {
      out = static_cast<EnumLanguage>(i);
      return true;
    }
  }
  return false;
}

const wchar_t* GetLanguageFontName(int lang) { return Row(lang).fontName; }
const char* LanguageFileName(int lang) { return Row(lang).fileName; }
std::string LanguageFilePath(int lang) { return std::string("language\\") + Row(lang).fileName; }
const wchar_t* LicenseContainerName(int lang) { return Row(lang).licenseName; }
const wchar_t* ProductUrlKey(int lang) { return Row(lang).productUrl; }

const char* InstallerLanguageText(int lang, int downloaderId) {
  if (NormalizeLanguage(lang) == Lang_Japanese) {
    switch (downloaderId) {
      case 117: case 118: case 119: case 120: case 122: case 123: case 124: case 125:
        return "jp";
      default:
        break;
    }
  }
  return Row(lang).installerLang;
}
