// The message box: each type's texts from the language file, its buttons,
// its results and what it does to the owner window.
#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "toolkit/Messages.h"
#include "ui/MessageBoxWnd.h"

using namespace SkinUI;

namespace {
// An owner that remembers what reached it.
class OwnerWnd : public CWindowWnd {
 public:
  std::wstring GetWindowClassName() const override { return L"OwnerTestWnd"; }
  intptr_t HandleMessage(unsigned msg, uintptr_t w, intptr_t l) override {
    // Only what a box sends on purpose; window systems send much else.
    if (msg == kWmSysCommand || msg == kWmClose || msg == WM_CLEAR_APP_DATA_MSG) received.push_back(msg);
    if (msg == kWmClose) return 0;  // stays, so the test can look at it
    return CWindowWnd::HandleMessage(msg, w, l);
  }
  std::vector<unsigned> received;
};

struct Box : ::testing::Test {
  void SetUp() override {
    ui_test::DrainMessages();
    ui_test::UseSkin(ui_test::BuiltSkin());
  }
};

std::wstring TextOf(MessageBoxWnd& box, const wchar_t* name) {
  CControlUI* c = box.PaintManager().FindControl(name);
  return c ? c->GetText() : L"<missing>";
}
bool Shown(MessageBoxWnd& box, const wchar_t* name) {
  CControlUI* c = box.PaintManager().FindControl(name);
  return c && c->IsVisible();
}

// Clicks a control of a created box and answers the modal result.
int ClickResult(MessageBoxWnd& box, const wchar_t* name) {
  TNotifyUI click;
  click.sType = L"click";
  click.pSender = box.PaintManager().FindControl(name);
  box.Notify(click);
  return static_cast<CWindowWnd&>(box).ShowModal();  // the posted WM_CLOSE ends it at once
}
}  // namespace

TEST_F(Box, TextsOfEveryOpenedTypeComeFromTheMessagePage) {
  struct Row {
    EnumMsgType type;
    const wchar_t *describe, *question, *yes, *no;
  };
  const Row rows[] = {
      {MsgCancel, L"The installation is not finished yet.", L"Do you really want to cancel it?", L"Continue", L"Cancel"},
      {MsgAppExist, L"Lumevia is currently running.", L"Please close it and try again.", L"OK", L"No"},
      {MsgPathError, L"This folder cannot be used. Please choose another installation folder.", L"", L"OK", nullptr},
      {MsgMd5Fail, L"The downloaded file is incomplete or damaged.", L"Please run the installation again.", L"OK",
       L"Cancel"},
      {MsgUrlFail, L"The download server could not be reached.", L"Please try again later.", L"OK", L"Cancel"},
      {MsgNoEnoughSpace, L"There is not enough free disk space. Please free some space or choose another drive.", L"",
       L"OK", nullptr},
      {MsgNotSupportCountry, L"Sorry, Lumevia is not available in your country or region.", L"", L"OK", nullptr},
  };
  for (const Row& r : rows) {
    MessageBoxWnd box(r.type, Lang_English);
    ASSERT_TRUE(box.CreateBox(0));
    EXPECT_EQ(TextOf(box, L"msg_describe"), r.describe) << r.type;
    EXPECT_EQ(TextOf(box, L"msg_question"), r.question) << r.type;
    EXPECT_EQ(TextOf(box, L"btn_yes"), r.yes) << r.type;
    EXPECT_TRUE(Shown(box, L"btn_yes"));
    // A button without text is not offered.
    EXPECT_EQ(Shown(box, L"btn_no"), r.no != nullptr) << r.type;
    if (r.no) EXPECT_EQ(TextOf(box, L"btn_no"), r.no);
    box.SendMsg(kWmClose, 2);
  }
  MessageBoxWnd japanese(MsgCancel, Lang_Japanese);
  ASSERT_TRUE(japanese.CreateBox(0));
  EXPECT_NE(TextOf(japanese, L"btn_yes"), L"Continue");
  EXPECT_FALSE(TextOf(japanese, L"btn_yes").empty());
  japanese.SendMsg(kWmClose, 2);
}

TEST_F(Box, CountryBoxShowsTheExclamationAndOneButton) {
  MessageBoxWnd box(MsgNotSupportCountry, Lang_English);
  ASSERT_TRUE(box.CreateBox(0));
  EXPECT_EQ(box.GetSkinFile(), "MessageBox.xml");
  EXPECT_EQ(box.PaintManager().FindControl(L"iconimage")->GetBkImage(), L"skin\\message_exclamation.png");
  EXPECT_FALSE(Shown(box, L"btn_no"));
  EXPECT_EQ(ClickResult(box, L"btn_yes"), 1);
  MessageBoxWnd closed(MsgNotSupportCountry, Lang_English);
  ASSERT_TRUE(closed.CreateBox(0));
  EXPECT_EQ(ClickResult(closed, L"closebtn"), 2);
  MessageBoxWnd other(MsgCancel, Lang_English);
  ASSERT_TRUE(other.CreateBox(0));
  EXPECT_EQ(other.PaintManager().FindControl(L"iconimage")->GetBkImage(), L"skin\\message_warn.png");
  other.SendMsg(kWmClose, 2);
  MessageBoxWnd dotnet(MsgDotNetMissing, Lang_English);
  EXPECT_EQ(dotnet.GetSkinFile(), "MessageBox_down.xml");
}

TEST_F(Box, ButtonsGiveTheirResultsAndTouchTheOwnerAsTheTypeSays) {
  struct Case {
    EnumMsgType type;
    const wchar_t* button;
    int result;
    std::vector<unsigned> owner;  // messages the owner gets
    bool ownerHidden;
  };
  const unsigned kClear = WM_CLEAR_APP_DATA_MSG;
  const Case cases[] = {
      {MsgCancel, L"closebtn", 1, {kWmSysCommand}, false},
      {MsgCancel, L"btn_yes", 1, {kWmSysCommand}, false},
      {MsgCancel, L"btn_no", 2, {kWmSysCommand}, true},
      {MsgUrlFail, L"btn_no", 2, {kWmSysCommand, kWmClose}, false},
      {MsgInternetFail, L"btn_no", 2, {kWmSysCommand, kWmClose}, false},
      {MsgInternetTimeout, L"btn_no", 2, {kWmSysCommand, kWmClose}, false},
      {MsgInternetTimeout, L"btn_yes", 1, {kWmSysCommand}, false},
      {MsgMd5Fail, L"btn_no", 1, {kWmSysCommand, kClear}, false},
      {MsgInstallRunTimeOut, L"closebtn", 2, {kWmSysCommand, kClear}, false},
      {MsgInstallRunTimeOut, L"btn_yes", 1, {kWmSysCommand, kClear}, false},
      {MsgFinished, L"btn_yes", 1, {kWmSysCommand}, true},
      {MsgAppExist, L"btn_no", 2, {kWmSysCommand}, false},
  };
  for (const Case& c : cases) {
    OwnerWnd owner;
    ASSERT_TRUE(owner.Create(0, L"o", 0, 0, 0, 0, 10, 10));
    owner.ShowWindow(true);
    MessageBoxWnd box(c.type, Lang_English);
    ASSERT_TRUE(box.CreateBox(owner.GetHWND()));
    // ShowModal restores the owner first; the test does the same.
    owner.SendMsg(kWmSysCommand, kScRestore);
    TNotifyUI click;
    click.sType = L"click";
    click.pSender = box.PaintManager().FindControl(c.button);
    box.Notify(click);
    EXPECT_EQ(static_cast<CWindowWnd&>(box).ShowModal(), c.result) << c.type << " " << std::string(c.button, c.button + wcslen(c.button));
    PumpPendingMessages();
    EXPECT_EQ(owner.received, c.owner) << c.type;
    EXPECT_EQ(owner.IsVisible(), !c.ownerHidden) << c.type;
  }
}

TEST(MsgClickTable, MinimiseOnlyMinimisesAndOtherControlsDoNothing) {
  for (int type = 0; type < kMsgTypeCount; ++type) {
    MsgClickAction a = MsgClickActionFor(type, L"minbtn");
    EXPECT_TRUE(a.minimize);
    EXPECT_EQ(a.result, 0);
    EXPECT_FALSE(MsgClickActionFor(type, L"msg_describe").handled);
  }
}
