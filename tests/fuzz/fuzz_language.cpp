// A language file of the skin package: the tree built, both pages read, and
// the texts the main window uses as number formats applied.
#include <string>

#include "Common/InstallPath.h"
#include "Common/MainWndRules.h"
#include "FuzzSupport.h"
#include "TestSupport.h"
#include "language/LanguageFile.h"
#include "toolkit/SkinPackage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string xml(reinterpret_cast<const char*>(data), size);
  SkinUI::SkinPackage package;
  package.Open(testing_support::MakeZip({{"language/language_arabic.xml", xml}}, false));
  std::unique_ptr<SkinUI::CControlUI> root = LoadLanguageTree(Lang_Arabic, &package);
  for (const wchar_t* page : {kInstallPage, kMessagePage}) {
    for (const auto& entry : GetLanguagePage(root.get(), page)) {
      MainWndRules::FormatWithDouble(entry.second, 42.5);
      InstallPath::FreeSpaceText(entry.second, 1234.5);
    }
  }
  std::wstring text;
  GetLanguageText(root.get(), kInstallPage, L"install_label", text);
  return 0;
}
