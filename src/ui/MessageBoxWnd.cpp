#include "ui/MessageBoxWnd.h"

#include "FuntionImpl/RunOptions.h"
#include "language/LanguageFile.h"
#include "log/Log.h"
#include "toolkit/Backend.h"
#include "ui/StubControls.h"

namespace {
const char kLayout[] = "MessageBox.xml";
const char kLayoutDown[] = "MessageBox_down.xml";
const wchar_t kExclamationIcon[] = L"skin\\message_exclamation.png";
}  // namespace

MessageBoxWnd::MessageBoxWnd(EnumMsgType type, EnumLanguage language) : tip_(type), language_(language) {
  RegisterStubControls();
}

std::string MessageBoxWnd::GetSkinFile() { return tip_ == MsgDotNetMissing ? kLayoutDown : kLayout; }

bool MessageBoxWnd::CreateBox(uintptr_t owner) {
  owner_ = owner;
  return Create(owner, L"MSGUIDemo", 0x96C80000u, 0, 0, 0, 452, 190);
}

int MessageBoxWnd::ShowModal(uintptr_t owner) {
  if (!CreateBox(owner)) return 2;
  if (owner) SkinUI::backend::SendToWindow(owner, SkinUI::kWmSysCommand, SkinUI::kScRestore, 0);
  CenterWindow();
  ShowWindow(true, true);
  return CWindowWnd::ShowModal();
}

void MessageBoxWnd::InitWindow() {
  LOG(INFO) << " Error Msg Box Tip: " << static_cast<int>(tip_);
  closeBtn_ = pm_.FindControl(L"closebtn");
  minBtn_ = pm_.FindControl(L"minbtn");
  yesBtn_ = pm_.FindControl(L"btn_yes");
  noBtn_ = pm_.FindControl(L"btn_no");
  describe_ = pm_.FindControl(L"msg_describe");
  question_ = pm_.FindControl(L"msg_question");
  icon_ = pm_.FindControl(L"iconimage");
  if (describe_) {
    describeHeight_ = describe_->GetFixedHeight();
    describeValign_ = describe_->GetAttribute("valign");
  }
  if (tip_ != MsgDotNetMissing) FillTexts();
  if (FuntionImpl::IsAutoRun() && !(noBtn_ && noBtn_->IsVisible())) SetTimer(kAutoConfirmTimer, 1000);
}

void MessageBoxWnd::FillTexts() {
  const MsgTexts& row = MsgTextsFor(tip_);
  if (tip_ == MsgNotSupportCountry) {
    if (icon_) icon_->SetBkImage(kExclamationIcon);
    if (noBtn_) noBtn_->SetVisible(false);
  }
  auto tree = LoadLanguageTree(language_);
  // No file or no "message_page": the layout's own texts stay.
  if (!tree || !tree->FindByName(kMessagePage)) return;
  auto text = [&](const wchar_t* key) {
    std::wstring t;
    if (key) GetLanguageText(tree.get(), kMessagePage, key, t);  // a missing key leaves it empty
    return t;
  };
  std::wstring yes = text(row.yes), no = text(row.no);
  if (yesBtn_) yesBtn_->SetText(yes);
  if (noBtn_) noBtn_->SetText(no);
  if (describe_) describe_->SetText(text(row.describe));
  if (question_) question_->SetText(text(row.question));
  // Without a question the description takes the whole text area.
  if (question_ && describe_ && question_->GetText().empty()) {
    question_->SetVisible(false);
    describe_->SetFixedHeight(0);
    describe_->SetAttribute("valign", L"vcenter");
  }
  // A button without a text has nothing to offer: it is not shown.
  if (yesBtn_ && yes.empty()) yesBtn_->SetVisible(false);
  if (noBtn_ && no.empty()) noBtn_->SetVisible(false);
}

void MessageBoxWnd::ApplyLanguage(EnumLanguage language) {
  language_ = language;
  if (tip_ == MsgDotNetMissing) return;
  for (SkinUI::CControlUI* c : {yesBtn_, noBtn_, question_})
    if (c) c->SetVisible(true);
  if (describe_) {
    describe_->SetFixedHeight(describeHeight_);
    describe_->SetAttribute("valign", describeValign_.empty() ? L"top" : describeValign_);
  }
  FillTexts();
}

void MessageBoxWnd::Notify(SkinUI::TNotifyUI& msg) {
  // Links in the boxes' layouts lead nowhere.
  if (msg.sType == L"itemactivate" || msg.sType == L"link") return;
  WindowImplBase::Notify(msg);
}

void MessageBoxWnd::OnClick(SkinUI::TNotifyUI& msg) {
  if (!msg.pSender) return;
  MsgClickAction a = MsgClickActionFor(tip_, msg.pSender->GetName());
  if (!a.handled) return;
  if (a.minimize) {
    SendMsg(SkinUI::kWmSysCommand, SkinUI::kScMinimize, 0);
    return;
  }
  if (a.postClearToOwner) SkinUI::backend::PostToWindow(owner_, WM_CLEAR_APP_DATA_MSG, 0, 0);
  if (a.postCloseToOwner) SkinUI::backend::PostToWindow(owner_, SkinUI::kWmClose, 0, 0);
  if (a.hideBoxAndOwner) {
    ShowWindow(false, false);
    SkinUI::backend::ShowWindowHandle(owner_, false);
  }
  Close(static_cast<unsigned>(a.result));
}

intptr_t MessageBoxWnd::HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  if (msg == SkinUI::kWmTimer && wParam == kAutoConfirmTimer) {
    KillTimer(kAutoConfirmTimer);
    if (yesBtn_) {
      SkinUI::TNotifyUI click;
      click.sType = L"click";
      click.pSender = yesBtn_;
      Notify(click);
    }
    return 0;
  }
  return WindowImplBase::HandleMessage(msg, wParam, lParam);
}
