// Right-to-left texts: the direction rule, the texts the controls hand to
// the canvas (Arabic and Hebrew as right-to-left embeddings, everything else
// untouched) and the lines of wrapped right-to-left paragraphs.
#include <gtest/gtest.h>

#include "../unit/TestSupport.h"
#include "MainWindowFixture.h"
#include "platform/Utf.h"
#include "toolkit/Bidi.h"
#include "toolkit/ComboUI.h"
#include "toolkit/Markup.h"
#include "toolkit/RichText.h"
#include "toolkit/headless/RecordingCanvas.h"

using namespace SkinUI;

namespace {
const std::wstring kRle = L"\u202B", kPdf = L"\u202C";
std::wstring Rtl(const std::wstring& s) { return kRle + s + kPdf; }
std::string U8(const std::wstring& s) { return platform::Utf8FromWide(s); }

const std::wstring kInstalling = L"جارٍ التثبيت... 29%";

// Also records the texts it was asked to measure.
struct MeasuringCanvas : RecordingCanvas {
  std::vector<std::wstring> measured;
  Size MeasureText(const std::wstring& text, const FontSpec& font, int maxWidth) override {
    measured.push_back(text);
    return RecordingCanvas::MeasureText(text, font, maxWidth);
  }
  bool HasEmbedding() const {
    for (const Op& o : ops)
      if (o.text.find(L'\u202B') != std::wstring::npos) return true;
    return false;
  }
};
}  // namespace

TEST(Bidi, FirstStrongCharacterDecidesSkippingDigitsPunctuationAndMarks) {
  const std::pair<std::wstring, TextDirection> cases[] = {
      {L"", TextDirection::Neutral},
      {L"29%", TextDirection::Neutral},
      {L" ... (12.5) - %", TextDirection::Neutral},
      {L"٢٩٪", TextDirection::Neutral},  // Arabic-Indic digits and percent are not letters
      {L"Installing... 29%", TextDirection::LeftToRight},
      {L"Lumevia جاهز للاستخدام", TextDirection::LeftToRight},
      {L"260MB", TextDirection::LeftToRight},
      {L"安装 Lumevia", TextDirection::LeftToRight},
      {L"Привет", TextDirection::LeftToRight},
      {kInstalling, TextDirection::RightToLeft},
      {L"  29% ... " + kInstalling, TextDirection::RightToLeft},
      {L"ساعد في تحسين Lumevia", TextDirection::RightToLeft},
      {L"שלום Lumevia", TextDirection::RightToLeft},
      {L"\u064E Lumevia", TextDirection::LeftToRight},                // a vowel mark first
      {L"\u200F29%", TextDirection::RightToLeft},                    // right-to-left mark
      {L"\u200Eשלום", TextDirection::LeftToRight},                    // left-to-right mark
      {L"\u2067שלום\u2069 Lumevia", TextDirection::LeftToRight},      // an isolate is skipped
      {L"\U00010900", TextDirection::RightToLeft},                     // beyond the first plane
  };
  for (const auto& c : cases) EXPECT_EQ(FirstStrongDirection(c.first), c.second) << U8(c.first);
}

TEST(Bidi, RightToLeftLinesAreEmbeddedEveryOtherTextStaysAsItIs) {
  MeasuringCanvas canvas;  // 6 pixels a character at size 10, lines of 12
  FontSpec font;
  font.size = 10;
  const Rect box(5, 0, 125, 60);
  for (const std::wstring& same : {std::wstring(L"Installing... 29%"), std::wstring(L"正在安装... 29%"),
                                   std::wstring(L"Lumevia جاهز للاستخدام"), std::wstring(L"29%\n260MB"),
                                   std::wstring(L"Lumevia\nLumevia جاهز")}) {
    canvas.ops.clear();
    DrawTextInOrder(canvas, same, box, font, 0, kTextVCenter);
    ASSERT_EQ(canvas.ops.size(), 1u) << U8(same);
    EXPECT_EQ(canvas.ops[0].text, same);
    EXPECT_EQ(canvas.ops[0].rc, box);
  }
  canvas.ops.clear();
  DrawTextInOrder(canvas, kInstalling, box, font, 0, kTextVCenter);
  ASSERT_EQ(canvas.ops.size(), 1u);
  EXPECT_EQ(canvas.ops[0].text, Rtl(kInstalling));
  EXPECT_EQ(canvas.ops[0].rc, box);  // not mirrored: the same place
  // Each line on its own, one below the other, the block centred as asked;
  // a "\r\n" end is no part of a line.
  canvas.ops.clear();
  DrawTextInOrder(canvas, L"عربي\r\nEnglish\n29%\nעברית", box, font, 0, kTextVCenter | kTextRight);
  const std::wstring expected[] = {Rtl(L"عربي"), L"English", L"29%", Rtl(L"עברית")};
  ASSERT_EQ(canvas.ops.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(canvas.ops[i].text, expected[i]) << i;
    EXPECT_EQ(canvas.ops[i].rc, Rect(5, 6 + 12 * i, 125, 18 + 12 * i)) << i;
  }
  EXPECT_EQ(MeasureTextInOrder(canvas, L"عربي\r\nEnglish\n\nעברית", font, 0).cy, 4 * 12);
}

TEST(Bidi, WrappedRightToLeftParagraphIsBrokenIntoEmbeddedLines) {
  MeasuringCanvas canvas;
  FontSpec font;
  font.size = 10;
  // Two words with a blank and the two embedding marks make 66 pixels; the third does not fit.
  const std::wstring para = L"ابجد هوزي حطيك";
  DrawTextInOrder(canvas, para, Rect(0, 0, 80, 60), font, 0xFF000000, kTextWordBreak);
  ASSERT_EQ(canvas.ops.size(), 2u);
  EXPECT_EQ(canvas.ops[0].text, Rtl(L"ابجد هوزي"));
  EXPECT_EQ(canvas.ops[0].rc, Rect(0, 0, 80, 12));
  EXPECT_EQ(canvas.ops[1].text, Rtl(L"حطيك"));
  EXPECT_EQ(canvas.ops[1].rc, Rect(0, 12, 80, 24));
  Size size = MeasureTextInOrder(canvas, para, font, 80);
  EXPECT_EQ(size.cx, 66);
  EXPECT_EQ(size.cy, 24);
  // A word wider than the box keeps a line of its own; the English paragraph
  // of the same text is broken the same way.
  canvas.ops.clear();
  DrawTextInOrder(canvas, L"حطيك ابجدهوزيحطيك\nEnglish words here", Rect(0, 0, 80, 60), font, 0, kTextWordBreak);
  std::vector<std::wstring> texts;
  for (const auto& op : canvas.ops) texts.push_back(op.text);
  EXPECT_EQ(texts, (std::vector<std::wstring>{Rtl(L"حطيك"), Rtl(L"ابجدهوزيحطيك"), L"English words", L"here"}));
  // Without word breaks the text is only embedded, whatever its length.
  canvas.ops.clear();
  DrawTextInOrder(canvas, para, Rect(0, 0, 10, 20), font, 0, kTextSingleLine | kTextEndEllipsis);
  ASSERT_EQ(canvas.ops.size(), 1u);
  EXPECT_EQ(canvas.ops[0].text, Rtl(para));
  // English is handed over unchanged and measured once, by the canvas.
  canvas.ops.clear();
  canvas.measured.clear();
  DrawTextInOrder(canvas, L"aaaa bbbb cccc", Rect(0, 0, 40, 60), font, 0, kTextWordBreak);
  EXPECT_EQ(MeasureTextInOrder(canvas, L"aaaa bbbb cccc", font, 40).cy, 12 * 3);
  ASSERT_EQ(canvas.ops.size(), 1u);
  EXPECT_EQ(canvas.ops[0].text, L"aaaa bbbb cccc");
  EXPECT_EQ(canvas.measured, std::vector<std::wstring>{L"aaaa bbbb cccc"});
}

namespace {
const char kControls[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="400,300">
  <Font id="0" name="Tahoma" size="10" default="true" />
  <VerticalLayout>
    <Label name="ar" height="20" text="جارٍ التثبيت... 29%" />
    <Label name="en" height="20" text="Installing... 29%" align="right" />
    <Button name="btn" height="20" text="التثبيت الآن" />
    <Option name="opt" height="20" text="ساعد في تحسين Lumevia" selected="true" selectedtextcolor="#FF102030" />
    <Progress name="bar" height="20" value="29" text="29% שלום" />
    <Combo name="combo" height="24" selectedid="0">
      <ListLabelElement text="العربية" height="20" />
      <ListLabelElement text="English" height="20" />
    </Combo>
    <Text name="para" width="80" height="40" text="ابجد هوزي حطيك" />
    <Label name="links" height="20" showhtml="true" text="{a}ابجد{/a} هوزي" />
    <Label name="enlinks" height="20" showhtml="true" text="{a}Privacy{/a} and عربي" />
  </VerticalLayout>
</Window>)";

struct BidiControls : ::testing::Test {
  ui_test::LayoutWnd wnd{L"BidiTestWnd", "controls.xml"};
  MeasuringCanvas canvas;
  void SetUp() override { ASSERT_TRUE(wnd.Open(testing_support::MakeZip({{"controls.xml", kControls}}))); }
  const RecordingCanvas::Op* Painted(const std::wstring& text) {
    canvas.ops.clear();
    wnd.PaintManager().Paint(canvas);
    return canvas.FindText(text);
  }
  Rect Pos(const wchar_t* name) { return wnd.PaintManager().FindControl(name)->GetPos(); }
};
}  // namespace

TEST_F(BidiControls, ControlsHandArabicAndHebrewToTheCanvasEmbeddedAndEnglishAsItIs) {
  const RecordingCanvas::Op* ar = Painted(Rtl(kInstalling));
  ASSERT_NE(ar, nullptr);
  EXPECT_EQ(ar->rc, Pos(L"ar"));  // not mirrored: the label's own box
  const RecordingCanvas::Op* en = canvas.FindText(L"Installing... 29%");
  ASSERT_NE(en, nullptr);
  EXPECT_EQ(en->rc, Pos(L"en"));
  EXPECT_NE(canvas.FindText(Rtl(L"التثبيت الآن")), nullptr);
  const RecordingCanvas::Op* opt = canvas.FindText(Rtl(L"ساعد في تحسين Lumevia"));
  ASSERT_NE(opt, nullptr);
  EXPECT_EQ(opt->color, 0xFF102030u);  // the selected option's own path
  EXPECT_NE(canvas.FindText(Rtl(L"29% שלום")), nullptr);
  EXPECT_NE(canvas.FindText(Rtl(L"العربية")), nullptr);  // the combo's box
  const RecordingCanvas::Op* first = canvas.FindText(Rtl(L"ابجد هوزي"));
  const RecordingCanvas::Op* second = canvas.FindText(Rtl(L"حطيك"));
  ASSERT_TRUE(first && second);  // the paragraph, line by line from the top of its box
  EXPECT_EQ(first->rc.top, Pos(L"para").top);
  EXPECT_EQ(second->rc.top, first->rc.bottom);

  auto* combo = dynamic_cast<CComboUI*>(wnd.PaintManager().FindControl(L"combo"));
  ASSERT_NE(combo, nullptr);
  ASSERT_TRUE(combo->Activate());
  int arabicItems = 0;
  Painted(L"");
  for (const auto& op : canvas.ops) arabicItems += op.kind == "text" && op.text == Rtl(L"العربية");
  EXPECT_EQ(arabicItems, 2);  // the box and its list row
  EXPECT_NE(canvas.FindText(L"English"), nullptr);
}

TEST_F(BidiControls, LinkTextIsReadInTheDirectionOfItsFirstLetter) {
  Painted(L"");
  // Arabic: the first word (the link) at the right, each word embedded and measured so.
  const RecordingCanvas::Op* link = canvas.FindText(Rtl(L"ابجد"));
  const RecordingCanvas::Op* word = canvas.FindText(Rtl(L"هوزي"));
  ASSERT_TRUE(link && word);
  EXPECT_GT(link->rc.left, word->rc.left);
  EXPECT_EQ(link->rc.Width(), 6 * 6);
  // English with an Arabic word: read left to right, the Arabic word embedded in its place.
  const RecordingCanvas::Op* privacy = canvas.FindText(L"Privacy");
  const RecordingCanvas::Op* arabic = canvas.FindText(Rtl(L"عربي"));
  ASSERT_TRUE(privacy && arabic);
  EXPECT_EQ(privacy->rc.left, Pos(L"enlinks").left);
  EXPECT_GT(arabic->rc.left, privacy->rc.right);
}

namespace {
struct MainWndBidi : ui_test::MainWindowFixture {};
}  // namespace

TEST_F(MainWndBidi, ProgressLabelIsDrawnRightToLeftInArabicAndUnchangedInEnglish) {
  InstallUIMainWnd& w = Open();
  ClickOn(L"install_btn");
  w.SetLanguage(Lang_Arabic);
  w.SetProgress(29);
  MeasuringCanvas canvas;
  w.PaintManager().Paint(canvas);
  const RecordingCanvas::Op* label = canvas.FindText(Rtl(Text(L"install_label")));
  ASSERT_NE(label, nullptr) << U8(Text(L"install_label"));
  EXPECT_EQ(Text(L"install_label"), L"جارٍ التثبيت... 29%");

  w.SetLanguage(Lang_English);
  w.SetProgress(29);
  canvas.ops.clear();
  w.PaintManager().Paint(canvas);
  EXPECT_NE(canvas.FindText(L"Installing... 29%"), nullptr);
  EXPECT_FALSE(canvas.HasEmbedding());
}
