#include "language/LanguageFile.h"

#include "toolkit/DialogBuilder.h"
#include "toolkit/PaintManager.h"
#include "toolkit/SkinPackage.h"

const wchar_t kInstallPage[] = L"install_page";
const wchar_t kMessagePage[] = L"message_page";

std::unique_ptr<SkinUI::CControlUI> LoadLanguageTree(EnumLanguage lang, const SkinUI::SkinPackage* package) {
  if (!package) package = SkinUI::CPaintManagerUI::GetResourceZip();
  if (!package) return nullptr;
  SkinUI::CDialogBuilder builder(*package);
  return builder.Create(LanguageFilePath(lang));
}

bool GetLanguageText(SkinUI::CControlUI* root, const std::wstring& page, const std::wstring& key,
                     std::wstring& text) {
  if (!root) return false;
  SkinUI::CControlUI* container = root->FindByName(page);
  if (!container) return false;
  SkinUI::CControlUI* label = container->FindByName(key);
  if (!label) return false;
  text = label->GetText();
  return true;
}

std::vector<std::pair<std::wstring, std::wstring>> GetLanguagePage(SkinUI::CControlUI* root,
                                                                   const std::wstring& page) {
  std::vector<std::pair<std::wstring, std::wstring>> texts;
  SkinUI::CControlUI* container = root ? root->FindByName(page) : nullptr;
  if (!container) return texts;
  for (size_t i = 0; i < container->GetCount(); ++i) {
    SkinUI::CControlUI* label = container->GetItemAt(i);
    if (label && !label->GetName().empty()) texts.emplace_back(label->GetName(), label->GetText());
  }
  return texts;
}
