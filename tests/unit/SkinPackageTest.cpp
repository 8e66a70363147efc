#include <gtest/gtest.h>

#include "TestSupport.h"
#include "toolkit/SkinPackage.h"

using SkinUI::SkinPackage;
using testing_support::MakeZip;

TEST(SkinPackage, NamesMatchWithoutCaseAndWithEitherSeparator) {
  SkinPackage pkg;
  ASSERT_TRUE(pkg.Open(MakeZip({{"configure/configure.xml", "<a/>"}, {"skin/Logo.png", "PNG"}})));
  std::string out;
  EXPECT_TRUE(pkg.Extract("Configure\\CONFIGURE.xml", out));
  EXPECT_EQ(out, "<a/>");
  EXPECT_TRUE(pkg.Extract("skin/logo.PNG", out));
  EXPECT_EQ(out, "PNG");
  EXPECT_TRUE(pkg.Contains("\\skin\\logo.png"));
  EXPECT_FALSE(pkg.Extract("skin/missing.png", out));
  EXPECT_TRUE(out.empty());
}

TEST(SkinPackage, StoredAndDeflatedEntriesOfAnySize) {
  std::string big(300000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919) >> 3);
  for (bool deflate : {false, true}) {
    SkinPackage pkg;
    ASSERT_TRUE(pkg.Open(MakeZip({{"empty.txt", ""}, {"big.bin", big}}, deflate)));
    std::string out;
    EXPECT_TRUE(pkg.Extract("big.bin", out));
    EXPECT_EQ(out, big);
    EXPECT_TRUE(pkg.Extract("empty.txt", out));
    EXPECT_TRUE(out.empty());
  }
}

TEST(SkinPackage, BytesThatAreNotAZipAreRefused) {
  SkinPackage pkg;
  EXPECT_FALSE(pkg.Open(""));
  EXPECT_FALSE(pkg.Open("this is not a zip archive at all, just text"));
  EXPECT_FALSE(pkg.IsOpen());
  std::string zip = MakeZip({{"a.xml", "<a/>"}});
  EXPECT_FALSE(pkg.Open(zip.substr(0, zip.size() / 2)));  // directory cut off
  std::string out;
  EXPECT_FALSE(pkg.Extract("a.xml", out));
}

TEST(SkinPackage, DamagedEntryDataIsNotHandedOut) {
  std::string text(5000, 'x');
  std::string zip = MakeZip({{"a.xml", text}}, false);
  zip[30 + 5 + 100] = 'y';  // inside the stored data: the CRC no longer matches
  SkinPackage pkg;
  ASSERT_TRUE(pkg.Open(zip));
  std::string out;
  EXPECT_FALSE(pkg.Extract("a.xml", out));
  EXPECT_TRUE(out.empty());
}

TEST(SkinPackage, TheBuiltSkinHoldsItsLayoutsAndConfiguration) {
  SkinPackage pkg;
  ASSERT_TRUE(pkg.Open(testing_support::BuiltSkinZip()));
  for (const char* name : {"InstallMainWnd.xml", "InstallMainLayout.xml", "font.xml", "scrollbar.xml",
                           "configure/configure.xml"})
    EXPECT_TRUE(pkg.Contains(name)) << name;
  std::string xml;
  ASSERT_TRUE(pkg.Extract("configure/configure.xml", xml));
  EXPECT_EQ(xml.compare(0, 3, "\xEF\xBB\xBF"), 0);  // the byte-order mark the early search skips
}

TEST(SkinPackage, HostileArchivesAreReadWithinTheLimits) {
  // A name longer than the reader's name buffer was read past the buffer's
  // end; it is left out, the other entries stay.
  SkinPackage pkg;
  ASSERT_TRUE(pkg.Open(MakeZip({{std::string(2000, 'n'), "x"}, {"a.xml", "<a/>"}})));
  EXPECT_EQ(pkg.EntryNames(), std::vector<std::string>{"a.xml"});
  // An entry that inflates to 64 MiB is refused rather than held.
  ASSERT_TRUE(pkg.Open(MakeZip({{"bomb.xml", std::string(64u << 20, '\0')}, {"a.xml", "<a/>"}})));
  std::string out;
  EXPECT_FALSE(pkg.Extract("bomb.xml", out));
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(pkg.Extract("a.xml", out));
  // A directory of more entries than any skin has is not read at all.
  std::vector<std::pair<std::string, std::string>> many;
  for (int i = 0; i < 20000; ++i) many.push_back({"e" + std::to_string(i), ""});
  EXPECT_FALSE(pkg.Open(MakeZip(many, false)));
}
