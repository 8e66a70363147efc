// The window's path rules: names derived from the package address, the folder
// the user picks and the space texts.
#include <gtest/gtest.h>

#include "Common/InstallPath.h"
#include "UiTestSupport.h"
#include "platform/Platform.h"
#include "platform/Utf.h"

using namespace InstallPath;

namespace {
// A rule of two texts, its arguments and the text it should give.
struct Case {
  std::wstring (*rule)(const std::wstring&, const std::wstring&);
  std::wstring a, b, expected;
};

void ExpectAll(const std::vector<Case>& cases) {
  for (const Case& c : cases)
    EXPECT_EQ(platform::Utf8FromWide(c.rule(c.a, c.b)), platform::Utf8FromWide(c.expected))
        << platform::Utf8FromWide(c.a) << " | " << platform::Utf8FromWide(c.b);
}

}  // namespace

TEST(InstallPathNames, LogNamesTakeTheTimeStampInPlaceOfTheVersion) {
  ExpectAll({
      {LogFileName, L"Lumevia_Setup_1.0.0.0.exe", L"20261208184500123", L"Lumevia_Setup_20261208184500123.log"},
      {LogFileName, L"app.apk", L"20261208", L"app_20261208.log"},
      {LogFileName, L"a", L"1", L"a_1.log"},
  });
}

TEST(InstallPathNames, InstallersDownloadToTheTemporaryFolderOtherPackagesToTheDesktop) {
  EXPECT_TRUE(IsInstallerPackage(L"https://h/p.exe"));
  EXPECT_FALSE(IsInstallerPackage(L"https://h/p.exe?x=1"));
  EXPECT_FALSE(IsInstallerPackage(L"https://h/p.apk"));
  EXPECT_EQ(DownloadFolder(L"C:\\Temp", L"C:\\Desk", L"https://h/Lumevia_Setup.exe", L"Lumevia"),
            L"C:\\Temp" + std::wstring(1, platform::PathSeparator()) + L"Lumevia_Setup");
  EXPECT_EQ(DownloadFolder(L"C:\\Temp\\", L"C:\\Desk\\", L"https://h/app.apk", L"Lumevia"), L"C:\\Desk\\app");
  // The worker's folder name: an address without a dot names no folder.
  EXPECT_EQ(DownloadFolder(L"C:\\Temp\\", L"C:\\Desk\\", L"https://h/get", L"Lumevia"), L"C:\\Desk\\Lumevia");
  EXPECT_EQ(DefaultInstallFolder(L"C:\\Program Files\\"), L"C:\\Program Files\\Lumevia");
}

TEST(InstallPathFolders, APickedFolderGetsTheProductFolderOnce) {
  EXPECT_EQ(WithProductFolder(L"D:\\Apps"), L"D:\\Apps\\Lumevia");
  EXPECT_EQ(WithProductFolder(L"D:\\"), L"D:\\Lumevia");
  EXPECT_EQ(WithProductFolder(L"D:\\Apps\\Lumevia"), L"D:\\Apps\\Lumevia");
  EXPECT_EQ(WithProductFolder(L"D:\\LumeviaOld"), L"D:\\LumeviaOld");  // names it already
}

TEST(InstallPathFolders, CreationSucceedsOnlyWhenTheFolderExistsAfterwards) {
  const std::wstring base = ui_test::TempFolder();
  const std::wstring nested = platform::JoinPath(platform::JoinPath(base, L"a"), L"b");
  EXPECT_TRUE(CreateFolder(nested));
  EXPECT_TRUE(CreateFolder(nested));  // already there
  const std::wstring file = platform::JoinPath(base, L"file");
  ASSERT_TRUE(platform::os().WriteFile(file, "x"));
  EXPECT_FALSE(CreateFolder(file));
  EXPECT_FALSE(CreateFolder(platform::JoinPath(file, L"under")));
}

TEST(InstallPathSpace, SpaceTextsAndTheExplorerSelection) {
  EXPECT_DOUBLE_EQ(BytesToGb(uint64_t{3} << 30), 3.0);
  EXPECT_EQ(FreeSpaceText(L"Available space: %.1fGB", 12.34), L"Available space: 12.3GB");
  EXPECT_EQ(FreeSpaceText(L"Available space: %sGB", 12.34), L"Available space: %sGB");
  EXPECT_EQ(SpaceNeedText(L"Required space: %s", L"1.2GB"), L"Required space: 1.2GB");
  EXPECT_EQ(SpaceNeedText(L"Required space", L"1.2GB"), L"Required space");
  const std::wstring longPath = L"C:\\" + std::wstring(2000, L'p') + L".apk";
  EXPECT_EQ(ExplorerSelectArgs(longPath), L"/select, " + longPath);
}
