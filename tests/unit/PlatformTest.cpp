#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/IniText.h"
#include "platform/OwnedHandles.h"
#include "platform/Platform.h"

using platform::os;

TEST(Platform, RegistryStringsRoundTrip) {
  const std::wstring key = L"SOFTWARE\\LumeviaTests\\Roundtrip";
  const std::wstring text = L"Ja \u65E5\u672C\u8A9E";
  ASSERT_TRUE(os().RegWriteString(platform::RegRoot::CurrentUser, key, L"Lang", text));
  std::wstring out;
  ASSERT_TRUE(os().RegReadString(platform::RegRoot::CurrentUser, key, L"Lang", out));
  EXPECT_EQ(out, text);
  EXPECT_TRUE(os().RegReadString(platform::RegRoot::CurrentUser, L"software\\lumeviatests\\ROUNDTRIP", L"LANG", out));
  EXPECT_FALSE(os().RegReadString(platform::RegRoot::CurrentUser, key, L"Missing", out));
}

// The 32-bit programs' HKLM\SOFTWARE is the 64-bit view's SOFTWARE\WOW6432Node;
// HKCU and keys outside SOFTWARE have one tree.
TEST(Platform, RegistryThirtyTwoBitViewIsTheWow6432NodeTree) {
  using platform::RegRoot;
  using platform::RegView;
  const std::wstring key = L"SOFTWARE\\LumeviaTests\\View";
  ASSERT_TRUE(os().RegWriteString(RegRoot::LocalMachine, key, L"GA_PC", L"1", RegView::View32));
  std::wstring out;
  EXPECT_TRUE(os().RegReadString(RegRoot::LocalMachine, L"SOFTWARE\\WOW6432Node\\LumeviaTests\\View", L"GA_PC", out));
  EXPECT_EQ(out, L"1");
  EXPECT_FALSE(os().RegReadString(RegRoot::LocalMachine, key, L"GA_PC", out));
  EXPECT_TRUE(os().RegKeyExists(RegRoot::LocalMachine, key, RegView::View32));
  EXPECT_FALSE(os().RegKeyExists(RegRoot::LocalMachine, key));
  ASSERT_TRUE(os().RegWriteString(RegRoot::CurrentUser, key, L"Lang", L"de", RegView::View32));
  EXPECT_TRUE(os().RegReadString(RegRoot::CurrentUser, key, L"Lang", out));

  const std::pair<const wchar_t*, const wchar_t*> names[] = {
      {L"SOFTWARE\\Maker\\Tool", L"SOFTWARE\\WOW6432Node\\Maker\\Tool"},
      {L"SoftWare\\Microsoft", L"SoftWare\\WOW6432Node\\Microsoft"},
      {L"software", L"software\\WOW6432Node"},
      {L"SOFTWARE\\Wow6432Node\\Maker", L"SOFTWARE\\Wow6432Node\\Maker"},  // named natively already
      {L"SOFTWAREX\\Maker", L"SOFTWAREX\\Maker"},
      {L"SYSTEM\\CurrentControlSet", L"SYSTEM\\CurrentControlSet"},
  };
  for (const auto& n : names) {
    EXPECT_EQ(platform::NativeKeyName(RegRoot::LocalMachine, n.first, RegView::View32), n.second) << n.first;
    EXPECT_EQ(platform::NativeKeyName(RegRoot::LocalMachine, n.first, RegView::Native), n.first);
    EXPECT_EQ(platform::NativeKeyName(RegRoot::CurrentUser, n.first, RegView::View32), n.first);
  }
}

TEST(Platform, ASecondCreationOfANamedMutexSeesTheFirstUntilItsOwnerLetsGo) {
  std::wstring name = L"LumeviaTestMutex_" + std::to_wstring(os().CurrentProcessId());
  platform::MutexResult created = os().CreateNamedMutex(name, true);
  ASSERT_NE(created.handle, 0u);
  EXPECT_FALSE(created.alreadyExisted);
  platform::HeldMutex first(created.handle);
  {
    created = os().CreateNamedMutex(name, true);
    platform::OwnedMutex second(created.handle);
    EXPECT_TRUE(created.alreadyExisted);
  }
  // Closing the second copy left the first one's hold in place.
  created = os().CreateNamedMutex(name, true);
  EXPECT_TRUE(created.alreadyExisted);
  platform::OwnedMutex(created.handle).reset();
  first.reset();
  created = os().CreateNamedMutex(name, true);
  platform::HeldMutex third(created.handle);
  EXPECT_FALSE(created.alreadyExisted);
}

// A file left open could not be deleted on Windows: the owner closed it.
TEST(Platform, AnOwnedFileIsClosedWhenItsOwnerGoes) {
  testing_support::TempDir dir;
  std::wstring f = dir.file(L"slices.bin");
  {
    platform::OwnedFile file(os().OpenFileForUpdate(f));
    ASSERT_TRUE(file);
    EXPECT_EQ(os().WriteFileAt(file.get(), 4, "ab", 2), 2u);
  }
  EXPECT_EQ(os().FileSize(f), 6);
  EXPECT_TRUE(os().RemoveFile(f));
}

// Reads at offsets: a read past the end comes back short, a missing file
// does not open (and is not created, unlike the update mode).
TEST(Platform, ReadsAFileAtOffsets) {
  testing_support::TempDir dir;
  std::wstring f = dir.file(L"package.exe");
  ASSERT_TRUE(os().WriteFile(f, "0123456789"));
  {
    platform::OwnedFile file(os().OpenFileForRead(f));
    ASSERT_TRUE(file);
    char buf[8] = {};
    EXPECT_EQ(os().ReadFileAt(file.get(), 3, buf, 4), 4u);
    EXPECT_EQ(std::string(buf, 4), "3456");
    EXPECT_EQ(os().ReadFileAt(file.get(), 7, buf, 8), 3u);
    EXPECT_EQ(std::string(buf, 3), "789");
    EXPECT_EQ(os().ReadFileAt(file.get(), 10, buf, 8), 0u);
    EXPECT_EQ(os().ReadFileAt(file.get(), -1, buf, 8), 0u);
    EXPECT_EQ(os().ReadFileAt(0, 0, buf, 8), 0u);
  }
  std::wstring missing = dir.file(L"absent.exe");
  EXPECT_EQ(os().OpenFileForRead(missing), 0u);
  EXPECT_FALSE(os().FileExists(missing));
  EXPECT_FALSE(platform::CurrentDirectory().empty());
}

TEST(Platform, FilesAndFolders) {
  testing_support::TempDir dir;
  std::wstring deep = dir.file(L"a") + platform::PathSeparator() + L"b";
  ASSERT_TRUE(os().CreateDirectories(deep));
  EXPECT_TRUE(os().CreateDirectories(deep));  // already there counts as done
  EXPECT_TRUE(os().IsDirectory(deep));
  std::wstring f = platform::JoinPath(deep, L"x.bin");
  std::string bytes("a\0b", 3);
  ASSERT_TRUE(os().WriteFile(f, bytes));
  EXPECT_EQ(os().FileSize(f), 3);
  std::string back;
  ASSERT_TRUE(os().ReadFile(f, back));
  EXPECT_EQ(back, bytes);
  EXPECT_EQ(os().ListDirectory(deep), std::vector<std::wstring>{L"x.bin"});
  EXPECT_TRUE(os().RemoveFile(f));
  EXPECT_FALSE(os().FileExists(f));
  EXPECT_EQ(os().FileSize(f), -1);
  uint64_t freeBytes = 0;
  EXPECT_TRUE(os().DiskFreeForUser(dir.path(), freeBytes));
  EXPECT_GT(freeBytes, 0u);
}

TEST(Platform, PathPieces) {
  EXPECT_EQ(platform::DirectoryOf(L"C:\\a\\b.exe"), L"C:\\a\\");
  EXPECT_EQ(platform::DirectoryOf(L"/a/b"), L"/a/");
  EXPECT_EQ(platform::DirectoryOf(L"b.exe"), L"");
  EXPECT_EQ(platform::FileNameOf(L"C:\\a/b.exe"), L"b.exe");
}

TEST(Platform, IniTextAsTheProfileFunctionsReadIt) {
  std::string v;
  EXPECT_TRUE(platform::IniLookup("\xEF\xBB\xBF[settings]\r\n autorun = 1 \r\n", "Settings", "AutoRun", v));
  EXPECT_EQ(v, "1");
  EXPECT_FALSE(platform::IniLookup("[Settings]\nAutoRun\n", "Settings", "AutoRun", v));
  EXPECT_TRUE(platform::IniLookup("[S]\nk=a\nk=b\n", "S", "k", v));
  EXPECT_EQ(v, "a");  // the first match wins
  EXPECT_EQ(platform::IniParseInt("01"), 1);
  EXPECT_EQ(platform::IniParseInt(" 7x"), 7);
  EXPECT_EQ(platform::IniParseInt("true"), 0);
  EXPECT_EQ(platform::IniParseInt("-3"), -3);
  EXPECT_EQ(platform::IniParseInt("99999999999999999999"), 2147483647);
}

TEST(Platform, TheRunningModuleAndItsResources) {
  std::wstring exe = os().ModuleFileName();
  EXPECT_FALSE(exe.empty());
  EXPECT_TRUE(os().FileExists(exe));
  std::string bytes;
  EXPECT_FALSE(os().LoadModuleResource(L"ZIPRES", 4242, bytes));  // the tests carry no such resource
  EXPECT_TRUE(bytes.empty());
  EXPECT_LE(os().TickCount(), os().TickCount());
  EXPECT_GT(os().UnixTimeMs(), 1700000000000LL);
}
