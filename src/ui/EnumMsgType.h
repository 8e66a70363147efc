// The message box types, their texts and what their buttons do.
#pragma once
#include <string>

enum EnumMsgType : int {
  MsgReplace = 0,
  MsgFinished = 1,
  MsgCancel = 2,
  MsgAppExist = 3,
  MsgPathError = 4,
  MsgDotNetMissing = 5,
  MsgInstallRunTimeOut = 6,
  MsgMd5Fail = 7,
  MsgUrlFail = 8,
  MsgInternetFail = 9,
  MsgInternetTimeout = 10,
  MsgNoEnoughSpace = 11,
  MsgClickShortcutToLaunch = 12,
  MsgBlank = 13,
  MsgNotSupportCountry = 14,
};
constexpr int kMsgTypeCount = 15;

// Posted to the owner by the boxes of types 6 and 7: WM_USER + 1919.
constexpr unsigned WM_CLEAR_APP_DATA_MSG = 0x0400 + 1919;

// One row of the text table. A key of nullptr means the text is set empty;
// the "no" button of a row with noHidden is hidden.
struct MsgTexts {
  const wchar_t* describe;  // "msg_describe"
  const wchar_t* question;  // "msg_question"
  const wchar_t* yes;       // "btn_yes"
  const wchar_t* no;        // "btn_no"
  bool noHidden;
  bool layoutTexts;         // the layout's own texts stay (type 5)
};
const MsgTexts& MsgTextsFor(int type);

// What a click on a box's control does.
struct MsgClickAction {
  bool handled = false;          // the control is one of the box's buttons
  bool minimize = false;         // minimise the box, nothing else
  bool postClearToOwner = false; // post WM_CLEAR_APP_DATA to the owner
  bool postCloseToOwner = false; // post WM_CLOSE to the owner
  bool hideBoxAndOwner = false;
  int result = 0;                // the modal result (1 or 2)
};
MsgClickAction MsgClickActionFor(int type, const std::wstring& control);
