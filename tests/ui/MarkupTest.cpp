// The text mark-up and its layout: link numbering, faulty mark-up shown as
// written, and the link rectangles the hit test uses.
#include <gtest/gtest.h>

#include "toolkit/Markup.h"
#include "toolkit/RichText.h"
#include "toolkit/headless/RecordingCanvas.h"

using namespace SkinUI;

TEST(Markup, NumbersLinksInTextOrderAndKeepsStyles) {
  MarkupText m = ParseMarkup(L"I accept the {c #000001}{a}Privacy{/a}{/c} and {f 2}{a}Licence{/a}{/f}{u}!{/u}");
  ASSERT_FALSE(m.plain);
  EXPECT_EQ(m.linkCount, 2);
  std::vector<std::wstring> links;
  for (const MarkupRun& r : m.runs)
    if (r.link >= 0) links.push_back(std::to_wstring(r.link) + L":" + r.text);
  EXPECT_EQ(links, (std::vector<std::wstring>{L"0:Privacy", L"1:Licence"}));
  EXPECT_EQ(m.runs[1].color, 0xFF000001u);
  EXPECT_EQ(m.runs[3].font, 2);
  EXPECT_TRUE(m.runs.back().underline);
  EXPECT_EQ(StripMarkup(L"a {u}b{/u}{n}c"), L"a b\nc");
}

TEST(Markup, FaultyMarkupIsPlainText) {
  // A megabyte of line breaks took seconds to lay out as runs (found with
  // the fuzz target's hostile inputs): texts beyond any label's are plain.
  std::wstring huge;
  for (int i = 0; i < 20000; ++i) huge += L"{u}k{/u}\n";
  EXPECT_TRUE(ParseMarkup(huge).plain);
  EXPECT_EQ(ParseMarkup(huge.substr(0, 9000)).runs.size(), 2000u);
  for (const wchar_t* bad : {L"{a}open link", L"{a}{/a} empty link", L"{c #12}x{/c}", L"{f 1}x{/c}", L"x{/u}",
                             L"{q}unknown{/q}", L"{a}{a}nested{/a}{/a}", L"{unclosed"}) {
    MarkupText m = ParseMarkup(bad);
    EXPECT_TRUE(m.plain) << bad;
    EXPECT_EQ(StripMarkup(bad), bad);
    EXPECT_EQ(m.linkCount, 0) << bad;
  }
}

TEST(RichText, WrapsAtWordsAndPlacesLinksWhereTheyAreDrawn) {
  RecordingCanvas canvas;  // 0.6 x size per character
  FontSpec font;
  font.size = 10;  // 6 pixels per character
  MarkupText m = ParseMarkup(L"aaaa bbbb {a}cccc{/a}");
  auto pieces = LayoutRichText(m, Rect(0, 0, 60, 100), font, 0xFF000000, kTextWordBreak, [&](int) { return font; },
                               canvas);
  // "aaaa bbbb " is 60 pixels: the link wraps to the second line.
  const PlacedText* link = nullptr;
  for (const auto& p : pieces)
    if (p.link == 0) link = &p;
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->rc.left, 0);
  EXPECT_EQ(link->rc.top, 12);
  EXPECT_EQ(link->rc.Width(), 24);
}
