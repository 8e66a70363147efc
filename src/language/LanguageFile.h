// The language files of the skin package ("language\\language_*.xml"): two
// containers of labels, "install_page" and "message_page"; a label's name is
// the text key and its text the translated text.
#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "language/Language.h"
#include "toolkit/Control.h"

namespace SkinUI {
class SkinPackage;
}

extern const wchar_t kInstallPage[];  // L"install_page"
extern const wchar_t kMessagePage[];  // L"message_page"

// Builds the language's file into a detached control tree; nullptr when the
// file is missing or not a layout. The package defaults to the toolkit's.
std::unique_ptr<SkinUI::CControlUI> LoadLanguageTree(EnumLanguage lang,
                                                     const SkinUI::SkinPackage* package = nullptr);
// The text of key in page; false when the page or the key is absent.
bool GetLanguageText(SkinUI::CControlUI* root, const std::wstring& page, const std::wstring& key,
                     std::wstring& text);
// Every (key, text) of the page in file order; empty when the page is absent.
std::vector<std::pair<std::wstring, std::wstring>> GetLanguagePage(SkinUI::CControlUI* root,
                                                                   const std::wstring& page);
