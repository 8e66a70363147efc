// The main window's language choice as plain functions over explicit inputs,
// so that every system language and configuration can be tested headless.
#include <algorithm>

#include "language/Language.h"

std::vector<size_t> ComboItemsToRemove(const std::vector<std::wstring>& itemCodes,
                                       const std::vector<std::wstring>& languageStr) {
  std::vector<size_t> remove;
  if (languageStr.empty()) return remove;
  for (size_t i = itemCodes.size(); i-- > 0;) {
    if (std::find(languageStr.begin(), languageStr.end(), itemCodes[i]) == languageStr.end())
      remove.push_back(i);
  }
  return remove;
}

InitialLanguage ChooseInitialLanguage(uint32_t systemLangId, const std::vector<std::wstring>& itemCodes) {
  InitialLanguage choice;
  EnumLanguage wanted = LanguageOfLangId(systemLangId);
  for (size_t i = itemCodes.size(); i-- > 0;) {
    EnumLanguage lang;
    if (LanguageFromCode(itemCodes[i], lang) && lang == wanted) {
      choice.comboIndex = static_cast<int>(i);
      choice.language = lang;
      return choice;
    }
  }
  if (!itemCodes.empty()) {
    choice.comboIndex = 0;
    EnumLanguage first;
    choice.language = LanguageFromCode(itemCodes[0], first) ? first : Lang_English;
    return choice;
  }
  // Nothing left to choose from: the configuration enabled no language we
  // know. Speak the system's language rather than leave the window blank.
  choice.language = wanted;
  return choice;
}
