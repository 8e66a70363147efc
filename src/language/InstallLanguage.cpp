// Hands the interface language to the installed product so that it starts
// in the language the user chose here.
#include "language/Language.h"

#include "FuntionImpl/SafeName.h"
#include "log/Log.h"
#include "platform/Platform.h"

namespace {

// Orvane family (downloader ids 113 to 115) reads a locale name.
const wchar_t* OrvaneLocale(EnumLanguage lang) {
  switch (lang) {
    case Lang_Japanese: return L"ja_JP";
    case Lang_Chinese: return L"zh_CN";
    case Lang_Spanish: return L"es_ES";
    case Lang_German: return L"de_DE";
    case Lang_French: return L"fr_FR";
    case Lang_Russian: return L"ru_RU";
    case Lang_Portuguese: return L"pt_BR";
    case Lang_ChineseTrad: return L"zh_TW";
    default: return L"en_US";
  }
}

std::wstring Widen(const char* ascii) { return std::wstring(ascii, ascii + std::char_traits<char>::length(ascii)); }

}  // namespace

int WriteInstallLanguage(int downloaderId, const std::wstring& softwareName, EnumLanguage lang) {
  platform::Os& os = platform::os();
  lang = NormalizeLanguage(lang);
  using platform::RegRoot;

  if (downloaderId == 104) {
    return os.RegWriteString(RegRoot::CurrentUser, L"Software\\Tallumen\\Convextra", L"kCurrentLanguage",
                             lang == Lang_Chinese ? L"Chinese" : L"English") ? 1 : 0;
  }
  if (downloaderId >= 113 && downloaderId <= 115) {
    return os.RegWriteString(RegRoot::CurrentUser, L"Software\\Marlowgate\\Orvane", L"Lang", OrvaneLocale(lang))
               ? 1 : 0;
  }

  // Inno Setup keeps the language of an installation in its uninstall key;
  // a name from the service must not lead to another key.
  if (!FuntionImpl::IsSafeName(softwareName)) return 0;
  // The installer is a 32-bit program: its key is in the 32-bit view
  // (SOFTWARE\WOW6432Node on 64-bit Windows, the plain key on 32-bit).
  const wchar_t kUninstall[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  if (!os.RegKeyExists(RegRoot::LocalMachine, kUninstall, platform::RegView::View32)) return 0;
  const std::wstring key = std::wstring(kUninstall) + L"\\{" + softwareName + L"}_is1";
  std::wstring text = Widen(InstallerLanguageText(lang, 0));
  if (!os.RegWriteString(RegRoot::LocalMachine, key, L"Inno Setup: Language", text, platform::RegView::View32)) {
    LOG(INFO) << " Write install language failed";
    return 0;
  }
  return 1;
}
