// The shipped language files and licence texts, read from the skin package
// that the build produced.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "language/LanguageFile.h"
#include "platform/Utf.h"
#include "toolkit/DialogBuilder.h"
#include "toolkit/SkinPackage.h"

namespace {

const std::vector<std::wstring> kInstallKeys = {
    L"select_language_text", L"install_btn", L"install_setting", L"license_link", L"browser_btn",
    L"space_need", L"space_free", L"install_label", L"install_path_text", L"install_minbtn",
    L"install_closebtn", L"finish_label", L"start_app", L"agree_improvement", L"extra_text",
    L"text_fail_retry", L"retry_btn", L"text_fail_advice", L"label_install_ok", L"label_install_fail",
    L"anima_text_1", L"anima_text_2", L"anima_text_3", L"anima_text_4", L"anima_text_5"};
const std::vector<std::wstring> kMessageKeys = {
    L"ClickShortcutToLaunchText", L"FinshDesText", L"FinshQueText", L"ReplaceDesText", L"ReplaceQueText",
    L"CancelDesText", L"CancelQueText", L"AppExistDesText", L"AppExistQueText", L"PathErrorDesText",
    L"PathErrorQueText", L"YesText", L"NoText", L"ContinueText", L"ReplaceText", L"CancelText",
    L"InstallRunTimeOutDesText", L"InstallRunTimeOutQueText", L"MD5FailDesText", L"MD5FailQueText",
    L"UrlFailDexText", L"UrlFailQueText", L"InternetFailDesText", L"InternetFailQueText",
    L"InternetTimeoutDesText", L"InternetTimeoutQueText", L"ConfirmText", L"NoEnoughSpaceDesText",
    L"OkButtonText", L"NotSupportCountryText"};

using Page = std::vector<std::pair<std::wstring, std::wstring>>;

class ShippedSkin : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::ifstream f(LUMEVIA_SKIN_ZIP, std::ios::binary);
    std::stringstream bytes;
    bytes << f.rdbuf();
    package_ = new SkinUI::SkinPackage();
    opened_ = package_->Open(bytes.str());
  }
  static void TearDownTestSuite() {
    delete package_;
    package_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(opened_) << "skin package not built: " LUMEVIA_SKIN_ZIP; }

  static SkinUI::SkinPackage* package_;
  static bool opened_;
};
SkinUI::SkinPackage* ShippedSkin::package_ = nullptr;
bool ShippedSkin::opened_ = false;

std::vector<std::wstring> Keys(const Page& page) {
  std::vector<std::wstring> keys;
  for (const auto& kv : page) keys.push_back(kv.first);
  return keys;
}

std::wstring TextOf(const Page& page, const std::wstring& key) {
  for (const auto& kv : page)
    if (kv.first == key) return kv.second;
  return L"<missing>";
}

// Checks the {f}{c}{a}{u} mark-up: known tags, balanced and properly nested,
// no empty link. Returns the number of links, or -1 with a reason.
int CountLinks(const std::wstring& text, std::string& why) {
  std::vector<wchar_t> open;
  int links = 0;
  size_t linkStart = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'}') { why = "stray }"; return -1; }
    if (text[i] != L'{') continue;
    size_t end = text.find(L'}', i);
    if (end == std::wstring::npos) { why = "unclosed {"; return -1; }
    std::wstring tag = text.substr(i + 1, end - i - 1);
    if (!tag.empty() && tag[0] == L'/') {
      if (tag.size() != 2 || open.empty() || open.back() != tag[1]) { why = "unbalanced close"; return -1; }
      if (tag[1] == L'a' && i == linkStart) { why = "empty link"; return -1; }
      open.pop_back();
    } else if (tag == L"a" || tag == L"u") {
      open.push_back(tag[0]);
      if (tag == L"a") { ++links; linkStart = end + 1; }
    } else if (tag.size() == 9 && tag.compare(0, 3, L"c #") == 0) {
      open.push_back(L'c');
    } else if (tag.size() >= 3 && tag.compare(0, 2, L"f ") == 0) {
      open.push_back(L'f');
    } else {
      why = "unknown tag";
      return -1;
    }
    i = end;
  }
  if (!open.empty()) { why = "left open"; return -1; }
  return links;
}

std::string Printf(const std::wstring& format, double value) {
  char buf[512];
  std::snprintf(buf, sizeof buf, platform::Utf8FromWide(format).c_str(), value);
  return buf;
}

}  // namespace

TEST_F(ShippedSkin, EveryLanguageFileHasAllKeysInOrder) {
  for (int i = 0; i < kLanguageCount; ++i) {
    SCOPED_TRACE(LanguageFileName(i));
    auto root = LoadLanguageTree(static_cast<EnumLanguage>(i), package_);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(Keys(GetLanguagePage(root.get(), kInstallPage)), kInstallKeys);
    EXPECT_EQ(Keys(GetLanguagePage(root.get(), kMessagePage)), kMessageKeys);
  }
}

TEST_F(ShippedSkin, FormatStringsAreKeptAndNoOtherTextFormats) {
  for (int i = 0; i < kLanguageCount; ++i) {
    SCOPED_TRACE(LanguageFileName(i));
    auto root = LoadLanguageTree(static_cast<EnumLanguage>(i), package_);
    ASSERT_NE(root, nullptr);
    Page install = GetLanguagePage(root.get(), kInstallPage);
    std::wstring freeText = TextOf(install, L"space_free");
    std::wstring progress = TextOf(install, L"install_label");
    ASSERT_NE(freeText.find(L"%.1f"), std::wstring::npos);
    EXPECT_EQ(freeText.find(L'%'), freeText.rfind(L'%'));  // the only conversion
    ASSERT_NE(progress.find(L"%0.f%%"), std::wstring::npos);
    EXPECT_NE(Printf(freeText, 12.34).find("12.3"), std::string::npos);
    std::string shown = Printf(progress, 37.0);
    EXPECT_NE(shown.find("37%"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("%%"), std::string::npos);
    // Every other text is shown as it is; a stray % would break formatting.
    for (const Page& page : {install, GetLanguagePage(root.get(), kMessagePage)}) {
      for (const auto& kv : page) {
        if (kv.first == L"space_free" || kv.first == L"install_label") continue;
        EXPECT_EQ(kv.second.find(L'%'), std::wstring::npos) << platform::Utf8FromWide(kv.first);
      }
    }
  }
}

TEST_F(ShippedSkin, MarkupIsBalancedAndLinksAreWhereTheWindowExpectsThem) {
  for (int i = 0; i < kLanguageCount; ++i) {
    SCOPED_TRACE(LanguageFileName(i));
    auto root = LoadLanguageTree(static_cast<EnumLanguage>(i), package_);
    ASSERT_NE(root, nullptr);
    for (const std::wstring& pageName : {std::wstring(kInstallPage), std::wstring(kMessagePage)}) {
      for (const auto& kv : GetLanguagePage(root.get(), pageName)) {
        std::string why;
        int links = CountLinks(kv.second, why);
        EXPECT_GE(links, 0) << platform::Utf8FromWide(kv.first) << ": " << why;
        int expected = kv.first == L"license_link" ? 2 : kv.first == L"text_fail_advice" ? 1 : 0;
        EXPECT_EQ(links < 0 ? expected : links, expected) << platform::Utf8FromWide(kv.first);
      }
    }
  }
}

TEST_F(ShippedSkin, OnlyTheTwoShippedEmptyTextsAreEmpty) {
  auto english = LoadLanguageTree(Lang_English, package_);
  Page englishInstall = GetLanguagePage(english.get(), kInstallPage);
  for (int i = 0; i < kLanguageCount; ++i) {
    SCOPED_TRACE(LanguageFileName(i));
    auto root = LoadLanguageTree(static_cast<EnumLanguage>(i), package_);
    ASSERT_NE(root, nullptr);
    Page install = GetLanguagePage(root.get(), kInstallPage);
    for (const Page& page : {install, GetLanguagePage(root.get(), kMessagePage)}) {
      for (const auto& kv : page) {
        bool shippedEmpty = kv.first == L"anima_text_4" || kv.first == L"FinshDesText";
        EXPECT_EQ(kv.second.empty(), shippedEmpty) << platform::Utf8FromWide(kv.first);
      }
    }
    // A translated file, not a copy of the English one.
    if (i != Lang_English) {
      for (const wchar_t* key : {L"install_btn", L"license_link", L"text_fail_advice", L"anima_text_1"})
        EXPECT_NE(TextOf(install, key), TextOf(englishInstall, key)) << platform::Utf8FromWide(key);
    }
  }
}

TEST_F(ShippedSkin, TextLookupFindsKeysOnlyInsideTheirPage) {
  auto root = LoadLanguageTree(Lang_German, package_);
  ASSERT_NE(root, nullptr);
  std::wstring text;
  ASSERT_TRUE(GetLanguageText(root.get(), kMessagePage, L"YesText", text));
  EXPECT_EQ(text, L"Ja");
  EXPECT_FALSE(GetLanguageText(root.get(), kInstallPage, L"YesText", text));
  EXPECT_FALSE(GetLanguageText(root.get(), L"no_such_page", L"YesText", text));
  EXPECT_FALSE(GetLanguageText(nullptr, kMessagePage, L"YesText", text));
  ASSERT_TRUE(GetLanguageText(root.get(), kMessagePage, L"FinshDesText", text));
  EXPECT_TRUE(text.empty());
}

TEST_F(ShippedSkin, EveryLanguageHasItsLicenceContainer) {
  SkinUI::CDialogBuilder builder(*package_);
  auto licences = builder.Create("License.xml");
  ASSERT_NE(licences, nullptr);
  for (int i = 0; i < kLanguageCount; ++i) {
    SkinUI::CControlUI* c = licences->FindByName(LicenseContainerName(i));
    ASSERT_NE(c, nullptr) << platform::Utf8FromWide(LicenseContainerName(i));
    std::wstring text = c->GetText();
    EXPECT_GT(text.size(), 200u);
    EXPECT_NE(text.find(L"Lumevia"), std::wstring::npos);
    EXPECT_NE(text.find(L"Marlowgate"), std::wstring::npos);
    EXPECT_NE(text.find(L'\n'), std::wstring::npos);  // paragraphs survive the attribute
  }
}

TEST(LanguageFile, MissingPackageOrFileGivesNoTree) {
  SkinUI::SkinPackage empty;
  EXPECT_EQ(LoadLanguageTree(Lang_English, &empty), nullptr);
}
