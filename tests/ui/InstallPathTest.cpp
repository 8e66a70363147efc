// The install-path rules: names derived from the package address, the folder
// the user picks or types, the free-space check and the space texts.
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

const std::wstring kUrl = L"https://download.lumevia.com/release/Lumevia_Setup.exe";
}  // namespace

TEST(InstallPathNames, FoldersAndFilesFollowTheExtraAddress) {
  ExpectAll({
      {ProductFolderName, kUrl, L"Lumevia", L"Lumevia_Setup"},
      {ProductFolderName, L"", L"Lumevia", L"Lumevia"},
      {ProductFolderName, L"https://h.example.com/noext", L"Lumevia", L"Lumevia"},
      {ProductFolderName, L"https://h.example.com/.hidden", L"Lumevia", L"Lumevia"},
      // Up to the first dot of the file name, not the last.
      {ProductFolderName, L"https://h.example.com/app.v2.exe", L"Lumevia", L"app"},
      {PackageFileName, kUrl, L"1.0.0.0", L"Lumevia_Setup_1.0.0.0.exe"},
      {PackageFileName, L"https://h.example.com/app.bin", L"2.1", L"app_2.1.apk"},
      // Up to the last dot; dots in the folders do not count.
      {PackageFileName, L"https://h.example.com/a.b/app.v2.exe", L"3", L"app.v2_3.exe"},
      {PackageFileName, L"https://h.example.com/a.b/app", L"3", L"app_3.apk"},
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
  EXPECT_EQ(DefaultInstallFolder(L"C:\\Program Files\\"), L"C:\\Program Files\\Lumevia");
}

TEST(InstallPathFolders, APickedFolderGetsTheProductFolderOnce) {
  EXPECT_EQ(WithProductFolder(L"D:\\Apps"), L"D:\\Apps\\Lumevia");
  EXPECT_EQ(WithProductFolder(L"D:\\"), L"D:\\Lumevia");
  EXPECT_EQ(WithProductFolder(L"D:\\Apps\\Lumevia"), L"D:\\Apps\\Lumevia");
  EXPECT_EQ(WithProductFolder(L"D:\\LumeviaOld"), L"D:\\LumeviaOld");  // names it already
}

TEST(InstallPathFolders, TheInstallDirectoryFromTheEditBox) {
  const std::wstring deep = L"D:\\" + std::wstring(300, L'x');
  ExpectAll({
      {InstallDir, L"D:/Apps/Lumevia", L"Lumevia", L"D:\\Apps\\Lumevia"},
      {InstallDir, L"D:\\Apps", L"Lumevia", L"D:\\Apps\\Lumevia"},
      // Trailing separators neither double nor stay behind.
      {InstallDir, L"D:\\Apps\\", L"Lumevia", L"D:\\Apps\\Lumevia"},
      {InstallDir, L"D:\\Apps\\Lumevia\\\\", L"Lumevia", L"D:\\Apps\\Lumevia"},
      {InstallDir, L"D:\\", L"Lumevia", L"D:\\Lumevia"},
      {InstallDir, L"D:\\Apps", L"", L"D:\\Apps"},
      // A long path is kept whole.
      {InstallDir, deep, L"Lumevia", deep + L"\\Lumevia"},
  });
}

TEST(InstallPathFolders, PendingRenamesInsideTheFolderOnly) {
  const std::vector<std::wstring> ops = {L"\\??\\C:\\Other\\a.dll", L"",
                                         L"\\??\\c:\\program files\\lumevia\\bin\\core.dll"};
  EXPECT_TRUE(IsPendingRenameInside(ops, L"C:\\Program Files\\Lumevia"));
  EXPECT_TRUE(IsPendingRenameInside(ops, L"C:\\Program Files\\Lumevia\\"));
  EXPECT_FALSE(IsPendingRenameInside(ops, L"C:\\Program Files\\Lume"));  // a prefix is another folder
  EXPECT_FALSE(IsPendingRenameInside(ops, L"C:\\Program Files\\Lumevia\\bin\\core.dll"));
  EXPECT_FALSE(IsPendingRenameInside(ops, L""));
  EXPECT_FALSE(IsPendingRenameInside({}, L"C:\\Program Files\\Lumevia"));
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

TEST(InstallPathSpace, TheTemporaryDriveTakesThePackageTheInstallDriveTwoOrThreeTimes) {
  const DriveFree unknown;
  auto free = [](uint64_t bytes) { return DriveFree{true, bytes}; };
  // Nothing to download passes whatever the drives hold.
  EXPECT_EQ(CheckFreeSpace(0, true, L"C:\\Temp", free(0), L"C:\\Lumevia", free(0)).verdict, kSpaceEnough);

  SpaceCheck c = CheckFreeSpace(100, true, L"C:\\Temp", free(100), L"D:\\Lumevia", free(1000));
  EXPECT_EQ(c.verdict, kTempDriveTooSmall);  // equal is too small
  EXPECT_EQ(c.freeBytes, 100u);
  EXPECT_EQ(CheckFreeSpace(100, true, L"C:\\Temp", free(101), L"D:\\Lumevia", free(201)).verdict, kSpaceEnough);

  c = CheckFreeSpace(100, true, L"C:\\Temp", free(101), L"D:\\Lumevia", free(200));
  EXPECT_EQ(c.verdict, kInstallDriveTooSmall);
  EXPECT_EQ(c.freeBytes, 200u);
  EXPECT_EQ(c.needed, 200u);
  // Same drive (in any letter case): package, copy and product, three times.
  c = CheckFreeSpace(100, true, L"C:\\Temp", free(1000), L"c:\\Lumevia", free(300));
  EXPECT_EQ(c.verdict, kInstallDriveTooSmall);
  EXPECT_EQ(c.needed, 300u);
  EXPECT_EQ(CheckFreeSpace(100, true, L"C:\\Temp", free(1000), L"C:\\Lumevia", free(301)).verdict, kSpaceEnough);
  // Without the temporary drive's check the factor stays 2.
  EXPECT_EQ(CheckFreeSpace(100, false, L"C:\\Temp", free(0), L"C:\\Lumevia", free(201)).verdict, kSpaceEnough);
  // A drive that does not answer counts as large enough.
  EXPECT_EQ(CheckFreeSpace(100, true, L"C:\\Temp", unknown, L"C:\\Lumevia", unknown).verdict, kSpaceEnough);
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
