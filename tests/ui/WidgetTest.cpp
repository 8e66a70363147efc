// The stub's own widgets: the slide show's transition, the progress light,
// the result marks and the waiting window's frames.
#include <gtest/gtest.h>

#include "../unit/TestSupport.h"
#include "UiTestSupport.h"
#include "toolkit/ContainerUI.h"
#include "toolkit/DialogBuilder.h"
#include "toolkit/OptionUI.h"
#include "toolkit/headless/RecordingCanvas.h"
#include "ui/CAlientWnd.h"
#include "ui/CAnimaEx.h"
#include "ui/CControlExUI.h"
#include "ui/CProgressExUI.h"
#include "ui/StubControls.h"

using namespace SkinUI;

namespace {
const char kBanner[] = R"(<Window size="650,300">
  <Container name="area">
    <Container name="hor_banner" float="true" pos="0,0,650,300">
      <VerticalLayout bkimage="a/1.png"><Label text="one" /></VerticalLayout>
      <VerticalLayout bkimage="a/2.png"><Label text="two" /></VerticalLayout>
      <VerticalLayout bkimage="a/3.png"><Label text="three" /></VerticalLayout>
    </Container>
    <HorizontalLayout name="hor_option" float="true" pos="0,280,100,286">
      <OptionEx group="image_play_option" width="16" selected="true" />
      <OptionEx group="image_play_option" width="16" />
      <OptionEx group="image_play_option" width="16" />
    </HorizontalLayout>
    <ProgressEx name="bar" float="true" pos="0,290,600,298" moveforeimage="light.png" />
    <ControlEx name="logo_install_ok" float="true" pos="0,0,80,80" bordercolor="#FF102030" />
  </Container>
</Window>)";

// The skin's own light, 120 x 8 pixels.
std::string LightPng() {
  SkinPackage pkg;
  pkg.Open(ui_test::BuiltSkin());
  std::string png;
  pkg.Extract("skin/progress.png", png);
  return png;
}

struct Widgets : ::testing::Test {
  ui_test::LayoutWnd wnd{L"WidgetTestWnd", "page.xml"};
  void SetUp() override {
    RegisterStubControls();
    CPaintManagerUI::Term();  // no images cached from other packages
    ASSERT_TRUE(wnd.Open(testing_support::MakeZip({{"page.xml", kBanner}, {"light.png", LightPng()}})));
  }
  CControlUI* C(const wchar_t* n) { return wnd.PaintManager().FindControl(n); }
};
}  // namespace

TEST_F(Widgets, SlideShowMovesFifteenStepsOf43AndASixteenthOf5) {
  CAnimaEx anima(&wnd.PaintManager(), C(L"hor_banner"), C(L"hor_option"), 3, Lang_English, nullptr);
  anima.Init();
  ASSERT_EQ(anima.Slides().size(), 3u);
  EXPECT_EQ(anima.Slides()[1].second, L"two");
  EXPECT_EQ(C(L"hor_banner")->GetCount(), 1u);
  anima.Next();
  EXPECT_TRUE(anima.IsBusy());
  EXPECT_EQ(wnd.PaintManager().TimerPeriod(&anima, CAnimaEx::kStepTimer), 20u);
  anima.SlideTo(2);  // ignored while busy
  std::vector<int> steps;
  for (int tick = 0; tick < 40 && anima.IsBusy(); ++tick) {
    int before = anima.Remaining();
    UIEvent e{EventType::Timer};
    e.timerId = CAnimaEx::kStepTimer;
    anima.DoEvent(e);
    steps.push_back(before - anima.Remaining());
  }
  std::vector<int> expected(15, 43);
  expected.push_back(5);
  EXPECT_EQ(steps, expected);
  EXPECT_EQ(anima.Current(), 1);
  EXPECT_EQ(C(L"hor_banner")->GetCount(), 1u);
  EXPECT_FALSE(wnd.PaintManager().HasTimer(&anima, CAnimaEx::kStepTimer));
  auto* dot1 = dynamic_cast<COptionUI*>(C(L"hor_option")->GetItemAt(1));
  EXPECT_TRUE(dot1->IsSelected());
}

TEST_F(Widgets, SlideShowWithOneSlideNeverMoves) {
  CAnimaEx anima(&wnd.PaintManager(), C(L"hor_banner"), C(L"hor_option"), 1, Lang_English, nullptr);
  anima.Next();
  EXPECT_FALSE(anima.IsBusy());
  EXPECT_EQ(anima.Current(), 0);
}

TEST_F(Widgets, ProgressLightAppearsBetweenMinimumAndMaximumOnly) {
  auto* bar = dynamic_cast<CProgressExUI*>(C(L"bar"));
  ASSERT_NE(bar, nullptr);
  RecordingCanvas canvas;
  auto lights = [&] {
    canvas.ops.clear();
    wnd.PaintManager().Paint(canvas);
    int n = 0;
    for (const auto& op : canvas.ops) n += op.kind == "image" && op.image.file == L"light.png";
    return n;
  };
  EXPECT_EQ(lights(), 0);  // at the minimum
  EXPECT_FALSE(bar->ImageLoaded());
  bar->SetValue(5);  // 30 pixels filled: less than half the 120-pixel light
  EXPECT_EQ(lights(), 0);
  EXPECT_TRUE(wnd.PaintManager().HasTimer(bar, CProgressExUI::kLightTimer));
  bar->SetValue(50);
  EXPECT_EQ(lights(), 1);
  EXPECT_EQ(bar->LightRect(), Rect(0, 0, 120, 8));
  UIEvent tick{EventType::Timer};
  tick.timerId = CProgressExUI::kLightTimer;
  bar->DoEvent(tick);  // 50 x 20 / 100 = 10 pixels on
  EXPECT_EQ(lights(), 1);
  EXPECT_EQ(bar->LightRect(), Rect(10, 0, 130, 8));
  bar->SetValue(100);
  EXPECT_EQ(lights(), 0);
  EXPECT_EQ(bar->LightRect(), Rect());
  EXPECT_FALSE(wnd.PaintManager().HasTimer(bar, CProgressExUI::kLightTimer));
}

TEST_F(Widgets, ResultMarkIsDrawnWithTheBorderColour) {
  RecordingCanvas canvas;
  wnd.PaintManager().Paint(canvas);
  const RecordingCanvas::Op* mark = nullptr;
  for (const auto& op : canvas.ops)
    if (op.kind == "lines" && op.color == 0xFF102030) mark = &op;
  ASSERT_NE(mark, nullptr);
  ASSERT_EQ(mark->points.size(), 3u);
  EXPECT_FLOAT_EQ(mark->points[0].x, 25.0f);
  EXPECT_FLOAT_EQ(mark->points[1].y, 80.0f - 27.08f);
  EXPECT_FLOAT_EQ(mark->width, 6.0f);
}

TEST(WaitingWindow, CyclesTwentyOneFramesAndStartsOver) {
  ui_test::UseSkin(ui_test::BuiltSkin());
  CAlientWnd w(L"", L"", L"Lumevia", 0, false, Lang_English, nullptr);
  ASSERT_TRUE(w.CreateForTest());
  EXPECT_EQ(w.TimerPeriod(CAlientWnd::kFrameTimer), 50u);
  int start = CAlientWnd::FrameCounter();
  std::vector<std::wstring> frames;
  for (int i = 0; i < 22; ++i) {
    w.SendMsg(kWmTimer, CAlientWnd::kFrameTimer);
    frames.push_back(w.PaintManager().FindControl(L"foreImage")->GetBkImage());
  }
  EXPECT_EQ(frames[static_cast<size_t>((21 - start % 21) % 21)], L"skin/gif/bg00.png");
  for (int i = 0; i < 22; ++i) EXPECT_EQ(frames[static_cast<size_t>(i)], CAlientWnd::FrameName(start + i));
  EXPECT_EQ(CAlientWnd::FrameName(20), L"skin/gif/bg20.png");
  EXPECT_EQ(CAlientWnd::FrameName(21), L"skin/gif/bg00.png");
  w.SendMsg(kWmClose);
}
