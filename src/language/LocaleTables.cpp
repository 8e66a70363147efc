// System language ids to interface languages, and language ids to the
// classic English locale names the telemetry reports.
#include <cstdio>
#include <iterator>
#include <map>

#include "language/Language.h"
#include "platform/Platform.h"

namespace {

// Search order matters: the first entry with an LCID wins.
const LcidCountryEntry kLcidCountry[] = {
    {1041, "Japan", Lang_Japanese},
    {1033, "America", Lang_English},
    {2057, "Britain", Lang_English},
    {3081, "Australia", Lang_English},
    {4105, "Canada", Lang_English},
    {5129, "New Zealand", Lang_English},
    {6153, "Ireland", Lang_English},
    {7177, "S. Africa\t", Lang_English},
    {8201, "Jamaica", Lang_English},
    {9225, "Caribbean", Lang_English},
    {10249, "Belize", Lang_English},
    {11273, "Trinidad", Lang_English},
    {1031, "Germany", Lang_German},
    {2055, "Switzerland", Lang_German},
    {3079, "Austria", Lang_German},
    {4103, "Luxembourg", Lang_German},
    {5127, "Liechtenstein", Lang_German},
    {1036, "France", Lang_French},
    {2060, "Belgium", Lang_French},
    {3084, "Canada", Lang_French},
    {4108, "Switzerland", Lang_French},
    {5132, "Luxembourg", Lang_French},
    {1034, "Spain", Lang_Spanish},
    {2058, "Mexico", Lang_Spanish},
    {3082, "Spain", Lang_Spanish},
    {4106, "Guatemala", Lang_Spanish},
    {5130, "Costa Rica", Lang_Spanish},
    {6154, "Panama", Lang_Spanish},
    {7178, "Dominican Republic", Lang_Spanish},
    {8202, "Venezuela", Lang_Spanish},
    {9226, "Columbia", Lang_Spanish},
    {10250, "Peru", Lang_Spanish},
    {11274, "Argentina", Lang_Spanish},
    {12298, "Ecuador", Lang_Spanish},
    {13322, "Chile", Lang_Spanish},
    {14346, "Uruguay", Lang_Spanish},
    {15370, "Paraguay", Lang_Spanish},
    {16394, "bolivia", Lang_Spanish},
    {17418, "Salvatore", Lang_Spanish},
    {18442, "Honduras", Lang_Spanish},
    {19466, "Nicaragua", Lang_Spanish},
    {20490, "Puerto Rico", Lang_Spanish},
    {1049, "Russia", Lang_Russian},
    {2070, "Portugal", Lang_Portuguese},
    {1046, "Brazil", Lang_Portuguese},
    {1025, "Arab", Lang_Arabic},
    {2052, "China", Lang_Chinese},
    {1028, "Taiwan", Lang_ChineseTrad},
    {3076, "HongKong", Lang_ChineseTrad},
    {1040, "Italy", Lang_Italiano},
    {2064, "Swiss", Lang_Italiano},
    {1042, "Korea", Lang_Korean},
    {2066, "Korea (Johab)", Lang_Korean},
    {1043, "Dutch (Standard)", Lang_Nederlands},
    {2067, "Dutch (Belgian)", Lang_Nederlands},
    {1057, "Indonesia (Bahasa)", Lang_Indonesian},
    {1055, "Turkey", Lang_Turkish},
    {1081, "India", Lang_Hindi},
    {1054, "Thailand", Lang_Thai},
    {2110, "Brunei Darussalam", Lang_Malay},
    {1086, "Malaysia", Lang_Malay},
    {2077, "Finland", Lang_Swedish},
    {1053, "Sweden", Lang_Swedish},
    {1029, "Czech Republic", Lang_Czech},
};

// LANGID -> "Language_Country".
struct LangIdRow {
  uint16_t langId;
  const char* name;  // "Language_Country"
};
const LangIdRow kLangIdNames[] = {
    {0x0000, "Neutral_Neutral"},
    {0x0400, "Default_Default"},
    {0x0401, "Arabic_Saudi Arabia"},
    {0x0402, "Bulgarian_Bulgaria"},
    {0x0403, "Catalan_Spain"},
    {0x0404, "Chinese_Taiwan"},
    {0x0405, "Czech_Czech Republic"},
    {0x0406, "Danish_Denmark"},
    {0x0407, "German_Germany"},
    {0x0408, "Greek_Greece"},
    {0x0409, "English_United States"},
    {0x040a, "Spanish_Spain (Traditional sort)"},
    {0x040b, "Finnish_Finland"},
    {0x040c, "French_France"},
    {0x040d, "Hebrew_Israel"},
    {0x040e, "Hungarian_Hungary"},
    {0x040f, "Icelandic_Iceland"},
    {0x0410, "Italian_Italy"},
    {0x0411, "Japanese_Japan"},
    {0x0412, "Korean_Korea"},
    {0x0413, "Dutch_Netherlands"},
    {0x0414, "Norwegian_Norway (Bokm?l)"},
    {0x0415, "Polish_Poland"},
    {0x0416, "Portuguese_Brazil"},
    {0x0418, "Romanian_Romania"},
    {0x0419, "Russian_Russia"},
    {0x041a, "Croatian_Croatia"},
    {0x041b, "Slovak_Slovakia"},
    {0x041c, "Albanian_Albania"},
    {0x041d, "Swedish_Sweden"},
    {0x041e, "Thai_Thailand"},
    {0x041f, "Turkish_Turkey"},
    {0x0420, "Urdu_Pakistan"},
    {0x0421, "Indonesian_Indonesia (Bahasa)"},
    {0x0422, "Ukrainian_Ukraine"},
    {0x0423, "Belarusian_Belarus"},
    {0x0424, "Slovenian_Slovenia"},
    {0x0425, "Estonian_Estonia"},
    {0x0426, "Latvian_Latvia"},
    {0x0427, "Lithuanian_Lithuania"},
    {0x0429, "Farsi_Iran"},
    {0x042a, "Vietnamese_Viet Nam"},
    {0x042b, "Armenian_Armenia"},
    {0x042c, "Azeri_Azerbaijan (Latin)"},
    {0x042d, "Basque_Spain"},
    {0x042f, "Macedonian (FYROM)_Macedonian (FYROM)"},
    {0x0436, "Afrikaans_South Africa"},
    {0x0437, "Georgian_Georgia"},
    {0x0438, "Faeroese_Faeroe Islands"},
    {0x0439, "Hindi_India"},
    {0x043e, "Malay_Malaysia"},
    {0x043f, "Kazakh_Kazakstan"},
    {0x0440, "Kyrgyz_Kyrgyzstan"},
    {0x0441, "Swahili_Kenya"},
    {0x0443, "Uzbek_Uzbekistan (Latin)"},
    {0x0444, "Tatar_Tatarstan"},
    {0x0445, "Bengali_India"},
    {0x0446, "Punjabi_India (Gurmukhi script)"},
    {0x0447, "Gujarati_India"},
    {0x0448, "Oriya_India"},
    {0x0449, "Tamil_India"},
    {0x044a, "Telugu_India (Telugu script)"},
    {0x044b, "Kannada_India (Kannada script)"},
    {0x044c, "Malayalam_India"},
    {0x044d, "Assamese_India"},
    {0x044e, "Marathi_India"},
    {0x044f, "Sanskrit_India"},
    {0x0450, "Mongolian (Cyrillic)_Mongolia"},
    {0x0456, "Galician_Spain"},
    {0x0457, "Konkani_India"},
    {0x045a, "Syriac_Syria"},
    {0x0465, "Divehi_Maldives"},
    {0x0801, "Arabic_Iraq"},
    {0x0804, "Chinese_PRC"},
    {0x0807, "German_Switzerland"},
    {0x0809, "English_United Kingdom"},
    {0x080a, "Spanish_Mexico"},
    {0x080c, "French_Belgium"},
    {0x0810, "Italian_Switzerland"},
    {0x0813, "Dutch_Belgium"},
    {0x0814, "Norwegian_Norway (Nynorsk)"},
    {0x0816, "Portuguese_Portugal"},
    {0x081a, "Serbian_Serbia (Latin)"},
    {0x081d, "Swedish_Finland"},
    {0x0820, "Urdu_India"},
    {0x0827, "Classic Lithuanian_Lithuania"},
    {0x082c, "Azeri_Azerbaijan (Cyrillic)"},
    {0x083e, "Malay_Brunei Darussalam"},
    {0x0843, "Uzbek_Uzbekistan (Cyrillic)"},
    {0x0c01, "Arabic_Egypt"},
    {0x0c04, "Chinese_Hong Kong SAR"},
    {0x0c07, "German_Austria"},
    {0x0c09, "English_Australia"},
    {0x0c0a, "Spanish_Spain (International sort)"},
    {0x0c0c, "French_Canada"},
    {0x0c1a, "Serbian_Serbia (Cyrillic)"},
    {0x1001, "Arabic_Libya"},
    {0x1004, "Chinese_Singapore"},
    {0x1007, "German_Luxembourg"},
    {0x1009, "English_Canada"},
    {0x100a, "Spanish_Guatemala"},
    {0x100c, "French_Switzerland"},
    {0x1401, "Arabic_Algeria"},
    {0x1404, "Chinese_Macao SAR"},
    {0x1407, "German_Liechtenstein"},
    {0x1409, "English_New Zealand"},
    {0x140a, "Spanish_Costa Rica"},
    {0x140c, "French_Luxembourg"},
    {0x1801, "Arabic_Morocco"},
    {0x1809, "English_Ireland"},
    {0x180a, "Spanish_Panama"},
    {0x180c, "French_Monaco"},
    {0x1c01, "Arabic_Tunisia"},
    {0x1c09, "English_South Africa"},
    {0x1c0a, "Spanish_Dominican Republic"},
    {0x2001, "Arabic_Oman"},
    {0x2009, "English_Jamaica"},
    {0x200a, "Spanish_Venezuela"},
    {0x2401, "Arabic_Yemen"},
    {0x2409, "English_Caribbean"},
    {0x240a, "Spanish_Colombia"},
    {0x2801, "Arabic_Syria"},
    {0x2809, "English_Belize"},
    {0x280a, "Spanish_Peru"},
    {0x2c01, "Arabic_Jordan"},
    {0x2c09, "English_Trinidad"},
    {0x2c0a, "Spanish_Argentina"},
    {0x3001, "Arabic_Lebanon"},
    {0x3009, "English_Zimbabwe"},
    {0x300a, "Spanish_Ecuador"},
    {0x3401, "Arabic_Kuwait"},
    {0x3409, "English_Philippines"},
    {0x340a, "Spanish_Chile"},
    {0x3801, "Arabic_U.A.E."},
    {0x380a, "Spanish_Uruguay"},
    {0x3c01, "Arabic_Bahrain"},
    {0x3c0a, "Spanish_Paraguay"},
    {0x4001, "Arabic_Qatar"},
    {0x400a, "Spanish_Bolivia"},
    {0x440a, "Spanish_El Salvador"},
    {0x480a, "Spanish_Honduras"},
    {0x4c0a, "Spanish_Nicaragua"},
    {0x500a, "Spanish_Puerto Rico"},
};

}  // namespace

// Constant data, usable from any static initialiser; the containers are
// built on first use.
const std::vector<LcidCountryEntry>& LcidCountryTable() {
  static const std::vector<LcidCountryEntry> table(std::begin(kLcidCountry), std::end(kLcidCountry));
  return table;
}

const LcidCountryEntry* FindLcid(uint32_t lcid) {
  for (const LcidCountryEntry& e : kLcidCountry)
    if (e.lcid == lcid) return &e;
  return nullptr;
}

namespace {
const std::map<uint16_t, const char*>& LangIdNames() {
  static const std::map<uint16_t, const char*> names = [] {
    std::map<uint16_t, const char*> m;
    for (const LangIdRow& row : kLangIdNames) m.emplace(row.langId, row.name);
    return m;
  }();
  return names;
}
}  // namespace

EnumLanguage LanguageOfLangId(uint32_t langId) {
  const LcidCountryEntry* e = FindLcid(langId);
  return e ? e->language : Lang_English;
}

std::string LangIdName(uint16_t langId) {
  auto it = LangIdNames().find(langId);
  if (it != LangIdNames().end()) return it->second;
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%.4x", static_cast<unsigned>(langId));
  return std::string(buf) + "_" + buf;
}

size_t LangIdNameCount() { return LangIdNames().size(); }

uint32_t UserDefaultUiLanguage() { return platform::os().UserDefaultUILanguage(); }

std::string GetUiLanguageName() { return LangIdName(static_cast<uint16_t>(UserDefaultUiLanguage() & 0xFFFF)); }
