#include "ui/EnumMsgType.h"

namespace {
const MsgTexts kTexts[kMsgTypeCount] = {
    // describe, question, yes, no, no hidden, layout texts
    {L"ReplaceDesText", L"ReplaceQueText", L"ReplaceText", L"CancelText", false, false},               // 0
    {nullptr, nullptr, nullptr, nullptr, false, false},                                                // 1
    {L"CancelDesText", L"CancelQueText", L"ContinueText", L"CancelText", false, false},                // 2
    {L"AppExistDesText", L"AppExistQueText", L"OkButtonText", L"NoText", false, false},                // 3
    {L"PathErrorDesText", nullptr, L"OkButtonText", nullptr, false, false},                            // 4
    {nullptr, nullptr, nullptr, nullptr, true, true},                                                  // 5
    {L"InstallRunTimeOutDesText", L"InstallRunTimeOutQueText", L"ConfirmText", L"CancelText", false, false},  // 6
    {L"MD5FailDesText", L"MD5FailQueText", L"ConfirmText", L"CancelText", false, false},               // 7
    {L"UrlFailDexText", L"UrlFailQueText", L"ConfirmText", L"CancelText", false, false},               // 8
    {L"InternetFailDesText", L"InternetFailQueText", L"ConfirmText", L"CancelText", false, false},     // 9
    {L"InternetTimeoutDesText", L"InternetTimeoutQueText", L"ConfirmText", L"CancelText", false, false},  // 10
    {L"NoEnoughSpaceDesText", nullptr, L"OkButtonText", nullptr, false, false},                        // 11
    {L"ClickShortcutToLaunchText", nullptr, L"ConfirmText", nullptr, false, false},                    // 12
    {nullptr, nullptr, nullptr, nullptr, false, false},                                                // 13
    {L"NotSupportCountryText", nullptr, L"ConfirmText", nullptr, true, false},                         // 14
};
}  // namespace

const MsgTexts& MsgTextsFor(int type) {
  static const MsgTexts none = {nullptr, nullptr, nullptr, nullptr, false, false};
  return type >= 0 && type < kMsgTypeCount ? kTexts[type] : none;
}

MsgClickAction MsgClickActionFor(int type, const std::wstring& control) {
  MsgClickAction a;
  const bool network = type == MsgUrlFail || type == MsgInternetFail || type == MsgInternetTimeout;
  const bool clears = type == MsgInstallRunTimeOut || type == MsgMd5Fail;
  if (control == L"minbtn") {
    a.handled = a.minimize = true;
    return a;
  }
  if (control == L"closebtn") {
    a.handled = true;
    a.postClearToOwner = clears;
    a.result = type == MsgCancel ? 1 : 2;  // closing the quit question means "go on"
    return a;
  }
  if (control == L"btn_yes") {
    a.handled = true;
    a.postClearToOwner = clears;
    a.hideBoxAndOwner = type == MsgFinished;
    a.result = 1;
    return a;
  }
  if (control == L"btn_no") {
    a.handled = true;
    a.postClearToOwner = clears;
    a.postCloseToOwner = network;
    a.hideBoxAndOwner = type == MsgCancel;
    a.result = clears ? 1 : 2;
    return a;
  }
  return a;
}
