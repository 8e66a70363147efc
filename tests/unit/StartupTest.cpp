#include <gtest/gtest.h>

#include "Common/InstallUIMainWnd.h"
#include "Common/Startup.h"
#include "TestSupport.h"
#include "toolkit/SkinPackage.h"

using Startup::ExtractEarlyProductId;

TEST(Startup, EarlyProductIdIsTheTextAttributeAfterTheLabelName) {
  EXPECT_EQ(ExtractEarlyProductId("<Label name=\"Downloader_id\" text=\"642\" visible=\"false\"/>"), "642");
  EXPECT_EQ(ExtractEarlyProductId("<Label name=\"Other\" text=\"1\"/>"), "");
  EXPECT_EQ(ExtractEarlyProductId("Downloader_id"), "");
  EXPECT_EQ(ExtractEarlyProductId("Downloader_id=\"12"), "");  // no closing quote
  EXPECT_EQ(ExtractEarlyProductId("Downloader_id="), "");
}

TEST(Startup, TheShippedConfigurationGivesTheEarlyId) {
  SkinUI::SkinPackage pkg;
  ASSERT_TRUE(pkg.Open(testing_support::BuiltSkinZip()));
  std::string xml;
  ASSERT_TRUE(pkg.Extract("configure/configure.xml", xml));
  EXPECT_EQ(ExtractEarlyProductId(xml.substr(3)), "642");
}

TEST(MainWindowNames, FoldersAndFilesFollowTheExtraAddress) {
  const std::wstring url = L"https://download.lumevia.com/release/Lumevia_Setup.exe";
  EXPECT_EQ(InstallUIMainWnd::ProductFolderName(url, L"Lumevia"), L"Lumevia_Setup");
  EXPECT_EQ(InstallUIMainWnd::ProductFolderName(L"", L"Lumevia"), L"Lumevia");
  EXPECT_EQ(InstallUIMainWnd::ProductFolderName(L"https://h.example.com/noext", L"Lumevia"), L"Lumevia");
  EXPECT_EQ(InstallUIMainWnd::PackageFileName(url, L"1.0.0.0"), L"Lumevia_Setup_1.0.0.0.exe");
  EXPECT_EQ(InstallUIMainWnd::PackageFileName(L"https://h.example.com/app.bin", L"2.1"), L"app_2.1.apk");
  EXPECT_EQ(InstallUIMainWnd::LogFileName(L"Lumevia_Setup_1.0.0.0.exe", L"20261208184500123"),
            L"Lumevia_Setup_20261208184500123.log");
}
