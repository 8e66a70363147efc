#include "package/SetupCommandLine.h"

#include <gtest/gtest.h>

namespace {

using demo::DemoBehaviour;
using demo::ParseDemoBehaviour;
using demo::ParseSetupCommandLine;
using demo::SplitSetupItems;
using Items = std::vector<std::wstring>;

TEST(SetupItems, QuotesGroupBlanksAndAreDroppedWhereverTheyStand) {
  EXPECT_EQ(SplitSetupItems(L"a \"b c\" d"), (Items{L"a", L"b c", L"d"}));
  EXPECT_EQ(SplitSetupItems(L"/LOG=\"C:\\my logs\\x.log\" /SP-"), (Items{L"/LOG=C:\\my logs\\x.log", L"/SP-"}));
  EXPECT_EQ(SplitSetupItems(L"ab\"c d\"ef"), (Items{L"abc def"}));
  EXPECT_EQ(SplitSetupItems(L"\"\" x"), (Items{L"", L"x"}));
  // An unclosed quote runs to the end of the line.
  EXPECT_EQ(SplitSetupItems(L"/DIR=\"C:\\a b /LANG=en"), (Items{L"/DIR=C:\\a b /LANG=en"}));
}

TEST(SetupItems, BackslashIsNoEscapeCharacter) {
  // The stub closes the folder with a backslash before the quote; a reader
  // that took \" as an escaped quote would swallow /LANG.
  EXPECT_EQ(SplitSetupItems(L"/DIR=\"C:\\x\\\" /LANG=en"), (Items{L"/DIR=C:\\x\\", L"/LANG=en"}));
  EXPECT_EQ(SplitSetupItems(L"a\\\\\"b c\""), (Items{L"a\\\\b c"}));
}

TEST(SetupItems, RunsOfBlanksAndTabsSeparateOnce) {
  EXPECT_EQ(SplitSetupItems(L"   /SP-  \t /NORESTART\t"), (Items{L"/SP-", L"/NORESTART"}));
  EXPECT_TRUE(SplitSetupItems(L" \t ").empty());
  EXPECT_TRUE(SplitSetupItems(L"").empty());
}

TEST(SetupCommandLine, ReadsTheLineTheStubBuilds) {
  const auto o = ParseSetupCommandLine(
      L" /VERYSILENT /SP- /NORESTART /DIR=\"C:\\Program Files\\Lumevia\\\" /LANG=zhcn"
      L" /LOG=\"C:\\Temp\\Lumevia_Setup_20240102030405.log\" /sptrack null");
  EXPECT_TRUE(o.silent);
  EXPECT_TRUE(o.verySilent);
  EXPECT_TRUE(o.noStartupPrompt);
  EXPECT_TRUE(o.noRestart);
  EXPECT_TRUE(o.hasDir);
  EXPECT_EQ(o.dir, L"C:\\Program Files\\Lumevia\\");
  EXPECT_EQ(o.lang, L"zhcn");
  EXPECT_TRUE(o.hasLog);
  EXPECT_EQ(o.logFile, L"C:\\Temp\\Lumevia_Setup_20240102030405.log");
  EXPECT_TRUE(o.hasTracking);
  EXPECT_EQ(o.tracking, L"null");
}

TEST(SetupCommandLine, ProgramNameFirstIsSkippedAndSwitchesIgnoreCase) {
  const auto o = ParseSetupCommandLine(L"\"C:\\dl\\Lumevia_Setup.exe\" /silent /dir=C:\\P /Lang=de /log=x.log");
  EXPECT_TRUE(o.silent);
  EXPECT_FALSE(o.verySilent);
  EXPECT_EQ(o.dir, L"C:\\P");
  EXPECT_EQ(o.lang, L"de");
  EXPECT_EQ(o.logFile, L"x.log");
  // A program path is never taken for a switch, even a quoted one with blanks.
  EXPECT_FALSE(ParseSetupCommandLine(L"\"C:\\a b\\Velscape.exe\"").silent);
}

TEST(SetupCommandLine, TrackingTakesTheNextItemWhateverItIs) {
  EXPECT_EQ(ParseSetupCommandLine(L"/VERYSILENT /sptrack \"name_x.exe\" /LANG=fr").tracking, L"name_x.exe");
  const auto o = ParseSetupCommandLine(L"/VERYSILENT /SPTRACK /LANG=fr");
  EXPECT_EQ(o.tracking, L"/LANG=fr");
  EXPECT_TRUE(o.lang.empty());
  const auto end = ParseSetupCommandLine(L"/VERYSILENT /sptrack");
  EXPECT_FALSE(end.hasTracking);
  EXPECT_TRUE(end.tracking.empty());
}

TEST(SetupCommandLine, MissingValuesAndUnknownSwitches) {
  const auto o = ParseSetupCommandLine(L"/VERYSILENT /DIR= /LANG= /LOG /FOO=\"a b\" /BAR /LANG=it");
  EXPECT_TRUE(o.hasDir);
  EXPECT_TRUE(o.dir.empty());
  EXPECT_EQ(o.lang, L"it");  // the last one wins
  EXPECT_TRUE(o.hasLog);
  EXPECT_TRUE(o.logFile.empty());
  EXPECT_FALSE(o.hasTracking);
  // Near misses are not the switches.
  const auto n = ParseSetupCommandLine(L"/VERYSILENTX /DIRX=C:\\y /LANGUAGE=de");
  EXPECT_FALSE(n.silent);
  EXPECT_FALSE(n.hasDir);
  EXPECT_TRUE(n.lang.empty());
}

TEST(SetupCommandLine, UnicodeFolderKeptWhole) {
  const std::wstring dir = L"C:\\Users\\J\u00f6rg\\\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b \u4e2d\u6587\\";
  const auto o = ParseSetupCommandLine(L" /VERYSILENT /DIR=\"" + dir + L"\" /LANG=ru");
  EXPECT_EQ(o.dir, dir);
  EXPECT_EQ(o.lang, L"ru");
}

TEST(DemoBehaviourText, KnownWordsAndTheirNumbers) {
  EXPECT_EQ(ParseDemoBehaviour("long:5").kind, DemoBehaviour::Kind::Long);
  EXPECT_EQ(ParseDemoBehaviour("long:5").value, 5u);
  EXPECT_EQ(ParseDemoBehaviour("exit:3").kind, DemoBehaviour::Kind::Exit);
  EXPECT_EQ(ParseDemoBehaviour("exit:3").value, 3u);
  EXPECT_EQ(ParseDemoBehaviour("exit:0").kind, DemoBehaviour::Kind::Exit);
  EXPECT_EQ(ParseDemoBehaviour("crash").kind, DemoBehaviour::Kind::Crash);
  EXPECT_EQ(ParseDemoBehaviour("hang").kind, DemoBehaviour::Kind::Hang);
}

TEST(DemoBehaviourText, AnythingElseInstallsNormally) {
  for (const char* text : {"", "long", "long:", "long:x", "exit:-1", "exit:3x", "crash:1", "crashy", "Hang",
                           "long:99999999999"})
    EXPECT_EQ(ParseDemoBehaviour(text).kind, DemoBehaviour::Kind::Normal) << text;
}

}  // namespace
