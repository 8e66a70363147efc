// The toolkit on its own: layout of containers, faulty layouts that still
// open, hit testing with real mouse messages, keyboard focus and keys, the
// combo's list and the display scale.
#include <gtest/gtest.h>

#include "../unit/TestSupport.h"
#include "UiTestSupport.h"
#include "toolkit/ComboUI.h"
#include "toolkit/ContainerUI.h"
#include "toolkit/DialogBuilder.h"
#include "toolkit/OptionUI.h"
#include "toolkit/WindowImplBase.h"

using namespace SkinUI;

namespace {
// A window of a given layout that records its notifications.
class TestWnd : public WindowImplBase {
 public:
  explicit TestWnd(std::string layout) : layout_(std::move(layout)) {}
  std::wstring GetWindowClassName() const override { return L"UiTestWnd"; }
  std::string GetSkinFile() override { return layout_; }
  void Notify(TNotifyUI& msg) override {
    log.push_back(msg.sType + L":" + (msg.pSender ? msg.pSender->GetName() : L"") + L":" + std::to_wstring(msg.wParam));
    WindowImplBase::Notify(msg);
  }
  std::vector<std::wstring> log;
  void Mouse(unsigned msg, int x, int y) { HandleMessage(msg, 0, (x & 0xFFFF) | ((y & 0xFFFF) << 16)); }
  void ClickAt(int x, int y) {
    Mouse(kWmMouseMove, x, y);
    Mouse(kWmLButtonDown, x, y);
    Mouse(kWmLButtonUp, x, y);
  }
  void ClickOn(const wchar_t* name) {
    pm_.UpdateLayout();
    Rect r = pm_.FindControl(name)->GetPos();
    ClickAt(pm_.Scaled((r.left + r.right) / 2), pm_.Scaled((r.top + r.bottom) / 2));
  }
  void Key(unsigned vk) { HandleMessage(kWmKeyDown, vk, 0); }

 private:
  std::string layout_;
};

const char kForm[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="300,200">
  <VerticalLayout name="root" inset="10,10,10,10" childpadding="5">
    <Label name="title" height="20" text="Title" />
    <HorizontalLayout height="30" childpadding="10">
      <Button name="ok" width="80" text="OK" />
      <Button name="closebtn" text="Close" />
      <Button name="off" width="40" text="Off" enabled="false" />
    </HorizontalLayout>
    <Combo name="combo" height="24">
      <ListLabelElement text="one" userdata="1" height="20" />
      <ListLabelElement text="two" userdata="2" height="20" />
    </Combo>
    <Control name="rest" />
  </VerticalLayout>
</Window>)";

struct Fixture : ::testing::Test {
  void SetUp() override {
    ui_test::DrainMessages();
    ui_test::UseSkin(testing_support::MakeZip({{"form.xml", kForm}}));
    CPaintManagerUI::SetDefaultScale(100);
  }
  void TearDown() override { CPaintManagerUI::SetDefaultScale(0); }
};
}  // namespace

TEST_F(Fixture, StacksChildrenAndSharesTheFreeSpace) {
  TestWnd w("form.xml");
  ASSERT_TRUE(w.Create(0, L"t", 0, 0, 0, 0, 10, 10));
  CPaintManagerUI& pm = w.PaintManager();
  pm.UpdateLayout();
  EXPECT_EQ(pm.ClientRect(), Rect(0, 0, 300, 200));
  EXPECT_EQ(pm.FindControl(L"title")->GetPos(), Rect(10, 10, 290, 30));
  EXPECT_EQ(pm.FindControl(L"ok")->GetPos(), Rect(10, 35, 90, 65));
  // "closebtn" takes what the fixed widths and paddings leave: 280 - 80 - 40 - 20.
  EXPECT_EQ(pm.FindControl(L"closebtn")->GetPos(), Rect(100, 35, 240, 65));
  EXPECT_EQ(pm.FindControl(L"rest")->GetPos(), Rect(10, 99, 290, 190));
}

TEST_F(Fixture, MouseClicksReachTheButtonUnderThePointerOnly) {
  TestWnd w("form.xml");
  ASSERT_TRUE(w.Create(0, L"t", 0, 0, 0, 0, 10, 10));
  w.ClickOn(L"ok");
  w.ClickOn(L"off");  // disabled: nothing
  // Pressed on one button, released elsewhere: no click.
  w.Mouse(kWmLButtonDown, 50, 50);
  w.Mouse(kWmLButtonUp, 150, 150);
  EXPECT_EQ(w.log, (std::vector<std::wstring>{L"windowinit::0", L"click:ok:0"}));
}

TEST_F(Fixture, TabMovesFocusEnterAndSpaceClickEscapeIsTheCloseButton) {
  TestWnd w("form.xml");
  ASSERT_TRUE(w.Create(0, L"t", 0, 0, 0, 0, 10, 10));
  w.log.clear();
  w.Key(kVkTab);
  EXPECT_EQ(w.PaintManager().GetFocus()->GetName(), L"ok");
  w.Key(kVkReturn);
  w.Key(kVkTab);
  w.Key(kVkSpace);
  w.Key(kVkTab);  // the disabled button is skipped: the combo
  EXPECT_EQ(w.PaintManager().GetFocus()->GetName(), L"combo");
  w.Key(kVkTab);  // and round again
  EXPECT_EQ(w.PaintManager().GetFocus()->GetName(), L"ok");
  w.Key(kVkEscape);
  EXPECT_EQ(w.log, (std::vector<std::wstring>{L"click:ok:0", L"click:closebtn:0", L"click:closebtn:0"}));
}

TEST_F(Fixture, ComboListOpensOnClickAndChoosingSendsItemselect) {
  TestWnd w("form.xml");
  ASSERT_TRUE(w.Create(0, L"t", 0, 0, 0, 0, 10, 10));
  auto* combo = dynamic_cast<CComboUI*>(w.PaintManager().FindControl(L"combo"));
  ASSERT_NE(combo, nullptr);
  w.ClickOn(L"combo");
  ASSERT_TRUE(combo->IsOpen());
  Rect list = combo->ListRect();
  w.log.clear();
  w.ClickAt(list.left + 20, list.top + 1 + 20 + 10);  // the second row
  EXPECT_FALSE(combo->IsOpen());
  EXPECT_EQ(combo->GetCurSel(), 1);
  EXPECT_EQ(combo->ItemUserData(1), L"2");
  EXPECT_EQ(w.log, (std::vector<std::wstring>{L"itemselect:combo:1"}));
}

TEST_F(Fixture, DisplayScaleGrowsTheWindowAndMapsThePointerBack) {
  CPaintManagerUI::SetDefaultScale(150);
  TestWnd w("form.xml");
  ASSERT_TRUE(w.Create(0, L"t", 0, 0, 0, 0, 10, 10));
  EXPECT_EQ(w.PaintManager().GetScale(), 150);
  EXPECT_EQ(w.PaintManager().ClientRect(), Rect(0, 0, 300, 200));  // logical pixels stay
  w.log.clear();
  w.ClickAt(60, 75);  // physical (60, 75) is logical (40, 50): inside "ok"
  EXPECT_EQ(w.log, (std::vector<std::wstring>{L"click:ok:0"}));
}

TEST(LayoutFaults, WindowsOpenWithWhatCanBeBuiltAndEachFaultIsReportedOnce) {
  const char self[] = R"(<Window size="100,100"><VerticalLayout name="a"><Include source="self.xml" />
      <Include source="missing.xml" /><Include source="missing.xml" /><Blink name="b" /><Label name="c" colour="red" />
      <Label name="d" colour="blue" /></VerticalLayout></Window>)";
  SkinPackage pkg;
  ASSERT_TRUE(pkg.Open(testing_support::MakeZip({{"self.xml", self}, {"bad.xml", "<Window"}})));
  CDialogBuilder builder(pkg);
  auto root = builder.Create("self.xml");
  ASSERT_NE(root, nullptr);
  EXPECT_NE(root->FindByName(L"c"), nullptr);
  EXPECT_NE(root->FindByName(L"d"), nullptr);
  EXPECT_EQ(root->FindByName(L"b"), nullptr);
  EXPECT_EQ(builder.Faults().size(), 4u);  // loop, missing, unknown control, unknown attribute

  // A layout that is missing or not XML still gives a window.
  ui_test::UseSkin(testing_support::MakeZip({{"bad.xml", "<Window"}}));
  for (const char* layout : {"bad.xml", "absent.xml"}) {
    TestWnd w(layout);
    ASSERT_TRUE(w.Create(0, L"t", 0, 0, 0, 0, 10, 10));
    ASSERT_NE(w.PaintManager().GetRoot(), nullptr);
    w.ClickAt(5, 5);
    w.Key(kVkTab);
    w.Key(kVkEscape);
  }
}
