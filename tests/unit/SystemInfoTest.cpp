#include <gtest/gtest.h>

#include <map>

#include "FuntionImpl/Md5.h"
#include "FuntionImpl/SafeName.h"
#include "FuntionImpl/SystemInfo.h"
#include "TestSupport.h"
#include "platform/Utf.h"

using namespace FuntionImpl;

TEST(Md5, KnownDigests) {
  EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, StreamingInAnyPiecesEqualsOneShot) {
  std::string data(10000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 31 + 7);
  std::string whole = Md5Hex(data);
  for (size_t piece : {1u, 3u, 55u, 56u, 63u, 64u, 65u, 1000u}) {
    Md5 m;
    for (size_t pos = 0; pos < data.size(); pos += piece) m.Update(data.data() + pos, std::min(piece, data.size() - pos));
    EXPECT_EQ(m.FinalHex(), whole) << piece;
  }
}

TEST(SystemInfo, ChinaTimeIsUtcPlusEight) {
  EXPECT_EQ(FormatChinaTime(0), "1970-01-01 08:00:00");
  EXPECT_EQ(FormatChinaTime(951782400000LL), "2000-02-29 08:00:00");     // 2000-02-29 00:00 UTC
  EXPECT_EQ(FormatChinaTime(1798761599000LL), "2027-01-01 07:59:59");  // 2026-12-31 23:59:59 UTC
  EXPECT_EQ(FormatChinaTime(1798732800999LL), "2027-01-01 00:00:00");  // 2026-12-31 16:00:00.999 UTC
}

TEST(SystemInfo, HostOfAnAddress) {
  EXPECT_EQ(GetHostFromUrl(L"https://DL.Example.COM/path/file.exe"), L"dl.example.com");
  EXPECT_EQ(GetHostFromUrl(L"http://127.0.0.1:8480/x"), L"127.0.0.1:8480");
  EXPECT_EQ(GetHostFromUrl(L""), L"");
  EXPECT_EQ(GetHostFromUrl(L"https://example.com"), L"");      // no "/" after the dot
  EXPECT_EQ(GetHostFromUrl(L"http://localhost/a.b/c"), L"a.b");  // a path piece, as documented
}

TEST(SystemInfo, SmallTextRules) {
  EXPECT_TRUE(IsExeFile(L"C:\\x\\setup.exe"));
  EXPECT_FALSE(IsExeFile(L"C:\\x\\setup.EXE"));
  EXPECT_FALSE(IsExeFile(L""));
  EXPECT_FALSE(IsExeFile(L"exe"));

  std::wstring t = L"aaa";
  EXPECT_EQ(ReplaceAll(t, L"a", L"aa"), 3u);  // continues after each inserted text
  EXPECT_EQ(t, L"aaaaaa");
  t = L"x";
  EXPECT_EQ(ReplaceAll(t, L"", L"y"), 0u);
  EXPECT_EQ(t, L"x");
  std::wstring empty;
  EXPECT_EQ(ReplaceAll(empty, L"a", L"b"), 0u);

  EXPECT_EQ(CutPrefix20(L"2abcdefghijklmnopqrsTAIL"), L"TAIL");
  EXPECT_EQ(CutPrefix20(L"1abcdefghijklmnopqrsTAIL"), L"");
  EXPECT_EQ(CutPrefix20(L"2abcdefghijklmnopqrs"), L"");  // exactly 20 characters
}

TEST(SystemInfo, TrafficTypeAndSiteTag) {
  for (int ppc : {2, 8, 74, 84, 206, 293, 305, 338}) EXPECT_EQ(GetTrafficType(ppc), "PPC") << ppc;
  EXPECT_EQ(GetTrafficType(3), "SEO");
  EXPECT_EQ(GetTrafficType(525), "SEO");
  EXPECT_EQ(GetSiteTagFor(2, "lumevia_bing_setup.exe"), "Bing");
  EXPECT_EQ(GetSiteTagFor(2, "lumevia_bing.exe"), "Bing");
  EXPECT_EQ(GetSiteTagFor(2, "lumevia_bingo.exe"), "Yahoo");
  EXPECT_EQ(GetSiteTagFor(410, "lumevia_promo_setup.exe"), "Promo");
  EXPECT_EQ(GetSiteTagFor(410, "lumevia_setup.exe"), "Direct");
  EXPECT_EQ(GetSiteTagFor(411, "lumevia_edu.exe"), "Education");
  EXPECT_EQ(GetSiteTagFor(84, "x.exe"), "GoogleSearch");  // one table with the channel tag
  EXPECT_EQ(GetSiteTagFor(3, "x.exe"), "");  // organic traffic has no row
  EXPECT_EQ(GetSiteTagFor(999999, "x.exe"), "");
}

TEST(SystemInfo, NetFrameworkCheck) {
  EXPECT_EQ(ParseNetFrameCheck("[Settings]\r\nNetFrameworkVersion=4.8\r\n[Text]\r\nA=b\r\n"), L"4.8\r\n");
  EXPECT_EQ(ParseNetFrameCheck("NetFrameworkVersion=4.0\n[Settings]\nOther=1\n[Text]\nNetFrameworkVersion=4.8\n"),
            L"");
  EXPECT_EQ(ParseNetFrameCheck(""), L"");
  EXPECT_LT(CompareNetVersions(L"4.8", L"4.8.09032"), 0);
  EXPECT_GT(CompareNetVersions(L"4.8.1", L"4.8"), 0);
  EXPECT_EQ(CompareNetVersions(L"4.8.0.0.7", L"4.8"), 0);  // a fifth part is ignored
  EXPECT_GT(CompareNetVersions(L"4.0", L""), 0);           // no .NET 4 compares as 0.0.0.0
}

TEST(SystemInfo, NetFrameworkCheckReadsTheFileBesideTheProduct) {
  testing_support::TempDir dir;
  EXPECT_FALSE(WillShowNetFrameCheck(dir.path()));  // no file: no check
  dir.write(L"NetFrameCheck.db", "[Settings]\nNetFrameworkVersion=99.0\n[Text]\n");
  EXPECT_EQ(ReadNeedNetFrameVersion(dir.path()), L"99.0\n");
  EXPECT_TRUE(WillShowNetFrameCheck(dir.path()));
}

TEST(SystemInfo, FindFileInDirPrefersTheFolderItselfThenDepthFirst) {
  testing_support::TempDir dir;
  const std::wstring sep(1, platform::PathSeparator());
  ASSERT_TRUE(platform::os().CreateDirectories(dir.file(L"sub") + sep + L"deeper"));
  dir.write(L"sub" + sep + L"deeper" + sep + L"app.exe", "x");
  std::wstring found = FindFileInDir(dir.path(), L"app.exe");
  EXPECT_NE(found.find(L"deeper"), std::wstring::npos);
  dir.write(L"app.exe", "y");
  found = FindFileInDir(dir.path(), L"app.exe");
  EXPECT_EQ(found.find(L"sub"), std::wstring::npos);
  EXPECT_EQ(FindFileInDir(dir.path(), L"none.exe"), L"");
}

TEST(SystemInfo, Utf8Conversions) {
  std::wstring w = L"Lumevia \u4E2D\u6587 \u00E9";
  w += static_cast<wchar_t>(0x00E9);
  EXPECT_EQ(Utf8ToWide(WideToUtf8(w)), w);
  EXPECT_EQ(WideToUtf8(L""), "");
  EXPECT_EQ(Utf8ToWide(""), L"");
  EXPECT_EQ(WideToUtf8(L"\u00e9"), "\xC3\xA9");
  std::wstring bad = Utf8ToWide("a\xFF" "b\xC3");
  EXPECT_EQ(bad, std::wstring(L"a\uFFFDb\uFFFD"));
  EXPECT_EQ(Utf8ToWide("\xC0\xAF"), std::wstring(L"\uFFFD\uFFFD"));  // overlong "/"
  std::string emoji = "\xF0\x9F\x98\x80";
  EXPECT_EQ(WideToUtf8(Utf8ToWide(emoji)), emoji);
}

namespace {
// A machine whose version facts the test sets.
class VersionOs : public platform::ForwardingOs {
 public:
  platform::OsVersion nt, legacy;
  std::map<std::wstring, std::wstring> registry;  // "key|value" -> data
  bool RegReadString(platform::RegRoot root, const std::wstring& key, const std::wstring& value, std::wstring& out,
                     platform::RegView view) override {
    auto it = registry.find(platform::NativeKeyName(root, key, view) + L"|" + value);
    if (it == registry.end()) return false;
    out = it->second;
    return true;
  }
  platform::OsVersion NtVersion() override { return nt; }
  platform::OsVersion LegacyVersion() override { return legacy; }
};
platform::OsVersion V(unsigned major, unsigned minor, bool workstation = true) {
  platform::OsVersion v;
  v.major = major;
  v.minor = minor;
  v.workstation = workstation;
  v.ok = true;
  return v;
}
}  // namespace

TEST(SystemInfo, OperatingSystemNames) {
  VersionOs fake;
  platform::ScopedOs scope(fake);
  fake.nt = V(10, 0);
  EXPECT_EQ(GetOsName(), "Windows 10");  // registry unreadable (no rights): not 11
  fake.registry[L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion|CurrentBuildNumber"] = L"22621";
  EXPECT_TRUE(IsWindows11());
  EXPECT_EQ(GetOsName(), "Windows 11");
  fake.registry[L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion|CurrentBuild"] = L"19045";
  EXPECT_EQ(GetOsName(), "Windows 10");  // the first key that opens decides
  fake.registry.clear();
  fake.nt = V(6, 3);
  EXPECT_EQ(GetOsName(), "Windows 8.1");
  fake.nt = platform::OsVersion();
  struct Row { unsigned major, minor; bool ws; const char* name; };
  for (const Row& r : {Row{5, 1, true, "Windows XP"}, Row{6, 0, true, "Windows Vista"},
                       Row{6, 0, false, "Windows Server 2008"}, Row{6, 1, true, "Windows 7"},
                       Row{6, 1, false, "Windows Server 2008 R2"}, Row{6, 2, true, "Windows 8"},
                       Row{5, 0, true, "Windows 2000"}, Row{4, 90, true, "Microsoft Windows Me"},
                       Row{6, 9, true, ""}, Row{3, 1, true, "Error"}}) {
    fake.legacy = V(r.major, r.minor, r.ws);
    EXPECT_EQ(GetOsName(), r.name) << r.major << "." << r.minor;
  }
  fake.legacy = V(5, 2, true);
  fake.legacy.x64Processor = true;
  EXPECT_EQ(GetOsName(), "Windows XP Professional x64 Edition");
  fake.legacy = V(5, 2, false);
  fake.legacy.serverR2 = true;
  EXPECT_EQ(GetOsName(), "Windows Server 2003 R2");
  fake.legacy = platform::OsVersion();
  EXPECT_EQ(GetOsName(), "");
}

namespace {
class DrivesOs : public platform::ForwardingOs {
 public:
  struct Drive { platform::DriveType type; int bus; uint64_t free; };
  std::map<wchar_t, Drive> drives;
  std::vector<wchar_t> LogicalDrives() override {
    std::vector<wchar_t> v;
    for (auto& d : drives) v.push_back(d.first);
    return v;
  }
  platform::DriveType DriveTypeOf(const std::wstring& root) override { return drives.at(root[0]).type; }
  int StorageBusType(wchar_t l) override { return drives.at(l).bus; }
  bool DiskFreeForUser(const std::wstring& p, uint64_t& f) override {
    f = drives.at(p[0]).free;
    return true;
  }
};
}  // namespace

TEST(SystemInfo, InstallDriveIsTheFixedNonUsbDriveWithMostSpace) {
  DrivesOs fake;
  platform::ScopedOs scope(fake);
  using T = platform::DriveType;
  fake.drives = {{L'C', {T::Fixed, 17, 100}}, {L'D', {T::Fixed, 7, 900}},     // USB: never chosen
                 {L'E', {T::Fixed, 11, 500}}, {L'F', {T::Fixed, 11, 500}},    // a tie: the first wins
                 {L'G', {T::Remote, 0, 9999}}, {L'H', {T::CdRom, 0, 9999}}};
  std::wstring path = L"C:\\Program Files\\Lumevia";
  PickInstallDrive(path);
  EXPECT_EQ(path, L"E:\\Program Files\\Lumevia");
  fake.drives = {{L'D', {T::Removable, 0, 900}}};
  path = L"C:\\Program Files\\Lumevia";
  PickInstallDrive(path);
  EXPECT_EQ(path, L"C:\\Program Files\\Lumevia");  // no drive qualified
}

// ---- Service text as names and links ----------------------------------------------

TEST(SafeName, OnlyAPlainNameInsideItsFolderPasses) {
  const wchar_t* const refused[] = {
      L"", L"..", L"..\\x", L"a\\b", L"a/b", L"C:", L"C:x.exe", L"\\\\host\\share", L"1..2",
      L"Lumevia\" /DIR=\"C:\\x", L"a\"", L"a<b", L"a>b", L"a|b", L"a?b", L"a*b", L"a\tb", L"a\nb",
      L"a\x7F", L"a\x1B", L"name.", L"name ", L"CON", L"con.txt", L"NUL", L"nul .exe", L"AUX", L"PRN",
      L"COM1", L"com9.exe", L"LPT3", L"COM\u00B9", L"CONIN$", L"conout$.log",
  };
  for (const wchar_t* text : refused) EXPECT_FALSE(IsSafeName(text)) << platform::Utf8FromWide(text);

  const wchar_t* const accepted[] = {
      L"Lumevia", L"Lumevia Pro 2", L"Velscape.exe", L"3.1.0.0", L".png", L"1.png", L"_", L"-1",
      L"Lumevia Édition", L"Люмевия", L"流明", L"لوميفيا", L"CONSOLE", L"COM10", L"NULL.exe", L"LPT", L"a.b.c",
  };
  for (const wchar_t* text : accepted) EXPECT_TRUE(IsSafeName(text)) << platform::Utf8FromWide(text);
}

TEST(SafeName, OnlyWebAddressesAreLinks) {
  for (const wchar_t* url : {L"http://example.test", L"https://example.test/p?a=1#x", L"HTTPS://Example.Test/",
                             L"http://127.0.0.1:8480/privacy"})
    EXPECT_TRUE(IsWebLink(url)) << platform::Utf8FromWide(url);
  for (const wchar_t* url :
       {L"", L"file:///c:/x", L"FILE://host/share", L"\\\\host\\share\\x.exe", L"//host/x", L"ms-settings:",
        L"javascript:alert(1)", L"C:\\Windows\\calc.exe", L"calc.exe", L"http:", L"https://", L"http:///x",
        L"http:\\\\host\\x", L"https://h/a b", L"https://h/\"x", L"https://h/\n", L" https://h/", L"httpx://h",
        L"shell:startup"})
    EXPECT_FALSE(IsWebLink(url)) << platform::Utf8FromWide(url);
}
