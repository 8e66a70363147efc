// The stub's own modal message box, drawn from the skin. The type decides
// the layout, the texts (keys of the language file's "message_page"), the
// icon, the buttons and what each button does to the owner window.
#pragma once
#include "language/Language.h"
#include "toolkit/WindowImplBase.h"
#include "ui/EnumMsgType.h"

class MessageBoxWnd : public SkinUI::WindowImplBase {
 public:
  MessageBoxWnd(EnumMsgType type, EnumLanguage language);

  std::wstring GetWindowClassName() const override { return L"MESSAGEBOX_UI_Frame"; }
  std::string GetSkinFile() override;
  void InitWindow() override;
  void Notify(SkinUI::TNotifyUI& msg) override;
  void OnClick(SkinUI::TNotifyUI& msg) override;
  intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

  // Creates the box (owned by owner, 0 for none), restores the owner,
  // centres, shows and runs the modal loop; answers 1 or 2.
  int ShowModal(uintptr_t owner);
  // Creates the window only (tests drive it without a modal loop).
  bool CreateBox(uintptr_t owner);

  // Shows the box's texts in another language (the layout's state first).
  void ApplyLanguage(EnumLanguage language);
  EnumMsgType Type() const { return tip_; }
  uintptr_t Owner() const { return owner_; }

 private:
  static constexpr unsigned kAutoConfirmTimer = 777;
  void FillTexts();

  uintptr_t owner_ = 0;
  EnumMsgType tip_;
  EnumLanguage language_;
  SkinUI::CControlUI* closeBtn_ = nullptr;
  SkinUI::CControlUI* minBtn_ = nullptr;
  SkinUI::CControlUI* yesBtn_ = nullptr;
  SkinUI::CControlUI* noBtn_ = nullptr;
  SkinUI::CControlUI* describe_ = nullptr;
  SkinUI::CControlUI* question_ = nullptr;
  SkinUI::CControlUI* icon_ = nullptr;
  int describeHeight_ = 0;
  std::wstring describeValign_;
};
